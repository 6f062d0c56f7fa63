#pragma once

#include "link/device_commands.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

// One live value of the controller: its key (grid and log header), whether the raw
// value is two's complement, and the factor from raw to display value.
struct par_info {
    const char* name;
    bool is_signed;
    float scale;
};

inline constexpr size_t kWordParCount = 12;
inline constexpr size_t kByteParCount = 23;
// The words the dyno model reads: speed_kmh and dino.
inline constexpr size_t kSpeedWord = 1;
inline constexpr size_t kDriveWord = 7;
// Byte 23 of the byte frame carries the brake and handbrake switches in bits 0 and 1.
inline constexpr size_t kSwitchByteIndex = 23;

// The word frame (answer to "4") and the byte frame (answer to "5"), in frame order.
extern const std::array<par_info, kWordParCount> kWordPars;
extern const std::array<par_info, kByteParCount> kBytePars;

// Columns that exist only in the data log header.
inline constexpr const char* kBrakeSwName = "brake_sw";
inline constexpr const char* kHandBrakeSwName = "h_brake_sw";
inline constexpr const char* kDinoTotalName = "dino_total";
inline constexpr const char* kDinoAeroName = "dino_aero";

// Where the values land in the main window's live grid (names sit one column left).
inline constexpr int kWordValueColumn = 2;
inline constexpr int kByteValueColumn = 4;

using LiveFrame = std::array<uint8_t, kFrameSize>;

// Word `index` (0..11) of a word frame: little-endian, low byte first.
inline uint16_t FrameWord(const uint8_t* frame, size_t index) {
    return static_cast<uint16_t>(frame[2 * index] | (frame[2 * index + 1] << 8));
}

// Display values, as numbers: signed where the table says so, bytes scaled in single
// precision. An index outside its table gives 0.
int wordValue(size_t index, uint16_t raw);
float byteValue(size_t index, uint8_t raw);

// Display texts; an index outside its table gives an empty text.
std::string formatWordValue(size_t index, uint16_t raw);
std::string formatByteValue(size_t index, uint8_t raw);
