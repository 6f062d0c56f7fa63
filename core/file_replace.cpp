#include "core/file_replace.h"

#include "core/file_system.h"

#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <system_error>

namespace fs = std::filesystem;

namespace {

// Writes and closes; false when any step failed. The file is closed in every case.
bool WriteAllAndClose(std::FILE* f, const uint8_t* bytes, size_t count) {
    bool ok = std::fwrite(bytes, 1, count, f) == count;
    // The rename must not reach the disk before the data does.
    ok = SyncFile(f) && ok;
    return std::fclose(f) == 0 && ok;
}

// A new, exclusively created file in `dir` with a short name, so a target whose own
// name is as long as the system allows still gets a temporary beside it.
std::FILE* CreateTemporary(const fs::path& dir, fs::path& name) {
    static unsigned counter = 0;
    const auto stamp = unsigned(std::chrono::steady_clock::now().time_since_epoch().count());
    for (int attempt = 0; attempt < 100; ++attempt) {
        name = dir / (".korvex-" + std::to_string(stamp % 100000u) + "-" +
                      std::to_string(++counter) + ".tmp");
        errno = 0;
        if (std::FILE* f = CreateNewFile(name, false)) {
            return f;
        }
        if (errno != EEXIST) {
            return nullptr;
        }
    }
    return nullptr;
}

} // namespace

bool ReplaceFile(const std::string& path, const void* bytes, size_t count) {
    if (path.empty()) {
        return false;
    }
    std::error_code ec;
    fs::path target = PathFromText(path);
    // Saving through a link replaces what it points at, not the link itself, even
    // when that file does not exist yet.
    for (int hops = 0; hops < 40 && fs::is_symlink(target, ec); ++hops) {
        const fs::path next = fs::read_symlink(target, ec);
        if (ec) {
            return false;
        }
        target = next.is_absolute() ? next : target.parent_path() / next;
    }
    if (fs::is_directory(target, ec)) {
        return false;
    }
    const bool exists = fs::exists(target, ec);
    // A file the user made read-only is not replaced behind their back.
    if (exists && !IsWritable(target)) {
        return false;
    }
    fs::path dir = target.parent_path();
    if (dir.empty()) {
        dir = ".";
    }
    fs::path temporary;
    std::FILE* f = CreateTemporary(dir, temporary);
    if (f == nullptr) {
        return false;
    }
    if (!WriteAllAndClose(f, static_cast<const uint8_t*>(bytes), count)) {
        fs::remove(temporary, ec);
        return false;
    }
    if (exists) {
        std::error_code statusError;
        const fs::perms kept = fs::status(target, statusError).permissions();
        if (!statusError && kept != fs::perms::unknown) {
            fs::permissions(temporary, kept, ec);
        }
    }
    if (!MoveOver(temporary, target)) {
        fs::remove(temporary, ec);
        return false;
    }
    return true;
}
