#pragma once

#include <array>
#include <cstdint>
#include <string_view>

// The chips the library can program: their bootloader's USB id, signature and the
// application area below the bootloader.
struct IspChip {
    std::string_view name;
    uint16_t productId;
    std::array<uint8_t, 3> signature;
    uint32_t applicationEnd; // inclusive
};

inline constexpr uint16_t kBootloaderVendorId = 0x03EB;
inline constexpr uint32_t kFlashPageBytes = 128;

inline constexpr std::array<IspChip, 2> kIspChips = {{
    {"ATmega32U4", 0x2FF4, {0x1E, 0x95, 0x87}, 0x6FFF},
    {"ATmega16U4", 0x2FF3, {0x1E, 0x94, 0x88}, 0x2FFF},
}};

// The chip of that name (exact), or nullptr.
const IspChip* FindIspChip(std::string_view name);
