#include "monitor/log_reader.h"

#include "core/file_system.h"
#include "monitor/log_layout.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <future>
#include <limits>
#include <memory>
#include <optional>

namespace {

constexpr float kMissing = std::numeric_limits<float>::quiet_NaN();
// Line numbers listed per kind of problem before the rest is only counted.
constexpr size_t kListedLines = 8;
// Small enough to stay in the cache while its lines are parsed.
constexpr size_t kReadBlockBytes = 1 << 18;

// The tab-ended fields of one line, and what trails the last tab (empty unless cut).
struct Fields {
    std::vector<std::string_view> complete;
    std::string_view rest;
};

void SplitFields(std::string_view line, Fields& out) {
    out.complete.clear();
    size_t start = 0;
    for (size_t tab = line.find(kLogFieldEnd); tab != std::string_view::npos;
         tab = line.find(kLogFieldEnd, start)) {
        out.complete.push_back(line.substr(start, tab - start));
        start = tab + 1;
    }
    out.rest = line.substr(start);
}

// A record line read in one pass: hours of a log are millions of fields, so each
// number is taken as its digits go by rather than split out and parsed again.
struct RecordScan {
    size_t fields = 0;    // tab-ended fields, also those past the known columns
    bool cut = false;     // something trails the last tab
    bool readable = true; // every field up to the known columns is a number
    std::array<long long, kLogColumnCount> values{};
};

// Numbers of up to this many digits fit a long long; longer ones have their range checked.
constexpr ptrdiff_t kUncheckedDigits = 18;

// Whether the digits from `first` to `last` are a magnitude a long long holds (2^63
// when negative).
bool FitsLongLong(const char* first, const char* last, bool negative) {
    unsigned long long magnitude = 0;
    for (const char* p = first; p < last; ++p) {
        if (__builtin_mul_overflow(magnitude, 10ULL, &magnitude) ||
            __builtin_add_overflow(magnitude, static_cast<unsigned>(*p - '0'), &magnitude)) {
            return false;
        }
    }
    return magnitude <= (negative ? 1ULL << 63 : (1ULL << 63) - 1);
}

void ScanRecord(std::string_view line, RecordScan& out) {
    size_t fields = 0;
    bool readable = true;
    // Every field ends with a tab, so a line whose last byte is not one is cut; in one
    // whose last byte is, every run of digits ends inside it, and the loop over them
    // needs no check for the end of the line: a third of the time a long log takes.
    out.cut = !line.empty() && line.back() != kLogFieldEnd;
    const char* p = line.data();
    const char* const end = out.cut ? p : p + line.size();
    while (p < end) {
        const bool negative = *p == '-';
        const char* const digits = p + (negative ? 1 : 0);
        p = digits;
        // Wraps for a number too long to fit, which the range check then rejects.
        unsigned long long magnitude = 0;
        for (; static_cast<unsigned char>(*p - '0') < 10; ++p) {
            magnitude = magnitude * 10 + static_cast<unsigned>(*p - '0');
        }
        const bool number = p != digits && *p == kLogFieldEnd &&
                            (p - digits <= kUncheckedDigits || FitsLongLong(digits, p, negative));
        if (*p != kLogFieldEnd) {
            p = static_cast<const char*>(
                std::memchr(p, kLogFieldEnd, static_cast<size_t>(end - p)));
        }
        if (fields < kLogColumnCount) {
            readable = readable && number;
            // Two's complement: the magnitude 2^63 of the lowest value wraps to itself.
            out.values[fields] = negative ? static_cast<long long>(0ULL - magnitude)
                                          : static_cast<long long>(magnitude);
        }
        ++fields;
        ++p;
    }
    out.fields = fields;
    out.readable = readable;
}

// A log copied through a Windows machine ends its lines with CR LF.
std::string_view WithoutCarriageReturn(std::string_view line) {
    if (!line.empty() && line.back() == '\r') {
        line.remove_suffix(1);
    }
    return line;
}

bool IsLogHeader(std::string_view line) {
    Fields fields;
    SplitFields(WithoutCarriageReturn(line), fields);
    const auto& columns = LogColumnNames();
    if (fields.complete.size() < columns.size()) {
        return false;
    }
    for (size_t i = 0; i < columns.size(); ++i) {
        if (fields.complete[i] != columns[i]) {
            return false;
        }
    }
    return true;
}

// The shortest line a record can be: a word record alone, each field one digit.
constexpr size_t kShortestRecordBytes = 2 * kLogWordRecordFields;

// The most records `bytes` of text holding `lineBreaks` line breaks can give.
size_t MostRecords(size_t lineBreaks, size_t bytes) {
    return std::min(lineBreaks + 1, bytes / kShortestRecordBytes + 1);
}

// Growing, their new values are left unset: each is first touched by the thread that
// writes it.
void SizeColumns(LogData& data, size_t records) {
    data.seconds.resize(records);
    for (auto& channel : data.channels) {
        channel.resize(records);
    }
}

// The records of a stretch of a log's lines, written into columns sized beforehand
// from `first` on: two stretches of one log are read side by side into the same columns.
class Parser {
  public:
    Parser(LogData& data, size_t first, size_t end) : data_(data), next_(first), end_(end) {}

