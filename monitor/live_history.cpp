#include "monitor/live_history.h"

#include "monitor/log_layout.h"
#include "monitor/tick.h"

const std::vector<std::string>& LiveHistory::ChannelNames() {
    // The log's columns without the time and the dyno estimates, which no frame carries.
    static const std::vector<std::string> names = [] {
        std::vector<std::string> out;
        for (const std::string& name : LogColumnNames()) {
            if (name != LogColumnNames().front() && name != kDinoTotalName &&
                name != kDinoAeroName) {
                out.push_back(name);
            }
        }
        return out;
    }();
    return names;
}

size_t LiveHistory::add(const DecodedFrame& frame) {
    const double seconds = TickSeconds(frame.tick);
    latest_ = seconds;
    if (frame.kind == FrameKind::Word) {
        for (size_t i = 0; i < kWordParCount; ++i) {
            push(i, seconds, frame.values[i]);
        }
        return 0;
    }
    for (size_t j = 0; j < kByteParCount; ++j) {
        push(kWordChannels + j, seconds, byteValue(j, static_cast<uint8_t>(frame.values[j])));
    }
    push(kChannelCount - 2, seconds, frame.values[kByteParCount]);
    push(kChannelCount - 1, seconds, frame.values[kByteParCount + 1]);
    return kWordChannels;
}

void LiveHistory::push(size_t channel, double seconds, double value) {
    auto& samples = channels_[channel];
    samples.push_back({seconds, value});
    while (samples.front().seconds < seconds - kSpanSeconds) {
        samples.pop_front();
    }
}
