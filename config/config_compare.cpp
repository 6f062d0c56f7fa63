#include "config/config_compare.h"

#include "config/config_text.h"
#include "core/file_replace.h"

std::string FileLengthNote(size_t length) {
    const std::string block = std::to_string(kConfigBlockSize);
    if (length < kConfigBlockSize) {
        return "Short file of " + std::to_string(length) +
               " bytes: as Open Config would, it changes only the first " + std::to_string(length) +
               " bytes; the rest compares as in the editor";
    }
    if (length == kConfigBlockSize + 1) {
        return "Long file: only its first " + block + " bytes are compared";
    }
    if (length > kConfigBlockSize) {
        return "Long file of " + std::to_string(length) + " bytes: only its first " + block +
               " bytes are compared";
    }
    return {};
}

ConfigCompare::ConfigCompare(const GfgPars& pars, WorkingValues& working,
                             const ConfigTransfers& transfers, CommDevice& port, Dialogs& dialogs,
                             ListSink& list, char decimalSeparator)
    : pars_(pars), working_(working), transfers_(transfers), port_(port), dialogs_(dialogs),
      list_(list), sep_(decimalSeparator) {}

void ConfigCompare::say(const std::string& entry) {
    list_.addEntry(entry);
    lastEntry_ = entry;
}

bool ConfigCompare::canCompare() {
    if (!transfers_.blockLoaded()) {
        say("Try to read device or open cfg file");
        return false;
    }
    return true;
}

bool ConfigCompare::CompareWithFile() {
    if (!canCompare()) {
        return false;
    }
    const auto path = dialogs_.chooseOpenFile();
    if (!path) {
        return false;
    }
    // What Open Config would make of the file: its bytes over the editor's block.
    ConfigBlock other = EditorBlock(pars_.block(), working_);
    size_t length = 0;
    if (!GfgPars::ReadFileOver(*path, other, &length)) {
        say("Can't open file");
        return false;
    }
    compareWith(other, *path, FileLengthNote(length));
    return true;
}

bool ConfigCompare::CompareWithDevice() {
    if (!canCompare()) {
        return false;
    }
    if (!port_.isOpen()) {
        say("Try to Open Com");
        return false;
    }
    ConfigBlock other{};
    std::string failure;
    if (!FetchDevice(port_, other, failure)) {
        say(ReadFailedText(failure));
        return false;
    }
    compareWith(other, "the device", {});
    return true;
}

void ConfigCompare::compareWith(const ConfigBlock& other, const std::string& name,
                                const std::string& note) {
    other_ = other;
    otherName_ = name;
    note_ = note;
    differences_ = CompareBlocks(EditorBlock(pars_.block(), working_), other, sep_);
    say("Compared with " + name + ": " + DifferenceSummary(differences_));
}

bool ConfigCompare::TakeOver(const std::vector<ElementRef>& chosen) {
    const UndoStep before =
        undo_ != nullptr ? undo_->capture(chosen.empty() ? -1 : chosen.front().par) : UndoStep{};
    if (!other_ || chosen.empty() || !::TakeOver(working_, *other_, chosen)) {
        return false;
    }
    if (undo_ != nullptr) {
        undo_->commit(before);
    }
    say("Took over " + std::to_string(chosen.size()) + (chosen.size() == 1 ? " value" : " values") +
        " from " + otherName_);
    differences_ = CompareBlocks(EditorBlock(pars_.block(), working_), *other_, sep_);
    return true;
}

bool ConfigCompare::CompareWithBlock(const ConfigBlock& other, const std::string& name) {
    if (!canCompare()) {
        return false;
    }
    compareWith(other, name, {});
    return true;
}

bool ConfigCompare::exportText(const std::string& preset, const std::string& text) {
    const auto path = dialogs_.chooseSaveFile(preset);
    if (!path) {
        return false;
    }
    if (!ReplaceFile(*path, text.data(), text.size())) {
        say("Can't save file");
        return false;
    }
    say("Exported " + *path);
    list_.scrollDown(1);
    return true;
}

bool ConfigCompare::ExportReport() {
    if (!other_) {
        return false;
    }
    return exportText("differences.txt", DifferenceText(differences_, otherName_, note_));
}

bool ConfigCompare::ExportConfig() {
    if (!canCompare()) {
        return false;
    }
    const std::string& name = transfers_.fileName();
    return exportText(name.empty() ? "config.txt" : name + ".txt",
                      ConfigText(EditorBlock(pars_.block(), working_), sep_));
}