    // A line named as skipped adds nothing to any column, so what the message says
    // and what a chart, a pull or an export shows cannot disagree. The last line is
    // the one a running log is still writing: left out while unfinished, unreported.
    void record(std::string_view line, size_t number, bool last) {
        ScanRecord(line, scan_);
        if (last && line.empty()) {
            return; // a line break at the very end, as an editor leaves it
        }
        // A word record alone is what the writer leaves when a byte frame failed.
        const size_t n = scan_.fields;
        const bool whole = n == kLogWordRecordFields || n >= kLogColumnCount;
        if (scan_.cut || !whole) {
            if (!last) {
                report(number,
                       scan_.cut ? LogProblem::Kind::CutOff : LogProblem::Kind::TooFewFields);
            }
            return;
        }
        const size_t present = std::min(n, kLogColumnCount);
        if (!scan_.readable || scan_.values[0] < 0) {
            report(number, LogProblem::Kind::NotANumber);
            return;
        }
        // The columns hold what the lines counted beforehand can give; only a file
        // rewritten in between can give more.
        if (next_ == end_) {
            overrun_ = true;
            return;
        }
        const size_t at = next_++;
        data_.seconds[at] = static_cast<double>(scan_.values[0]) / kLogTimesPerSecond;
        for (size_t c = 1; c < present; ++c) {
            data_.channels[c - 1][at] = static_cast<float>(scan_.values[c]);
        }
        for (size_t c = present; c < kLogColumnCount; ++c) {
            data_.channels[c - 1][at] = kMissing;
        }
    }

    size_t next() const { return next_; }
    bool overrun() const { return overrun_; }
    std::vector<LogProblem>& problems() { return problems_; }

  private:
    void report(size_t line, LogProblem::Kind kind) { problems_.push_back({line, kind}); }

    LogData& data_;
    RecordScan scan_;
    size_t next_;
    size_t end_;
    bool overrun_ = false;
    std::vector<LogProblem> problems_;
};

// A stretch of a log's text taken line by line as it arrives, in pieces of any size (a
// file read in blocks): a line a piece cuts waits for the rest of it in the next piece.
class LogText {
  public:
    LogText(LogData& data, size_t first, size_t end) : parser_(data, first, end) {}

    // Taken as the text after the header line, which counts as line 1.
    void afterHeader() { number_ = 1; }

    void feed(std::string_view piece) {
        for (size_t end = piece.find(kLogLineStart); end != std::string_view::npos;
             end = piece.find(kLogLineStart)) {
            if (pending_.empty()) {
                line(piece.substr(0, end), false);
            } else {
                pending_.append(piece.substr(0, end));
                line(pending_, false);
                pending_.clear();
            }
            piece.remove_prefix(end + 1);
        }
        pending_.append(piece);
    }

    // What follows the last line break is the last line, perhaps still being written.
    void lastLine() {
        line(pending_, true);
        pending_.clear();
    }

    Parser& parser() { return parser_; }
    size_t lines() const { return number_; }
    bool failed() const { return failed_; }

