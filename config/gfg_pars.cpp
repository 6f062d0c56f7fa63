#include "config/gfg_pars.h"

#include "core/file_replace.h"
#include "core/file_system.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>

bool GfgPars::ReadFileOver(const std::string& path, ConfigBlock& dest, size_t* length) {
    std::FILE* f = OpenFile(PathFromText(path), "rb");
    if (f == nullptr) {
        return false;
    }
    // One byte more than a block tells a long file from an exact one.
    std::array<uint8_t, kConfigBlockSize + 1> staging{};
    const size_t got = std::fread(staging.data(), 1, staging.size(), f);
    // A directory opens on some systems and fails only on reading.
    const bool readFailed = std::ferror(f) != 0;
    std::fclose(f);
    if (readFailed) {
        return false;
    }
    const size_t used = std::min(got, dest.size());
    std::copy(staging.begin(), staging.begin() + long(used), dest.begin());
    if (length != nullptr) {
        *length = got;
        std::error_code error;
        const auto size = std::filesystem::file_size(path, error);
        if (got > dest.size() && !error && size > got) {
            *length = size_t(std::min<uintmax_t>(size, SIZE_MAX));
        }
    }
    return true;
}

bool GfgPars::WriteFile(const std::string& path) const {
    return ReplaceFile(path, block_.data(), block_.size());
}
