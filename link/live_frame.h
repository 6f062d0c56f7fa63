#pragma once

#include "link/device_commands.h"

#include <array>
#include <cstddef>
#include <cstdint>

// Where the controller puts its live values in the answers to "4" (the word frame:
// twelve little-endian words) and "5" (the byte frame: twenty-three one-byte values and
// the switch byte). The live tables, the data log and the simulator all take the
// positions from here.
using LiveFrame = std::array<uint8_t, kFrameSize>;

// Word positions in the word frame.
inline constexpr size_t kCdiffWord = 0;
inline constexpr size_t kSpeedWord = 1;
inline constexpr size_t kGearboxSpeedWord = 2;
inline constexpr size_t kVrs0Word = 3;
inline constexpr size_t kVrs1Word = 4;
inline constexpr size_t kSpeed0LWord = 5;
inline constexpr size_t kSpeed1RWord = 6;
inline constexpr size_t kDriveWord = 7;
inline constexpr size_t kSpeedFLWord = 8;
inline constexpr size_t kSpeedFRWord = 9;
inline constexpr size_t kSteeringWord = 10;
inline constexpr size_t kPar2bWord = 11;
inline constexpr size_t kWordParCount = 12;

// Byte positions in the byte frame.
inline constexpr size_t kCdiffModeByte = 0;
inline constexpr size_t kLedDimmerByte = 1;
inline constexpr size_t kEeDimmerByte = 2;
inline constexpr size_t kEeCdiffModeByte = 3;
inline constexpr size_t kI2cErrorByte = 4;
inline constexpr size_t kYawByte = 5;
inline constexpr size_t kLongitudinalByte = 6;
inline constexpr size_t kThrottleVoltsByte = 7;
inline constexpr size_t kPotByte = 8;
inline constexpr size_t kCoilCurrentByte = 9;
inline constexpr size_t kSlipByte = 10;
inline constexpr size_t kGMultByte = 11;
inline constexpr size_t kSteeringByte = 12;
inline constexpr size_t kSteerSignByte = 13;
inline constexpr size_t kSteerMultByte = 14;
inline constexpr size_t kThrottleByte = 15;
inline constexpr size_t kCanFrontLeftByte = 16;
inline constexpr size_t kCanFrontRightByte = 17;
inline constexpr size_t kCanRearLeftByte = 18;
inline constexpr size_t kCanRearRightByte = 19;
inline constexpr size_t kCanThrottleByte = 20;
inline constexpr size_t kCanHandBrakeByte = 21;
inline constexpr size_t kCanBrakeByte = 22;
inline constexpr size_t kByteParCount = 23;
// The byte after the values carries the brake and handbrake switches.
inline constexpr size_t kSwitchByteIndex = 23;
inline constexpr uint8_t kBrakeSwitchBit = 0x01;
inline constexpr uint8_t kHandBrakeSwitchBit = 0x02;

static_assert(2 * kWordParCount <= kFrameSize && kSwitchByteIndex < kFrameSize);

// Word `index` (0..11) of a word frame: little-endian, low byte first.
inline uint16_t FrameWord(const uint8_t* frame, size_t index) {
    return static_cast<uint16_t>(frame[2 * index] | (frame[2 * index + 1] << 8));
}

inline void PutFrameWord(uint8_t* frame, size_t index, uint16_t value) {
    frame[2 * index] = static_cast<uint8_t>(value & 0xFF);
    frame[2 * index + 1] = static_cast<uint8_t>(value >> 8);
}

// 1 when the switch of `bit` is on in a byte frame, else 0.
inline unsigned FrameSwitch(const uint8_t* byteFrame, uint8_t bit) {
    return (byteFrame[kSwitchByteIndex] & bit) != 0 ? 1u : 0u;
}
