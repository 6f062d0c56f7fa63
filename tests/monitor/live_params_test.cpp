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

TEST(LiveParams, WordValuesFollowSignednessAndLittleEndianOrder) {
    LiveFrame frame{};
    frame[0] = 0xFF; // d_cdiff, unsigned
    frame[1] = 0xFF;
    frame[20] = 0xFF; // steering2b, signed
    frame[21] = 0xFF;
    frame[2] = 0x01; // speed_kmh: low byte first
    frame[3] = 0x00;
    frame[4] = 0x00; // gearbox_speed: high byte only
    frame[5] = 0x01;
    EXPECT_EQ(formatWordValue(0, FrameWord(frame.data(), 0)), "65535");
    EXPECT_EQ(formatWordValue(10, FrameWord(frame.data(), 10)), "-1");
    EXPECT_EQ(formatWordValue(1, FrameWord(frame.data(), 1)), "1");
    EXPECT_EQ(formatWordValue(2, FrameWord(frame.data(), 2)), "256");
    EXPECT_EQ(formatWordValue(10, 0x8000), "-32768");
    EXPECT_EQ(formatWordValue(11, 0x8000), "32768");
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
    EXPECT_EQ(formatWordValue(kWordParCount, 1), "");
    EXPECT_EQ(formatByteValue(kByteParCount, 1), "");
}
