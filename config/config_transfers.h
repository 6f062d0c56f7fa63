#pragma once

#include "config/catalogue.h"
#include "config/config_history.h"
#include "config/config_undo.h"
#include "config/gfg_pars.h"
#include "core/dialogs.h"
#include "core/list_sink.h"
#include "link/comm_device.h"

#include <functional>
#include <string>

// "7" and the 519-byte answer into `dest` alone. Gives up as collectAnswer does, and then
// changes nothing; `failure` is then "port closed", "no answer" or
// "short answer, N of 519 bytes".
bool FetchDevice(CommDevice& port, ConfigBlock& dest, std::string& failure);
// The same read; on success the block of `pars` and `copy` hold the answer.
bool ReadDevice(GfgPars& pars, CommDevice& port, ConfigBlock& copy, std::string* failure = nullptr);
// One write of "8" followed by the block; true when all 520 bytes went out.
bool WriteDevice(const GfgPars& pars, CommDevice& port);

// The list entry of a device read that gave up.
std::string ReadFailedText(const std::string& failure);

// The Config window's File menu: moves blocks between the working values, the
// controller and files, and reports into the window's own list. `refreshGrid` runs
// after every read and open that got as far as the transfer; its argument says whether
// a new block was loaded.
class ConfigTransfers {
  public:
    ConfigTransfers(GfgPars& pars, WorkingValues& working, CommDevice& port, Dialogs& dialogs,
                    ListSink& list, std::function<void(bool newBlock)> refreshGrid);

    void readDevice();
    void writeDevice();
    void openConfig();
    void saveConfig();

    // Every loaded block becomes an undo step and every transferred block an entry of the
    // history; either may be left out.
    void attach(ConfigUndo* undo, const ConfigHistory* history) {
        undo_ = undo;
        history_ = history;
    }

    // A kept block (an entry of the history) into the working values, as one undo step;
    // nothing goes to the device. False, changing nothing, for a file that is no block.
    bool restore(const std::string& path);

    bool blockLoaded() const { return working_.pars.front().values.has_value(); }
    const std::string& fileName() const { return fileName_; }

  private:
    void loaded(const UndoStep& before);
    // The block went to or came from the device or a file.
    void transferred(HistoryKind kind);

    GfgPars& pars_;
    WorkingValues& working_;
    CommDevice& port_;
    Dialogs& dialogs_;
    ListSink& list_;
    std::function<void(bool)> refreshGrid_;
    ConfigUndo* undo_ = nullptr;
    const ConfigHistory* history_ = nullptr;
    std::string fileName_;
};
