#include "config/gfg_pars.h"

#include "config/value_codec.h"
#include "core/file_replace.h"
#include "core/file_system.h"
#include "link/device_commands.h"

#include <algorithm>
#include <cstdio>

bool GfgPars::ReadFile(const std::string& path) {
    std::FILE* f = OpenFile(PathFromText(path), "rb");
    if (f == nullptr) {
        return false;
    }
    ConfigBlock staging{};
    const size_t got = std::fread(staging.data(), 1, staging.size(), f);
    // A directory opens on some systems and fails only on reading.
    const bool readFailed = std::ferror(f) != 0;
    std::fclose(f);
    if (readFailed) {
        return false;
    }
    std::copy(staging.begin(), staging.begin() + long(got), block_.begin());
    return true;
}

bool GfgPars::WriteFile(const std::string& path) const {
    return ReplaceFile(path, block_.data(), block_.size());
}

bool GfgPars::ReadDevice(CommDevice& port, ConfigBlock& copy) {
    ConfigBlock staging{};
    if (!requestAnswer(port, Cmd::ReadConfig, staging.size(), staging.data())) {
        return false;
    }
    block_ = staging;
    copy = staging;
    return true;
}

bool GfgPars::WriteDevice(CommDevice& port) const {
    std::array<uint8_t, kConfigBlockSize + 1> frame{};
    frame[0] = Cmd::WriteConfig;
    std::copy(block_.begin(), block_.end(), frame.begin() + 1);
    return port.write(frame.data(), uint32_t(frame.size()));
}

ConfigTransfers::ConfigTransfers(GfgPars& pars, WorkingValues& working, CommDevice& port,
                                 Dialogs& dialogs, ListSink& list,
                                 std::function<void(bool)> refreshGrid)
    : pars_(pars), working_(working), port_(port), dialogs_(dialogs), list_(list),
      refreshGrid_(std::move(refreshGrid)) {}

void ConfigTransfers::loaded() {
    LoadWorkingValues(working_, pars_.block());
    blockLoaded_ = true;
}

void ConfigTransfers::Read1Click() {
    if (!port_.isOpen()) {
        list_.addEntry("Try to Open Com");
        return;
    }
    ConfigBlock copy{};
    const bool ok = pars_.ReadDevice(port_, copy);
    if (ok) {
        for (size_t i = 0; i < copy.size(); ++i) {
            list_.addEntry("#" + std::to_string(i) + " " + std::to_string(unsigned(copy[i])));
        }
        list_.addEntry("Read OK");
        list_.scrollDown(int(copy.size()));
        loaded();
    }
    if (refreshGrid_) {
        refreshGrid_(ok);
    }
}

void ConfigTransfers::Write1Click() {
    if (!blockLoaded_) {
        list_.addEntry("Try to read device or open cfg file");
        return;
    }
    if (!port_.isOpen()) {
        list_.addEntry("Try to Open Com");
        return;
    }
    StoreWorkingValues(working_, pars_.block());
    if (pars_.WriteDevice(port_)) {
        list_.addEntry("Write Ok");
    }
}

void ConfigTransfers::OpenConfig1Click() {
    bool ok = false;
    const auto path = dialogs_.chooseOpenFile();
    if (!path) {
        list_.addEntry("Can't open file");
    } else {
        fileName_ = *path;
        ok = pars_.ReadFile(*path);
        if (ok) {
            list_.addEntry(*path);
            list_.scrollDown(1);
            loaded();
        } else {
            list_.addEntry("Can't open file");
        }
    }
    list_.addEntry("");
    if (refreshGrid_) {
        refreshGrid_(ok);
    }
}

void ConfigTransfers::SaveConfig1Click() {
    if (!blockLoaded_) {
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
    } else {
        list_.addEntry("Can't save file");
    }
}
