#pragma once

#include <cstddef>
#include <string>

// Writes `count` bytes as the new content of `path` without ever leaving a half-written
// file: the bytes go to a temporary file in the same folder, which replaces the target
// only after every write, the flush to disk and the close succeeded. On any failure
// the earlier file stays as it was and the temporary file is removed. Saving through a
// symbolic link replaces the file it points at; the target keeps its permissions.
bool ReplaceFile(const std::string& path, const void* bytes, size_t count);
