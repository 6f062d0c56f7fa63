#include "tests/fuzz/fuzz_entries.h"

#include "config/config_difference.h"
#include "config/config_transfers.h"
#include "config/gfg_pars.h"
#include "config/range_edit.h"
#include "config/value_codec.h"
#include "core/decimal_text.h"
#include "core/my_err_log.h"
#include "dyno/dino.h"
#include "dyno/dino_editor.h"
#include "fakes/fake_serial.h"
#include "firmware/buff.h"
#include "firmware/intel_hex.h"
#include "link/device_commands.h"
#include "monitor/data_log.h"
#include "monitor/live_grid.h"
#include "monitor/log_layout.h"
#include "monitor/log_reader.h"
#include "monitor/poll_cycle.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <string_view>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

namespace {

void Require(bool holds, const char* property) {
    if (!holds) {
        std::fprintf(stderr, "fuzz property broken: %s\n", property);
        std::abort();
    }
}

// One folder per process for the files the entries write, removed at exit. The path is
// never destroyed: the exit handler runs after the destructors of statics made before it.
const fs::path& Scratch() {
    static const fs::path* folder = [] {
        auto* f =
            new fs::path(fs::temp_directory_path() / ("korvex_fuzz_" + std::to_string(getpid())));
        fs::create_directories(*f);
        std::atexit([] {
            std::error_code ignored;
            fs::remove_all(Scratch(), ignored);
        });
        return f;
    }();
    return *folder;
}

std::string WriteScratch(const char* name, const uint8_t* data, size_t size) {
    const fs::path path = Scratch() / name;
    std::ofstream(path, std::ios::binary | std::ios::trunc)
        .write(reinterpret_cast<const char*>(data), std::streamsize(size));
    return path.string();
}

std::vector<uint8_t> ReadBack(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

// The bytes as the answers of successive reads: a length byte, then that many bytes;
// length 0 is a read that times out.
void ScriptReads(const uint8_t* data, size_t size, FakeSerial::Shared& serial) {
    size_t i = 0;
    while (i < size) {
        const size_t declared = data[i++];
        const size_t n = std::min(declared, size - i);
        serial.reads.emplace_back(data + i, data + i + n);
        i += n;
    }
}

class SilentView : public PollView, public LiveGridView {
  public:
    void toggleHeartbeat() override {}
    void setElapsedText(const std::string&) override {}
    void setStartCaption(const std::string&) override {}
    void setGridCell(int, int, const std::string& text) override { cells += text.size(); }
    size_t cells = 0;
};

std::tm FixedStamp() {
    std::tm t{};
    t.tm_mday = 1;
    t.tm_year = 126;
    return t;
}

} // namespace

const char* FuzzScratchFolder() {
    static const std::string folder = Scratch().string();
    return folder.c_str();
}

// The text sits at the start of the image buffer and the parse writes the image over
// it, so a read past the text or a write past 0x20000 shows as a different result when
// the bytes after the text differ (or as an ASan report).
void FuzzIntelHex(const uint8_t* data, size_t size) {
    const auto length = uint32_t(std::min<size_t>(size, Buff::kImageSize));
    static const char kTail[] = ":0100000055AA\r\n:00000001FF\r\n";
    Buff plain(Buff::kImageSize);
    Buff tailed(Buff::kImageSize);
    std::copy_n(data, length, plain.data());
    std::copy_n(data, length, tailed.data());
    for (uint32_t i = length; i < Buff::kImageSize; ++i) {
        tailed.data()[i] = uint8_t(kTail[(i - length) % (sizeof kTail - 1)]);
    }
    uint32_t bytes[2] = {};
    uint32_t last[2] = {};
    const bool ended[2] = {
        ParseIntelHex({plain.data(), plain.size()}, length, bytes[0], last[0]),
        ParseIntelHex({tailed.data(), tailed.size()}, length, bytes[1], last[1])};
    Require(ended[0] == ended[1] && bytes[0] == bytes[1] && last[0] == last[1],
            "the HEX parse depends only on its text");
    Require(std::equal(plain.data(), plain.data() + Buff::kImageSize, tailed.data()),
            "the parsed image depends only on the text");
    Require(last[0] < Buff::kImageSize || bytes[0] == 0, "no record lands past the buffer");
}

// First byte: the parameter; second: the decimal separator; the rest is what was typed.
void FuzzTypedText(const uint8_t* data, size_t size) {
    if (size < 2) {
        return;
    }
    const PAR_long& p = kParLong[data[0] % kParCount];
    const char separator = (data[1] & 1) != 0 ? ',' : '.';
    const std::string text(reinterpret_cast<const char*>(data) + 2, size - 2);

    const float value = EnterValue(p, text, separator).value;
    Require(std::isfinite(value), "an entered value is finite");
    if (const ElementType* t = FindElementType(p.type)) {
        const double raw = double(value) / double(p.scale);
        Require(raw >= t->min - 0.5 && raw <= t->max + 0.5, "an entered value is in range");
        Require(ParseDecimalFloat(FullText(value, separator), separator) == value,
                "the full text of an entered value reads back as the value");
    }
    if (const auto number = DinoEditor::ParseNumber(text, separator)) {
        const float coefficient = float(*number);
        Require(std::isfinite(coefficient), "an accepted coefficient is a finite float");
        const auto back =
            DinoEditor::ParseNumber(DinoEditor::ValueText(coefficient, separator), separator);
        Require(back && float(*back) == coefficient, "a shown coefficient reads back");
    }
    (void)CellText(value, separator);
}

// Pasted text at any grid cell of any parameter: a rejected paste changes no byte of the
// block, an accepted one only the parameter's own bytes, and every value stays in its
// element type's range.
void FuzzPastedText(const uint8_t* data, size_t size) {
    if (size < 3) {
        return;
    }
    const int par = data[0] % int(kParCount);
    const int col = data[1] % 12;
    const int row = data[2] % 12;
    const std::string text(reinterpret_cast<const char*>(data) + 3, size - 3);

    ConfigBlock block{};
    for (size_t i = 0; i < block.size(); ++i) {
        block[i] = uint8_t(i * 31 + size);
    }
    WorkingValues w;
    LoadWorkingValues(w, block);
    const PastedCells cells = ParsePaste(text);
    PasteCells(w, par, col, row, cells);
    const ConfigBlock after = EditorBlock(block, w);
    const PAR_long& p = w.pars[size_t(par)];
    for (size_t i = 0; i < block.size(); ++i) {
        const bool own = i >= p.data && i < p.data + ByteCount(p);
        Require(block[i] == after[i] || (own && !cells.notANumber),
                "a paste changes only its parameter's bytes, and a rejected one none");
    }
}

// A block loaded from a file and stored again is byte-identical, through the working
// values and through the saved file.
void FuzzConfigFile(const uint8_t* data, size_t size) {
    const std::string path = WriteScratch("block.cfg", data, std::min<size_t>(size, 4096));
    GfgPars pars;
    Require(pars.ReadFile(path), "a readable file loads");
    const ConfigBlock loaded = pars.block();
    Require(std::equal(data, data + std::min(size, loaded.size()), loaded.begin()),
            "the file's bytes are the block's start");
    WorkingValues working;
    LoadWorkingValues(working, loaded);
    ConfigBlock stored = loaded;
    StoreWorkingValues(working, stored);
    Require(stored == loaded, "working values store back to the same block");
    const std::string saved = (Scratch() / "saved.cfg").string();
    Require(pars.WriteFile(saved), "the block saves");
    const std::vector<uint8_t> bytes = ReadBack(saved);
    Require(std::equal(bytes.begin(), bytes.end(), loaded.begin(), loaded.end()),
            "the saved file holds the block");
}

void FuzzDinoFile(const uint8_t* data, size_t size) {
    const std::string path = WriteScratch("dino.cfg", data, std::min<size_t>(size, 256));
    Dino dino;
    const int read = dino.ReadFile(path);
    Require(read == int(std::min<size_t>(size / 4, Dino::kCount)),
            "every whole coefficient is read");
    Require(std::memcmp(dino.Values().data(), data, size_t(read) * 4) == 0,
            "coefficients keep their bits");
    const std::string saved = (Scratch() / "saved_dino.cfg").string();
    Require(dino.WriteFile(saved) == Dino::kCount, "the coefficients save");
    const std::vector<uint8_t> bytes = ReadBack(saved);
    Require(bytes.size() == 32 && std::memcmp(bytes.data(), dino.Values().data(), 32) == 0,
            "the saved file holds the coefficients");
    for (size_t i = 0; i + 4 <= size && i < 64; i += 4) {
        dino.Compute(uint16_t(data[i] | data[i + 1] << 8),
                     uint16_t(data[i + 2] | data[i + 3] << 8));
        (void)dino.Total();
        (void)dino.Aero();
    }
    for (const float f : dino.Values()) {
        (void)DinoEditor::ValueText(f, ',');
    }
}

bool SameValue(float a, float b) {
    return a == b || (std::isnan(a) && std::isnan(b));
}

bool SameLog(const LogData& a, const LogData& b) {
    if (a.failure != b.failure || a.awaitingRecords != b.awaitingRecords ||
        a.seconds != b.seconds || a.problemText() != b.problemText() ||
        a.channels.size() != b.channels.size()) {
        return false;
    }
    for (size_t c = 0; c < a.channels.size(); ++c) {
        if (!std::equal(a.channels[c].begin(), a.channels[c].end(), b.channels[c].begin(),
                        b.channels[c].end(), SameValue)) {
            return false;
        }
    }
    return true;
}

// Any bytes as a data log (after a log header when they have none). Each line is read
// or skipped on its own merits: the records read are, in order, what each line gives
// after the header alone, and a line named as skipped gives nothing to any column.
// Read in pieces, as a file comes in blocks, it reads the same.
void FuzzDataLog(const uint8_t* data, size_t size) {
    std::string text(reinterpret_cast<const char*>(data), std::min<size_t>(size, 1 << 14));
    const LogData raw = ParseDataLog(text);
    Require(SameLog(ParseDataLog(text, 1 + size % 61), raw), "a log read in pieces reads alike");
    if (!raw.failure.empty() && !raw.awaitingRecords) {
        text = LogHeaderText() + "\n" + text;
    }
    const LogData all = ParseDataLog(text);
    Require(all.failure.empty() || all.awaitingRecords, "a log with its header opens");
    const size_t headerEnd = text.find('\n');
    const std::string header = text.substr(0, headerEnd);
    std::vector<bool> kept;
    size_t record = 0;
    for (size_t start = headerEnd + 1; start <= text.size();) {
        const size_t end = std::min(text.find('\n', start), text.size());
        const LogData one = ParseDataLog(header + "\n" + text.substr(start, end - start) + "\n");
        Require(one.records() <= 1, "a line gives at most one record");
        kept.push_back(one.records() == 1);
        if (one.records() == 1) {
            Require(record < all.records() && all.seconds[record] == one.seconds[0],
                    "a readable line is read, in its place");
            for (size_t c = 0; c < all.channels.size(); ++c) {
                Require(all.channels[c].size() == all.records() &&
                            SameValue(all.channels[c][record], one.channels[c][0]),
                        "every column holds the line's own value");
            }
            ++record;
        }
        start = end + 1;
    }
    Require(record == all.records(), "nothing but the lines' records is read");
    for (const LogProblem& p : all.problems) {
        Require(p.line >= 2 && p.line - 2 < kept.size() && !kept[p.line - 2],
                "a line named as skipped gives nothing");
    }
    (void)all.problemText();
}

// Connect answers and frames as the controller's reads, with the data log on, through
// as many ticks as it takes to use them up.
void FuzzLiveFrames(const uint8_t* data, size_t size) {
    FakeSerial::Shared serial;
    ScriptReads(data, size, serial);
    CommDevice port(std::make_unique<FakeSerial>(serial));
    port.open(7);
    MyErrLog log;
    Dino dino;
    DataLog dataLog(log, dino, FixedStamp, Scratch().string());
    SilentView view;
    LiveGrid grid(view);
    PollCycle cycle(port, log, view);
    cycle.addListener(grid);
    cycle.addListener(dataLog);
    cycle.toggleRun();
    dataLog.ToggleDataLog(true);
    for (int tick = 0; tick < 400 && !serial.reads.empty(); ++tick) {
        if (!cycle.runFlag()) {
            cycle.toggleRun();
        }
        cycle.startTick();
        cycle.finishTick();
    }
    const std::string logPath = dataLog.path();
    dataLog.ToggleDataLog(true);
    std::error_code ignored;
    fs::remove(logPath, ignored);
}

// First byte: which request; the rest: the controller's reads.
void FuzzSerialAnswers(const uint8_t* data, size_t size) {
    if (size < 1) {
        return;
    }
    FakeSerial::Shared serial;
    ScriptReads(data + 1, size - 1, serial);
    CommDevice port(std::make_unique<FakeSerial>(serial));
    port.open(7);
    if ((data[0] & 1) == 0) {
        std::string text;
        uint8_t answer[kBoardInfoSize];
        if (requestBoardInfo(port, text, answer)) {
            (void)BoardInfoDateText(answer);
        }
        return;
    }
    GfgPars pars;
    ConfigBlock copy{};
    if (ReadDevice(pars, port, copy)) {
        Require(copy == pars.block(), "the copy is the block read");
        WorkingValues working;
        LoadWorkingValues(working, copy);
        ConfigBlock stored = copy;
        StoreWorkingValues(working, stored);
        Require(stored == copy, "a block read stores back unchanged");
    }
}
