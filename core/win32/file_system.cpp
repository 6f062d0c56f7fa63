#include "core/file_system.h"

#include <cerrno>
#include <fcntl.h>
#include <io.h>
#include <string_view>
#include <sys/stat.h>
#include <windows.h>

namespace {

std::wstring Widen(std::string_view text) {
    if (text.empty()) {
        return {};
    }
    const int size = MultiByteToWideChar(CP_UTF8, 0, text.data(), int(text.size()), nullptr, 0);
    std::wstring wide(size_t(size), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.data(), int(text.size()), wide.data(), size);
    return wide;
}

} // namespace

std::filesystem::path PathFromText(const std::string& text) {
    // Every path takes the long form (\\?\C:\...), so files far down a folder tree,
    // and the folders a path names on the way, stay reachable past 260 characters.
    const std::wstring wide = Widen(text);
    if (wide.empty() || wide.starts_with(L"\\\\?\\") || wide.starts_with(L"\\\\.\\")) {
        return std::filesystem::path(wide);
    }
    // The long form takes only absolute paths with backslashes and no "..".
    const DWORD size = GetFullPathNameW(wide.c_str(), 0, nullptr, nullptr);
    std::wstring full(size, L'\0');
    const DWORD used = GetFullPathNameW(wide.c_str(), size, full.data(), nullptr);
    if (used == 0 || used >= size) {
        return std::filesystem::path(wide);
    }
    full.resize(used);
    if (full.starts_with(L"\\\\")) {
        return std::filesystem::path(L"\\\\?\\UNC\\" + full.substr(2));
    }
    return std::filesystem::path(L"\\\\?\\" + full);
}

std::FILE* OpenFile(const std::filesystem::path& path, const char* mode) {
    return _wfopen(path.c_str(), Widen(mode).c_str());
}

std::FILE* CreateNewFile(const std::filesystem::path& path, bool text) {
    // The C runtime ignores fopen's "x"; _O_EXCL really refuses an existing file.
    const int flags = _O_CREAT | _O_EXCL | _O_WRONLY | (text ? _O_TEXT : _O_BINARY);
    const int fd = _wopen(path.c_str(), flags, _S_IREAD | _S_IWRITE);
    if (fd < 0) {
        return nullptr;
    }
    std::FILE* file = _wfdopen(fd, text ? L"w" : L"wb");
    if (file == nullptr) {
        _close(fd);
    }
    return file;
}

bool SyncFile(std::FILE* file) {
    return std::fflush(file) == 0 && _commit(_fileno(file)) == 0;
}

bool IsWritable(const std::filesystem::path& path) {
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) == 0;
}

bool MoveOver(const std::filesystem::path& from, const std::filesystem::path& to) {
    return MoveFileExW(from.c_str(), to.c_str(),
                       MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
}

struct FolderReader::Open {
    std::filesystem::path folder; // each file opens by its whole long-form path
};

FolderReader::FolderReader(const std::filesystem::path& folder)
    : open_(std::make_unique<Open>(Open{folder})) {}

FolderReader::~FolderReader() = default;

std::optional<size_t> FolderReader::readStart(const std::string& name,
                                              std::span<uint8_t> dest) const {
    std::FILE* f = OpenFile(open_->folder / std::filesystem::path(Widen(name)), "rb");
    if (f == nullptr) {
        return std::nullopt;
    }
    const size_t got = std::fread(dest.data(), 1, dest.size(), f);
    // A folder may open and fail only on reading.
    const bool failed = std::ferror(f) != 0;
    std::fclose(f);
    return failed ? std::nullopt : std::optional<size_t>(got);
}

std::tm LocalTime(std::time_t t) {
    std::tm local{};
    localtime_s(&local, &t);
    return local;
}
