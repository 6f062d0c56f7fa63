#pragma once

#include "link/live_frame.h"

#include <array>
#include <cstddef>
#include <cstdint>

enum class FrameKind { Word, Byte };

// A frame just read, decoded once for every listener. A word frame holds its twelve
// values, signed where the live table says; a byte frame its twenty-three raw bytes,
// then brake_sw and h_brake_sw (0 or 1). Scaling a byte is left to whoever shows it,
// since the log keeps the raw byte.
struct DecodedFrame {
    static constexpr size_t kMaxValues = kByteParCount + 2;

    FrameKind kind = FrameKind::Word;
    uint32_t tick = 0; // the tick the frame was read in
    size_t count = 0;  // values in use
    std::array<int, kMaxValues> values{};
};

// `frame` is the kFrameSize bytes answered to the frame command of `kind`.
DecodedFrame DecodeFrame(FrameKind kind, const uint8_t* frame, uint32_t tick);

// Anything that consumes live values: the grid, the data log, the live plot. The poll
// cycle hands each decoded frame to its listeners in the order they were added.
class FrameListener {
  public:
    virtual ~FrameListener() = default;
    virtual void frameArrived(const DecodedFrame& frame) = 0;
};
