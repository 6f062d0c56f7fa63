#include "firmware/empty_file.h"

#include <cstdio>

namespace {
constexpr char kFirstRecord[] = ":0100000000FF\r\n";
constexpr char kEndRecord[] = ":00000001FF\r\n";
} // namespace

std::string EmptyFile::FileName(int32_t rangeEnd) {
    // Unsigned arithmetic: the count of bytes wraps instead of overflowing.
    const unsigned count = static_cast<uint32_t>(rangeEnd) + 1u;
    char text[32];
    std::snprintf(text, sizeof text, "my_empty_file%04X.hex", count);
    return text;
}

std::string EmptyFile::RangeEndRecord(int32_t rangeEnd) {
    const unsigned address = static_cast<uint32_t>(rangeEnd) & 0xFFFFu;
    const unsigned checksum =
        (0x100u - ((1u + (address >> 8) + (address & 0xFFu)) & 0xFFu)) & 0xFFu;
    char text[32];
    std::snprintf(text, sizeof text, ":01%04X0000%02X\r\n", address, checksum);
    return text;
}

EmptyFile::EmptyFile(int32_t rangeEnd) : name_(FileName(rangeEnd)) {
    std::FILE* f = std::fopen(name_.c_str(), "wb");
    if (f == nullptr) {
        return;
    }
    opened_ = true;
    const std::string content = kFirstRecord + RangeEndRecord(rangeEnd) + kEndRecord;
    const bool written = std::fwrite(content.data(), 1, content.size(), f) == content.size();
    created_ = (std::fclose(f) == 0) && written;
}

EmptyFile::~EmptyFile() {
    // Only a file this object created or truncated is ours to delete.
    if (opened_) {
        std::remove(name_.c_str());
    }
}
