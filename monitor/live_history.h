#pragma once

#include "monitor/frame_listener.h"
#include "monitor/live_params.h"

#include <cstddef>
#include <cstdint>
#include <deque>
#include <string>
#include <vector>

struct LiveSample {
    double seconds;
    double value;
};

// The last minute of live values as the grid shows them, one channel per value:
// the twelve words, the twenty-three bytes, then brake_sw and h_brake_sw.
class LiveHistory {
  public:
    static constexpr double kSpanSeconds = 60.0;
    static constexpr size_t kWordChannels = kWordParCount;
    static constexpr size_t kChannelCount = kWordParCount + kByteParCount + 2;

    static const std::vector<std::string>& ChannelNames();

    // Adds one frame's values, dropping those older than the span; returns the first
    // channel of the frame's kind (its count is kWordChannels or the rest).
    size_t add(const DecodedFrame& frame);
    static size_t channelsOf(FrameKind kind) {
        return kind == FrameKind::Word ? kWordChannels : kChannelCount - kWordChannels;
    }

    const std::deque<LiveSample>& samples(size_t channel) const { return channels_[channel]; }
    double latestSeconds() const { return latest_; }

  private:
    void push(size_t channel, double seconds, double value);

    std::deque<LiveSample> channels_[kChannelCount];
    double latest_ = 0;
};