  private:
    void line(std::string_view text, bool last) {
        if (failed_) {
            return;
        }
        if (++number_ > 1) {
            parser_.record(WithoutCarriageReturn(text), number_, last);
        } else if (!IsLogHeader(text)) {
            failed_ = true;
        }
    }

    Parser parser_;
    std::string pending_;
    size_t number_ = 0; // lines taken, the header included
    bool failed_ = false;
};

// A stretch of a log file's lines, from byte `from` up to `to`, and what reading it gave.
struct Stretch {
    Stretch(size_t from, size_t to) : from(from), to(to) {}

    size_t from;
    size_t to;
    size_t most = 0;  // the records its lines can give at most
    size_t first = 0; // where its records go in the columns
    size_t records = 0;
    size_t lines = 0;
    std::vector<LogProblem> problems;
    bool read = false;
    bool notALog = false;
    bool overrun = false;

    void take(LogText& text) {
        records = text.parser().next() - first;
        lines = text.lines();
        problems = std::move(text.parser().problems());
        notALog = text.failed();
        overrun = text.parser().overrun();
    }
};

// The log that the stretches read into `data` give: the records of each moved up
// against those before it (the lines a stretch skipped leave a gap), the problems
// numbered as lines of the whole file.
void Join(LogData& data, std::vector<Stretch>& stretches) {
    size_t records = 0;
    size_t linesBefore = 0; // each stretch after the first counts the header as its line 1
    for (Stretch& s : stretches) {
        if (s.first != records) {
            auto moveUp = [&s, records](auto& column) {
                std::copy_n(column.begin() + static_cast<ptrdiff_t>(s.first), s.records,
                            column.begin() + static_cast<ptrdiff_t>(records));
            };
            moveUp(data.seconds);
            for (auto& channel : data.channels) {
                moveUp(channel);
            }
        }
        records += s.records;
        for (const LogProblem& p : s.problems) {
            data.problems.push_back({p.line + linesBefore, p.kind});
        }
        linesBefore += std::max<size_t>(s.lines, 1) - 1;
    }
    SizeColumns(data, records);
}

// What is known once the text is read: why nothing could be, or that nothing has yet.
void Conclude(LogData& data, bool empty, bool notALog) {
    if (empty) {
        data = LogData();
        data.failure = "The file is empty.";
    } else if (notALog) {
        data.failure = "This is not a KORVEX data log: its first line is not the log header.";
    } else if (data.records() == 0 && data.problems.empty()) {
        data.failure = "The log holds no records yet.";
        data.awaitingRecords = true;
    }
}

LogData NamedColumns() {
    LogData data;
    const auto& columns = LogColumnNames();
    data.names.assign(columns.begin() + 1, columns.end());
    data.channels.resize(data.names.size());
    return data;
}

// A block of the file as read. Aligned to a cache line: the system copies into a buffer
// that starts 16 bytes past one, as a fresh allocation does, four times slower here.
struct alignas(64) ReadBlock {
    std::array<char, kReadBlockBytes> bytes;

