#include "core/file_system.h"

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

std::filesystem::path PathFromText(const std::string& text) {
    return std::filesystem::path(text);
}

std::FILE* OpenFile(const std::filesystem::path& path, const char* mode) {
    return std::fopen(path.c_str(), mode);
}

std::FILE* CreateNewFile(const std::filesystem::path& path, bool text) {
    return std::fopen(path.c_str(), text ? "wx" : "wbx");
}

bool SyncFile(std::FILE* file) {
    return std::fflush(file) == 0 && ::fsync(::fileno(file)) == 0;
}

bool IsWritable(const std::filesystem::path& path) {
    return ::access(path.c_str(), W_OK) == 0;
}

bool MoveOver(const std::filesystem::path& from, const std::filesystem::path& to) {
    return std::rename(from.c_str(), to.c_str()) == 0;
}

struct FolderReader::Open {
    int fd; // the open folder, or -1
};

FolderReader::FolderReader(const std::filesystem::path& folder)
    : open_(std::make_unique<Open>(
          Open{::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)})) {}

FolderReader::~FolderReader() {
    if (open_->fd >= 0) {
        ::close(open_->fd);
    }
}

std::optional<size_t> FolderReader::readStart(const std::string& name,
                                              std::span<uint8_t> dest) const {
    // Non-blocking, so a pipe named like a file cannot hold the caller up; regular
    // files ignore the flag.
    const int fd = ::openat(open_->fd, name.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd < 0) {
        return std::nullopt;
    }
    // A regular file reads short only at its end, so one read tells its size up to
    // dest.size(); a folder fails here with EISDIR.
    ssize_t got = 0;
    do {
        got = ::read(fd, dest.data(), dest.size());
    } while (got < 0 && errno == EINTR);
    ::close(fd);
    return got < 0 ? std::nullopt : std::optional<size_t>(size_t(got));
}

std::tm LocalTime(std::time_t t) {
    std::tm local{};
    ::localtime_r(&t, &local);
    return local;
}
