#include "monitor/frame_listener.h"
#include "monitor/live_params.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {
uint32_t Bits(float f) {
    uint32_t bits = 0;
    std::memcpy(&bits, &f, sizeof bits);
    return bits;
}
} // namespace

TEST(LiveParams, DecodedWordsFollowSignednessAndLittleEndianOrder) {
    LiveFrame frame{};
    frame[0] = 0xFF; // d_cdiff, unsigned
    frame[1] = 0xFF;
    frame[20] = 0xFF; // steering2b, signed
    frame[21] = 0xFF;
    frame[2] = 0x01; // speed_kmh: low byte first
    frame[3] = 0x00;
    frame[4] = 0x00; // gearbox_speed: high byte only
    frame[5] = 0x01;
    const DecodedFrame words = DecodeFrame(FrameKind::Word, frame.data(), 9);
    EXPECT_EQ(words.count, kWordParCount);
    EXPECT_EQ(words.values[0], 65535);
    EXPECT_EQ(words.values[kSteeringWord], -1);
    EXPECT_EQ(words.values[1], 1);
    EXPECT_EQ(words.values[2], 256);
    EXPECT_EQ(wordValue(kSteeringWord, 0x8000), -32768);
    EXPECT_EQ(wordValue(kPar2bWord, 0x8000), 32768);
}

TEST(LiveParams, ByteValuesScaleInSinglePrecisionAndKeepIntegersPlain) {
    EXPECT_EQ(formatByteValue(7, 255), "5.00");  // throt_v
    EXPECT_EQ(formatByteValue(7, 0), "0.00");    // scaled values always show two digits
    EXPECT_EQ(formatByteValue(9, 255), "10.20"); // i_coil
    EXPECT_EQ(formatByteValue(9, 25), "1.00");
    EXPECT_EQ(formatByteValue(12, 0xFB), "-5"); // steering1b is signed
    EXPECT_EQ(formatByteValue(5, 0xFB), "251"); // g_yaw is not
    EXPECT_EQ(formatByteValue(22, 0), "0");
    EXPECT_EQ(Bits(kBytePars[7].scale), 0x3CA0902Eu);
    EXPECT_EQ(Bits(kBytePars[9].scale), 0x3D23D70Au);
}

TEST(LiveParams, IndexOutsideTheTablesGivesNoText) {
    EXPECT_EQ(wordValue(kWordParCount, 1), 0);
    EXPECT_EQ(formatByteValue(kByteParCount, 1), "");
}