    static std::unique_ptr<ReadBlock> Make() { return std::make_unique_for_overwrite<ReadBlock>(); }
    size_t size() const { return bytes.size(); }
    char* data() { return bytes.data(); }
};

// Hands `use` the file from byte `from` on in blocks, `limit` bytes at most; how many
// it handed, or nothing when the file could not be read.
template <typename Use>
std::optional<size_t> EachBlock(const std::string& path, size_t from, size_t limit, Use use) {
    std::ifstream in(PathFromText(path), std::ios::binary);
    in.seekg(static_cast<std::streamoff>(from));
    if (!in) {
        return std::nullopt;
    }
    const auto block = ReadBlock::Make();
    size_t bytes = 0;
    while (bytes < limit) {
        in.read(block->data(),
                static_cast<std::streamsize>(std::min(block->size(), limit - bytes)));
        const auto got = static_cast<size_t>(in.gcount());
        if (got == 0) {
            break;
        }
        use(std::string_view(block->data(), got));
        bytes += got;
    }
    return in.bad() ? std::nullopt : std::optional<size_t>(bytes);
}

size_t LineBreaksIn(std::string_view text) {
    size_t breaks = 0;
    // One search per line is several times quicker than looking at each byte.
    for (size_t at = text.find(kLogLineStart); at != std::string_view::npos;
         at = text.find(kLogLineStart, at + 1)) {
        ++breaks;
    }
    return breaks;
}

// Counts the stretch's line breaks to learn the records it can give. A log being
// written grows meanwhile: the stretch ends where the counting stopped, so that its
// reading sees the same lines.
void CountStretch(const std::string& path, Stretch& s) {
    size_t breaks = 0;
    const auto bytes = EachBlock(path, s.from, s.to - s.from, [&breaks](std::string_view block) {
        breaks += LineBreaksIn(block);
    });
    s.read = bytes.has_value();
    s.to = s.from + bytes.value_or(0);
    s.most = MostRecords(breaks, bytes.value_or(0));
}

void ReadStretch(const std::string& path, LogData& data, Stretch& s, bool endsTheFile) {
    LogText text(data, s.first, s.first + s.most);
    if (s.from > 0) {
        text.afterHeader();
    }
    s.read = s.read && EachBlock(path, s.from, s.to - s.from,
                                 [&text](std::string_view block) { text.feed(block); });
    if (endsTheFile) {
        text.lastLine();
    }
    s.take(text);
}

// The offset of the first line break at or after `from`, or npos; `in` is rewound.
size_t LineBreakFrom(std::istream& in, size_t from) {
    size_t at = std::string_view::npos;
    in.seekg(static_cast<std::streamoff>(from));
    std::array<char, 4096> block{};
    while (at == std::string_view::npos &&
           (in.read(block.data(), block.size()) || in.gcount() > 0)) {
        const std::string_view piece(block.data(), static_cast<size_t>(in.gcount()));
        if (const size_t end = piece.find(kLogLineStart); end != std::string_view::npos) {
            at = from + end;
        }
        from += piece.size();
    }
    in.clear();
    in.seekg(0);
    return at;
}

// Whether the file starts with a log header, looked for in its first block only: the
// header is a few hundred bytes, and its columns are sized only once it is found.
bool StartsWithHeader(std::istream& in) {
    std::array<char, 4096> block{};
    in.read(block.data(), block.size());
    const std::string_view start(block.data(), static_cast<size_t>(in.gcount()));
    in.clear();
    in.seekg(0);
    return IsLogHeader(start.substr(0, start.find(kLogLineStart)));
}

// Below this a second thread costs more than it saves.
constexpr size_t kHalvedFrom = size_t{1} << 20;

// The file's stretches: a long log's second half, from a line break on, is read on a
// second thread.
std::vector<Stretch> Stretches(std::istream& in, size_t size, bool header) {
    const size_t split =
        !header || size < kHalvedFrom ? std::string_view::npos : LineBreakFrom(in, size / 2);
    if (split == std::string_view::npos) {
        return {Stretch(0, std::string_view::npos)};
    }
    return {Stretch(0, split + 1), Stretch(split + 1, std::string_view::npos)};
}

// Does `work` for each stretch, the last on a second thread when there are two.
template <typename Work> void EachStretch(std::vector<Stretch>& stretches, Work work) {
    std::future<void> last;
    if (stretches.size() > 1) {
        last =
            std::async(std::launch::async | std::launch::deferred, [&] { work(stretches.back()); });
    }
    work(stretches.front());
    if (last.valid()) {
        last.get();
    }
}

const char* KindText(LogProblem::Kind kind) {
    switch (kind) {
    case LogProblem::Kind::TooFewFields:
        return "too few fields";
    case LogProblem::Kind::NotANumber:
        return "text in a number field";
    case LogProblem::Kind::CutOff:
        return "cut off";
    }
    return "";
}

} // namespace

LogData ParseDataLog(std::string_view text) {
    return ParseDataLog(text, text.size());
}

