#include "cli/commands.h"

#include "config/config_compare.h"
#include "config/config_history.h"
#include "config/config_text.h"
#include "config/config_transfers.h"
#include "config/gfg_pars.h"
#include "core/file_replace.h"
#include "link/device_commands.h"

#include <ctime>

namespace {

constexpr const char* kDeviceSource = "device";
// Texts the editor shows; the command line writes files a script reads back.
constexpr char kDecimalSeparator = '.';

// The controller, opened the first time a command needs it.
class Device {
  public:
    Device(const CliIo& io, const PortChoice& choice) : io_(io), choice_(choice) {
        log_.attach(&messages_);
    }
    ~Device() {
        if (port_.isOpen()) {
            port_.close();
        }
    }
    Device(const Device&) = delete;
    Device& operator=(const Device&) = delete;

    // The device's block into `block`; on failure the message is out and the code set.
    bool fetch(ConfigBlock& block, ExitCode& failure) {
        if (!open(failure)) {
            return false;
        }
        std::string why;
        if (!FetchDevice(port_, block, why)) {
            io_.err << ReadFailedText(why) << '\n';
            failure = ExitCode::NoAnswer;
            return false;
        }
        return true;
    }
    bool open(ExitCode& failure) {
        if (!port_.isOpen() && !OpenChosenPort(port_, log_, choice_)) {
            failure = ExitCode::NoPort;
            return false;
        }
        return true;
    }
    CommDevice& port() { return port_; }

  private:
    const CliIo& io_;
    PortChoice choice_;
    StreamListSink messages_{io_.err};
    MyErrLog log_;
    CommDevice port_;
};

void KeepInHistory(const CliIo& io, const ConfigBlock& block, HistoryKind kind) {
    const ConfigHistory history(kHistoryFolder);
    // As in the window: the history is a convenience that never stops a transfer.
    if (!history.keep(block, kind, std::time(nullptr))) {
        io.err << "History not kept: can't write to " << history.folder() << '\n';
    }
}

// A source of a block: the device, or a file laid over `block` as Open Config lays it.
// `note` says how a file that is not one block long was taken.
bool LoadSource(const CliIo& io, Device& device, const std::string& source, ConfigBlock& block,
                std::string& note, ExitCode& failure) {
    if (source == kDeviceSource) {
        return device.fetch(block, failure);
    }
    size_t length = 0;
    if (!GfgPars::ReadFileOver(source, block, &length)) {
        io.err << "Can't open file " << source << '\n';
        failure = ExitCode::FileTrouble;
        return false;
    }
    note = FileLengthNote(length);
    return true;
}

void PrintDiffJson(std::ostream& out, const ConfigDifferences& differences, const std::string& a,
                   const std::string& b, const std::string& note) {
    out << "{\"a\":" << JsonString(a) << ",\"b\":" << JsonString(b)
        << ",\"note\":" << JsonString(note)
        << ",\"equal\":" << (differences.empty() ? "true" : "false")
        << ",\"summary\":" << JsonString(DifferenceSummary(differences)) << ",\"differences\":[";
    bool first = true;
    for (const ParameterDifference& d : differences.parameters) {
        const std::string heading = DifferenceHeading(d);
        for (const ElementDifference& e : d.elements) {
            out << (first ? "" : ",") << "{\"parameter\":" << JsonString(heading)
                << ",\"place\":" << JsonString(e.place) << ",\"a\":" << JsonString(e.mine)
                << ",\"b\":" << JsonString(e.theirs) << "}";
            first = false;
        }
    }
    out << "]}\n";
}

} // namespace

ExitCode RunConfigRead(const CliIo& io, const PortChoice& choice, const std::string& file) {
    Device device(io, choice);
    GfgPars pars;
    ExitCode failure = ExitCode::Ok;
    if (!device.fetch(pars.block(), failure)) {
        return failure;
    }
    io.err << "Read OK\n";
    KeepInHistory(io, pars.block(), HistoryKind::Read);
    if (!pars.WriteFile(file)) {
        io.err << "Can't save file " << file << '\n';
        return ExitCode::FileTrouble;
    }
    return ExitCode::Ok;
}

ExitCode RunConfigWrite(const CliIo& io, const PortChoice& choice, const std::string& file,
                        bool likeOpen) {
    GfgPars pars;
    size_t length = 0;
    if (!GfgPars::ReadFileOver(file, pars.block(), &length)) {
        io.err << "Can't open file " << file << '\n';
        return ExitCode::FileTrouble;
    }
    if (length != kConfigBlockSize && !likeOpen) {
        io.err << file << " has " << length << " bytes, not " << kConfigBlockSize
               << "; --like-open takes it as Open Config would\n";
        return ExitCode::FileTrouble;
    }
    Device device(io, choice);
    ExitCode failure = ExitCode::Ok;
    if (!device.open(failure)) {
        return failure;
    }
    if (length < kConfigBlockSize) {
        // Never over zeros: what the file leaves out stays as the device has it.
        if (!device.fetch(pars.block(), failure) || !GfgPars::ReadFileOver(file, pars.block())) {
            return failure == ExitCode::Ok ? ExitCode::FileTrouble : failure;
        }
        io.err << "Short file of " << length
               << " bytes: laid over the block read from the device\n";
    } else if (length > kConfigBlockSize) {
        io.err << "Long file: only its first " << kConfigBlockSize << " bytes are written\n";
    }
    if (!WriteDevice(pars, device.port())) {
        io.err << "Write Device failed: ERR = " << device.port().lastError() << '\n';
        return ExitCode::NoAnswer;
    }
    io.err << "Write Ok\n";
    KeepInHistory(io, pars.block(), HistoryKind::Write);
    return ExitCode::Ok;
}

ExitCode RunConfigDiff(const CliIo& io, const PortChoice& choice, const std::string& a,
                       const std::string& b, bool json) {
    Device device(io, choice);
    ConfigBlock mine{};
    std::string noteA;
    ExitCode failure = ExitCode::Ok;
    if (!LoadSource(io, device, a, mine, noteA, failure)) {
        return ExitCode::Usage; // any trouble is 2, as diff(1) has it
    }
    if (!noteA.empty()) {
        io.err << a << ": " << noteA << '\n';
    }
    // As the Compare dialog lays a file over the editor's block.
    ConfigBlock theirs = mine;
    std::string note;
    if (!LoadSource(io, device, b, theirs, note, failure)) {
        return ExitCode::Usage;
    }
    const std::string nameB = b == kDeviceSource ? "the device" : b;
    const ConfigDifferences differences = CompareBlocks(mine, theirs, kDecimalSeparator);
    if (json) {
        PrintDiffJson(io.out, differences, a, b, note);
    } else {
        io.out << DifferenceText(differences, nameB, note);
    }
    return differences.empty() ? ExitCode::Ok : ExitCode::Differ;
}

ExitCode RunConfigExport(const CliIo& io, const PortChoice& choice, const std::string& source,
                         const std::string& outFile) {
    Device device(io, choice);
    ConfigBlock block{};
    std::string note;
    ExitCode failure = ExitCode::Ok;
    if (!LoadSource(io, device, source, block, note, failure)) {
        return failure;
    }
    if (!note.empty()) {
        io.err << source << ": " << note << '\n';
    }
    const std::string text = ConfigText(block, kDecimalSeparator);
    if (outFile == "-") {
        io.out << text;
    } else if (!ReplaceFile(outFile, text.data(), text.size())) {
        io.err << "Can't save file " << outFile << '\n';
        return ExitCode::FileTrouble;
    }
    return ExitCode::Ok;
}
