#include "core/file_replace.h"

#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <system_error>
#if __has_include(<unistd.h>)
#include <unistd.h>
#define KORVEX_HAVE_FSYNC 1 // and access()
#endif

namespace fs = std::filesystem;

namespace {

// Writes and closes; false when any step failed. The file is closed in every case.
bool WriteAllAndClose(std::FILE* f, const uint8_t* bytes, size_t count) {
    bool ok = std::fwrite(bytes, 1, count, f) == count;
    ok = std::fflush(f) == 0 && ok;
#ifdef KORVEX_HAVE_FSYNC
    // The rename must not reach the disk before the data does.
    ok = ok && ::fsync(::fileno(f)) == 0;
#endif
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
        if (std::FILE* f = std::fopen(name.c_str(), "wbx")) {
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
    fs::path target(path);
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
#ifdef KORVEX_HAVE_FSYNC
    // A file the user made read-only is not replaced behind their back.
    if (exists && ::access(target.c_str(), W_OK) != 0) {
        return false;
    }
#endif
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
    fs::rename(temporary, target, ec);
    if (ec) {
        std::error_code ignored;
        fs::remove(temporary, ignored);
        return false;
    }
    return true;
}