LogData ParseDataLog(std::string_view text, size_t pieceBytes) {
    LogData data = NamedColumns();
    const size_t most = MostRecords(LineBreaksIn(text), text.size());
    if (IsLogHeader(text.substr(0, text.find(kLogLineStart)))) {
        SizeColumns(data, most);
    }
    LogText reader(data, 0, data.records());
    const size_t step = std::max<size_t>(pieceBytes, 1);
    for (size_t at = 0; at < text.size(); at += step) {
        reader.feed(text.substr(at, step));
    }
    reader.lastLine();
    std::vector<Stretch> whole{Stretch(0, text.size())};
    whole[0].take(reader);
    Join(data, whole);
    Conclude(data, text.empty(), reader.failed());
    return data;
}

LogData ReadDataLog(const std::string& path) {
    std::ifstream in(PathFromText(path), std::ios::binary);
    if (!in) {
        LogData data;
        data.failure = "Can't open " + path + ": " + std::strerror(errno);
        return data;
    }
    std::error_code unknown;
    const auto found = std::filesystem::file_size(PathFromText(path), unknown);
    const bool header = StartsWithHeader(in);
    std::vector<Stretch> stretches =
        Stretches(in, unknown ? 0 : static_cast<size_t>(found), header);
    // Each stretch is read twice, in blocks parsed while they are still in the cache
    // (the whole text is never held at once): first its line breaks are counted, so that
    // the columns are sized once and each stretch writes its records into their place.
    EachStretch(stretches, [&path](Stretch& s) { CountStretch(path, s); });
    LogData data = NamedColumns();
    if (header) {
        size_t most = 0;
        for (Stretch& s : stretches) {
            s.first = most;
            most += s.most;
        }
        SizeColumns(data, most);
    }
    EachStretch(stretches,
                [&](Stretch& s) { ReadStretch(path, data, s, &s == &stretches.back()); });
    const bool overrun =
        std::any_of(stretches.begin(), stretches.end(), [](const Stretch& s) { return s.overrun; });
    if (overrun ||
        !std::all_of(stretches.begin(), stretches.end(), [](const Stretch& s) { return s.read; })) {
        LogData failed;
        failed.failure = "Can't read " + path + (overrun ? ": it changed while it was read" : "");
        return failed;
    }
    Join(data, stretches);
    Conclude(data, stretches.back().to == 0, stretches.front().notALog);
    return data;
}

std::string LogData::problemText() const {
    if (problems.empty()) {
        return {};
    }
    std::string text = "Not everything could be read; skipped: ";
    bool firstKind = true;
    for (auto kind :
         {LogProblem::Kind::TooFewFields, LogProblem::Kind::NotANumber, LogProblem::Kind::CutOff}) {
        std::string lines;
        size_t count = 0;
        for (const LogProblem& p : problems) {
            if (p.kind != kind) {
                continue;
            }
            if (++count <= kListedLines) {
                lines += (count > 1 ? ", " : "") + std::to_string(p.line);
            }
        }
        if (count == 0) {
            continue;
        }
        if (count > kListedLines) {
            lines += " and " + std::to_string(count - kListedLines) + " more";
        }
        text += std::string(firstKind ? "" : "; ") + (count > 1 ? "lines " : "line ") + lines +
                " (" + KindText(kind) + ")";
        firstKind = false;
    }
    return text + ".";
}

PullSamples PullFromLog(const LogData& data, double fromSeconds, double toSeconds) {
    PullSamples pull;
    auto column = [&data](const char* name) -> const LogColumn<float>* {
        const auto at = std::find(data.names.begin(), data.names.end(), name);
        return at == data.names.end() ? nullptr : &data.channels[at - data.names.begin()];
    };
    const auto* speed = column(kWordPars[kSpeedWord].name);
    const auto* total = column(kDinoTotalName);
    const auto* aero = column(kDinoAeroName);
    if (speed == nullptr || total == nullptr || aero == nullptr) {
        return pull;
    }
    for (size_t i = 0; i < data.records(); ++i) {
        if (data.seconds[i] >= fromSeconds && data.seconds[i] <= toSeconds) {
            pull.speed.push_back((*speed)[i]);
            pull.total.push_back((*total)[i]);
            pull.aero.push_back((*aero)[i]);
        }
    }
    return pull;
}
