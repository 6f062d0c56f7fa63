#include "firmware/intel_hex.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <string_view>
#include <vector>

namespace {

// A line holds at most this many characters; the next one is dropped.
constexpr size_t kMaxLineChars = 255;

// Value of each character as a hexadecimal digit (either case), or -1.
constexpr std::array<int8_t, 256> kHexValue = [] {
    std::array<int8_t, 256> t{};
    t.fill(-1);
    for (int i = 0; i < 10; ++i) {
        t['0' + i] = static_cast<int8_t>(i);
    }
    for (int i = 0; i < 6; ++i) {
        t['A' + i] = static_cast<int8_t>(10 + i);
        t['a' + i] = static_cast<int8_t>(10 + i);
    }
    return t;
}();

int HexDigit(char c) {
    return kHexValue[static_cast<unsigned char>(c)];
}

// Reads exactly `digits` hexadecimal characters at `pos`; false when the line is
// too short or a character is not a hexadecimal digit.
bool HexField(std::string_view line, size_t pos, size_t digits, uint32_t& value) {
    if (pos + digits > line.size()) {
        return false;
    }
    value = 0;
    for (size_t i = 0; i < digits; ++i) {
        const int d = HexDigit(line[pos + i]);
        if (d < 0) {
            return false;
        }
        value = (value << 4) | static_cast<uint32_t>(d);
    }
    return true;
}

enum class RecordKind { Ignored, Data, End };

// One data record's bytes go into `scratch` only after the whole record proved
// readable, so a malformed record leaves no trace.
RecordKind ReadRecord(std::string_view line, uint8_t* scratch, uint32_t& count, uint32_t& address) {
    uint32_t type = 0;
    if (line.empty() || line[0] != ':' || !HexField(line, 7, 2, type)) {
        return RecordKind::Ignored;
    }
    if (type == 1) {
        return RecordKind::End;
    }
    if (type != 0 || !HexField(line, 1, 2, count) || !HexField(line, 3, 4, address) ||
        line.size() < 9 + 2 * size_t{count}) {
        return RecordKind::Ignored;
    }
    uint8_t bytes[kMaxLineChars / 2];
    for (uint32_t i = 0; i < count; ++i) {
        uint32_t value = 0;
        if (!HexField(line, 9 + 2 * size_t{i}, 2, value)) {
            return RecordKind::Ignored;
        }
        bytes[i] = static_cast<uint8_t>(value);
    }
    // Within kIntelHexReach, which the caller checked.
    std::memcpy(scratch + address, bytes, count);
    return RecordKind::Data;
}

} // namespace

bool ParseIntelHex(std::span<uint8_t> image, uint32_t textLength, uint32_t& dataBytes,
                   uint32_t& lastAddress) {
    dataBytes = 0;
    lastAddress = 0;
    if (image.size() < kIntelHexReach) {
        return false;
    }
    const std::string_view text(reinterpret_cast<const char*>(image.data()),
                                std::min(size_t{textLength}, image.size()));
    std::vector<uint8_t> scratch(image.size(), 0xFF);
    bool end = false;
    size_t pos = 0;
    while (!end) {
        const size_t start = pos;
        const size_t room = std::min(kMaxLineChars, text.size() - start);
        const void* feed = std::memchr(text.data() + start, '\n', room);
        pos = feed != nullptr ? static_cast<size_t>(static_cast<const char*>(feed) - text.data())
                              : start + room;
        const std::string_view line = text.substr(start, pos - start);
        if (pos < text.size()) {
            ++pos; // the line feed, or the dropped character of an overlong line
        }
        if (line.empty()) {
            break; // an empty line, or the end of the text
        }
        uint32_t count = 0;
        uint32_t address = 0;
        switch (ReadRecord(line, scratch.data(), count, address)) {
        case RecordKind::End:
            end = true;
            break;
        case RecordKind::Data:
            dataBytes += count;
            if (count > 0) {
                // The highest byte written, so no record's data is cut off by a
                // lower one that follows it in the text.
                lastAddress = std::max(lastAddress, address + count - 1);
            }
            break;
        case RecordKind::Ignored:
            break;
        }
    }
    std::copy(scratch.begin(), scratch.end(), image.begin());
    return end;
}
