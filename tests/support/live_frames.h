#pragma once

#include "link/live_frame.h"

// Frames for tests of what reads them. Word i holds i, except speed_kmh and dino as
// given; steering2b is -1, so a signed reading shows.
inline LiveFrame MakeWordFrame(uint16_t speed, uint16_t drive) {
    LiveFrame frame{};
    for (size_t i = 0; i < kWordParCount; ++i) {
        PutFrameWord(frame.data(), i, static_cast<uint16_t>(i));
    }
    PutFrameWord(frame.data(), kSpeedWord, speed);
    PutFrameWord(frame.data(), kDriveWord, drive);
    PutFrameWord(frame.data(), kSteeringWord, 0xFFFF);
    return frame;
}

// Byte j holds `first` + j; the switch byte holds `switches`.
inline LiveFrame MakeByteFrame(uint8_t first, uint8_t switches) {
    LiveFrame frame{};
    for (size_t j = 0; j < kByteParCount; ++j) {
        frame[j] = static_cast<uint8_t>(first + j);
    }
    frame[kSwitchByteIndex] = switches;
    return frame;
}
