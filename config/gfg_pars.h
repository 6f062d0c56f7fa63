#pragma once

#include "config/catalogue.h"

#include <string>

// The configuration block and its file.
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

  private:
    ConfigBlock block_{};
};
