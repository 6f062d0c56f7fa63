#pragma once

#include <cstdio>
#include <ctime>
#include <filesystem>
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

// The local date and time of `t`.
std::tm LocalTime(std::time_t t);
