#pragma once

#include "config/config_difference.h"
#include "config/config_transfers.h"
#include "config/gfg_pars.h"
#include "core/dialogs.h"
#include "core/list_sink.h"
#include "link/comm_device.h"

#include <optional>
#include <string>
#include <vector>

// The Config window's comparison: the block the editor's working values stand for
// against a configuration file or the device, the take-over of chosen differences into
// the working values, and the text exports. Nothing here changes the block or sends
// anything; failures go into the window's list.
class ConfigCompare {
  public:
    ConfigCompare(const GfgPars& pars, WorkingValues& working, const ConfigTransfers& transfers,
                  CommDevice& port, Dialogs& dialogs, ListSink& list, char decimalSeparator);

    // Each asks for its source and replaces the result; false when nothing was compared.
    bool CompareWithFile();
    bool CompareWithDevice();
    // Against a block already at hand, such as an entry of the history.
    bool CompareWithBlock(const ConfigBlock& other, const std::string& name);
    // Takes the chosen elements of the compared block over and compares again.
    bool TakeOver(const std::vector<ElementRef>& chosen);
    // The last result, then the whole configuration, as text files.
    bool ExportReport();
    bool ExportConfig();

    // Each take-over becomes one undo step.
    void attach(ConfigUndo* undo) { undo_ = undo; }

    bool hasResult() const { return other_.has_value(); }
    const ConfigDifferences& differences() const { return differences_; }
    // "the device" or the file's path.
    const std::string& otherName() const { return otherName_; }
    // How a file that is not 519 bytes long was compared; empty otherwise.
    const std::string& note() const { return note_; }
    // The last entry this added to the list, for a window that hides the list.
    const std::string& lastEntry() const { return lastEntry_; }

  private:
    void say(const std::string& entry);
    bool canCompare();
    void compareWith(const ConfigBlock& other, const std::string& name, const std::string& note);
    bool exportText(const std::string& preset, const std::string& text);

    const GfgPars& pars_;
    WorkingValues& working_;
    const ConfigTransfers& transfers_;
    CommDevice& port_;
    Dialogs& dialogs_;
    ListSink& list_;
    char sep_;
    ConfigUndo* undo_ = nullptr;
    std::optional<ConfigBlock> other_;
    ConfigDifferences differences_;
    std::string otherName_;
    std::string note_;
    std::string lastEntry_;
};

// How a file of `length` bytes compares, after the rules of Open Config.
std::string FileLengthNote(size_t length);
