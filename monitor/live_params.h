#pragma once

#include "link/live_frame.h"

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

// The word frame (answer to "4") and the byte frame (answer to "5"), in frame order.
extern const std::array<par_info, kWordParCount> kWordPars;
extern const std::array<par_info, kByteParCount> kBytePars;

// Columns that exist only in the data log header.
inline constexpr const char* kBrakeSwName = "brake_sw";
inline constexpr const char* kHandBrakeSwName = "h_brake_sw";
inline constexpr const char* kDinoTotalName = "dino_total";
inline constexpr const char* kDinoAeroName = "dino_aero";

// Display values, as numbers: signed where the table says so (the one place a raw
// word or byte becomes signed), bytes scaled in single precision. An index outside its
// table gives 0.
int wordValue(size_t index, uint16_t raw);
float byteValue(size_t index, uint8_t raw);

// A byte's display text; an index outside its table gives an empty text.
std::string formatByteValue(size_t index, uint8_t raw);
