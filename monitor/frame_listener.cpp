#include "monitor/frame_listener.h"

#include "monitor/live_params.h"

DecodedFrame DecodeFrame(FrameKind kind, const uint8_t* frame, uint32_t tick) {
    DecodedFrame decoded;
    decoded.kind = kind;
    decoded.tick = tick;
    if (kind == FrameKind::Word) {
        for (size_t i = 0; i < kWordParCount; ++i) {
            decoded.values[i] = wordValue(i, FrameWord(frame, i));
        }
        decoded.count = kWordParCount;
        return decoded;
    }
    for (size_t j = 0; j < kByteParCount; ++j) {
        decoded.values[j] = frame[j];
    }
    decoded.values[kByteParCount] = static_cast<int>(FrameSwitch(frame, kBrakeSwitchBit));
    decoded.values[kByteParCount + 1] = static_cast<int>(FrameSwitch(frame, kHandBrakeSwitchBit));
    decoded.count = kByteParCount + 2;
    return decoded;
}
