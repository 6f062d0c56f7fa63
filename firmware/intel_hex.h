#pragma once

#include <cstdint>
#include <span>

// Record addresses have 16 bits and a line holds at most 123 data bytes, so no record
// writes at or beyond this offset of the image.
inline constexpr uint32_t kIntelHexReach = 0xFFFF + 123;

// Turns the `textLength` bytes of Intel HEX text at the start of `image` into a flat
// image in the same bytes (0xFF where no record wrote). `dataBytes` is the sum of the
// stored records' byte counts, `lastAddress` the highest address a record wrote. True
// only when an end record was read; the text ending first or an empty line stops the
// parse. Malformed records are skipped whole. An image smaller than kIntelHexReach is
// left alone and gives false.
bool ParseIntelHex(std::span<uint8_t> image, uint32_t textLength, uint32_t& dataBytes,
                   uint32_t& lastAddress);
