#include "config/config_transfers.h"

#include "config/value_codec.h"
#include "link/device_commands.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <ctime>

bool FetchDevice(CommDevice& port, ConfigBlock& dest, std::string& failure) {
    ConfigBlock staging{};
    size_t received = 0;
    if (requestAnswer(port, Cmd::ReadConfig, staging.size(), staging.data(), &received)) {
        dest = staging;
        return true;
    }
    if (!port.isOpen()) {
        failure = "port closed";
    } else if (received == 0) {
        failure = "no answer";
    } else {
        failure = "short answer, " + std::to_string(received) + " of " +
                  std::to_string(staging.size()) + " bytes";
    }
    return false;
}

bool ReadDevice(GfgPars& pars, CommDevice& port, ConfigBlock& copy, std::string* failure) {
    ConfigBlock staging{};
    std::string why;
    if (!FetchDevice(port, staging, why)) {
        if (failure != nullptr) {
            *failure = why;
        }
        return false;
    }
    pars.block() = staging;
    copy = staging;
    return true;
}

bool WriteDevice(const GfgPars& pars, CommDevice& port) {
    std::array<uint8_t, kConfigBlockSize + 1> frame{};
    frame[0] = Cmd::WriteConfig;
    std::copy(pars.block().begin(), pars.block().end(), frame.begin() + 1);
    return port.write(frame.data(), uint32_t(frame.size()));
}

std::string ReadFailedText(const std::string& failure) {
    return "Read Device failed: " + failure;
}

ConfigTransfers::ConfigTransfers(GfgPars& pars, WorkingValues& working, CommDevice& port,
                                 Dialogs& dialogs, ListSink& list,
                                 std::function<void(bool)> refreshGrid)
    : pars_(pars), working_(working), port_(port), dialogs_(dialogs), list_(list),
      refreshGrid_(std::move(refreshGrid)) {}

void ConfigTransfers::loaded(const UndoStep& before) {
    LoadWorkingValues(working_, pars_.block());
    if (undo_ != nullptr) {
        undo_->commit(before);
    }
}

void ConfigTransfers::transferred(HistoryKind kind) {
    if (undo_ != nullptr) {
        undo_->markClean();
    }
    // The history is a convenience: a folder that cannot take it must not stop a transfer.
    if (history_ != nullptr && !history_->keep(pars_.block(), kind, std::time(nullptr))) {
        list_.addEntry("History not kept: can't write to " + history_->folder());
    }
}

void ConfigTransfers::readDevice() {
    if (!port_.isOpen()) {
        list_.addEntry("Try to Open Com");
        return;
    }
    const UndoStep before = undo_ != nullptr ? undo_->capture(-1) : UndoStep{};
    ConfigBlock copy{};
    std::string failure;
    const bool ok = ReadDevice(pars_, port_, copy, &failure);
    if (ok) {
        for (size_t i = 0; i < copy.size(); ++i) {
            list_.addEntry("#" + std::to_string(i) + " " + std::to_string(unsigned(copy[i])));
        }
        list_.addEntry("Read OK");
        list_.scrollDown(int(copy.size()));
        loaded(before);
        transferred(HistoryKind::Read);
    } else {
        list_.addEntry(ReadFailedText(failure));
    }
    if (refreshGrid_) {
        refreshGrid_(ok);
    }
}

void ConfigTransfers::writeDevice() {
    if (!blockLoaded()) {
        list_.addEntry("Try to read device or open cfg file");
        return;
    }
    if (!port_.isOpen()) {
        list_.addEntry("Try to Open Com");
        return;
    }
    StoreWorkingValues(working_, pars_.block());
    if (WriteDevice(pars_, port_)) {
        list_.addEntry("Write Ok");
        transferred(HistoryKind::Write);
    } else {
        // Read right after the failure, before anything else touches the port.
        list_.addEntry("Write Device failed: ERR = " + std::to_string(port_.lastError()));
    }
}

void ConfigTransfers::openConfig() {
    bool ok = false;
    const auto path = dialogs_.chooseOpenFile();
    if (!path) {
        list_.addEntry("Can't open file");
    } else {
        fileName_ = *path;
        const UndoStep before = undo_ != nullptr ? undo_->capture(-1) : UndoStep{};
        ok = pars_.ReadFile(*path);
        if (ok) {
            list_.addEntry(*path);
            list_.scrollDown(1);
            loaded(before);
            transferred(HistoryKind::Open);
        } else {
            list_.addEntry("Can't open file");
        }
    }
    list_.addEntry("");
    if (refreshGrid_) {
        refreshGrid_(ok);
    }
}

bool ConfigTransfers::restore(const std::string& path) {
    ConfigBlock block{};
    size_t length = 0;
    if (!GfgPars::ReadFileOver(path, block, &length) || length != kConfigBlockSize) {
        list_.addEntry("Can't open file");
        return false;
    }
    const UndoStep before = undo_ != nullptr ? undo_->capture(-1) : UndoStep{};
    pars_.block() = block;
    list_.addEntry("Restored " + path);
    list_.scrollDown(1);
    loaded(before);
    if (refreshGrid_) {
        refreshGrid_(true);
    }
    return true;
}

void ConfigTransfers::saveConfig() {
    if (!blockLoaded()) {
        list_.addEntry("Try to read device or open cfg file");
        return;
    }
    const auto path = dialogs_.chooseSaveFile(fileName_);
    if (!path) {
        list_.addEntry("Can't Execute SaveDialog");
        return;
    }
    StoreWorkingValues(working_, pars_.block());
    fileName_ = *path;
    if (pars_.WriteFile(*path)) {
        list_.addEntry(*path);
        list_.scrollDown(1);
        transferred(HistoryKind::Save);
    } else {
        list_.addEntry("Can't save file");
    }
}
