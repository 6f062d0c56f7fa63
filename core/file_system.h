#pragma once

#include <cstdio>
#include <ctime>
#include <filesystem>
#include <memory>
#include <optional>
#include <span>
#include <string>

// The few file operations in which the platforms differ. Paths are 8-bit text: the
// file system's own bytes on Linux, UTF-8 on Windows, where they become wide paths in
// the long form (\\?\C:\...) so any folder name and any length can be reached.

std::filesystem::path PathFromText(const std::string& text);

// fopen with a path of any length and any characters.
std::FILE* OpenFile(const std::filesystem::path& path, const char* mode);

// Creates `path` only if no file of that name exists; nullptr with errno EEXIST when
// one does. `text` opens it in the platform's text mode (CR LF line ends on Windows).
std::FILE* CreateNewFile(const std::filesystem::path& path, bool text);

// Flushes the stream and makes its data reach the disk.
bool SyncFile(std::FILE* file);

// Whether the user may write to the existing file (it is not read-only for them).
bool IsWritable(const std::filesystem::path& path);

// Moves `from` over `to` in one step, the data written through to the disk first.
bool MoveOver(const std::filesystem::path& from, const std::filesystem::path& to);

// A folder whose files are read by name. On POSIX each file opens relative to the open
// folder, so reading thousands of them does not walk the folder's path again for each.
class FolderReader {
  public:
    explicit FolderReader(const std::filesystem::path& folder);
    ~FolderReader();
    FolderReader(const FolderReader&) = delete;
    FolderReader& operator=(const FolderReader&) = delete;

    // Reads the start of the file `name` into `dest` with a single read: the number of
    // bytes read, or nothing when it cannot be opened or read (a folder, no permission,
    // gone). A file longer than `dest` fills it, so a caller that needs to tell an exact
    // size from a longer one asks for one byte more. Never waits for a pipe's writer.
    std::optional<size_t> readStart(const std::string& name, std::span<uint8_t> dest) const;

  private:
    struct Open; // what the platform keeps of the folder
    std::unique_ptr<Open> open_;
};

// The local date and time of `t`.
std::tm LocalTime(std::time_t t);
