#include "monitor/live_history.h"

#include <gtest/gtest.h>

namespace {

TEST(LiveHistoryTest, KeepsTheLastMinuteOfDisplayValuesPerChannel) {
    LiveHistory history;
    LiveFrame bytes{};
    bytes[kThrottleVoltsByte] = 255; // scaled
    bytes[kSteeringByte] = 0xFB;     // signed
    bytes[kSwitchByteIndex] = kHandBrakeSwitchBit;
    LiveFrame words{};
    PutFrameWord(words.data(), kSteeringWord, 0xFFFF); // signed
    PutFrameWord(words.data(), kSpeedWord, 100);
    const auto& names = LiveHistory::ChannelNames();
    ASSERT_EQ(names.size(), LiveHistory::kChannelCount);
    EXPECT_EQ(names[1], "speed_kmh");
    EXPECT_EQ(names[kWordParCount + kThrottleVoltsByte], "throt_v");
    EXPECT_EQ(names.back(), "h_brake_sw");

    // One frame pair every 100 ms for 70 s: the first 10 s fall out.
    for (uint32_t tick = 0; tick <= 2800; tick += 4) {
        EXPECT_EQ(history.add(DecodeFrame(FrameKind::Byte, bytes.data(), tick)), 12u);
        EXPECT_EQ(history.add(DecodeFrame(FrameKind::Word, words.data(), tick + 2)), 0u);
    }
    EXPECT_DOUBLE_EQ(history.latestSeconds(), 70.05);
    const auto& speed = history.samples(1);
    EXPECT_DOUBLE_EQ(speed.front().seconds, 10.05);
    EXPECT_EQ(speed.size(), 601u);
    EXPECT_DOUBLE_EQ(speed.back().value, 100);
    EXPECT_DOUBLE_EQ(history.samples(10).back().value, -1);
    EXPECT_FLOAT_EQ(static_cast<float>(history.samples(12 + 7).back().value), 4.998f);
    EXPECT_DOUBLE_EQ(history.samples(12 + 12).back().value, -5);
    EXPECT_DOUBLE_EQ(history.samples(LiveHistory::kChannelCount - 2).back().value, 0);
    EXPECT_DOUBLE_EQ(history.samples(LiveHistory::kChannelCount - 1).back().value, 1);
}

} // namespace
