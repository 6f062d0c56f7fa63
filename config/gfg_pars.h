#pragma once

#include "config/catalogue.h"
#include "core/dialogs.h"
#include "core/list_sink.h"
#include "link/comm_device.h"

#include <functional>
#include <string>

// The configuration block and its four transfers: controller and file, each way.
class GfgPars {
  public:
    GfgPars() = default;
    GfgPars(const GfgPars&) = delete;
    GfgPars& operator=(const GfgPars&) = delete;

    ConfigBlock& block() { return block_; }
    const ConfigBlock& block() const { return block_; }

    // Up to 519 bytes from the start of the file replace the start of the block; a file
    // that cannot be opened or read changes nothing.
    bool ReadFile(const std::string& path) { return ReadFileOver(path, block_); }
    // The same read over the start of `dest`. `length`, when given, gets the number of
    // bytes the file has, or kConfigBlockSize + 1 for a longer file that has no size
    // (a pipe or a device).
    static bool ReadFileOver(const std::string& path, ConfigBlock& dest, size_t* length = nullptr);
    // The 519 bytes go to a temporary file beside `path` that replaces it only once
    // written and closed, so a failed save leaves the earlier file as it was.
    bool WriteFile(const std::string& path) const;
    // "7" and the 519-byte answer; on success the block and `copy` hold it. Gives up as
    // collectAnswer does, and then changes nothing; `failure` then says why.
    bool ReadDevice(CommDevice& port, ConfigBlock& copy, std::string* failure = nullptr);
    // The same read into `dest` alone, leaving the block as it is. On failure `failure`
    // is "port closed", "no answer" or "short answer, N of 519 bytes".
    static bool FetchDevice(CommDevice& port, ConfigBlock& dest, std::string& failure);
    // One write of "8" followed by the block; true when all 520 bytes went out.
    bool WriteDevice(CommDevice& port) const;

  private:
    ConfigBlock block_{};
};

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

    void Read1Click();
    void Write1Click();
    void OpenConfig1Click();
    void SaveConfig1Click();

    bool blockLoaded() const { return blockLoaded_; }
    const std::string& fileName() const { return fileName_; }

  private:
    void loaded();

    GfgPars& pars_;
    WorkingValues& working_;
    CommDevice& port_;
    Dialogs& dialogs_;
    ListSink& list_;
    std::function<void(bool)> refreshGrid_;
    bool blockLoaded_ = false;
    std::string fileName_;
};
