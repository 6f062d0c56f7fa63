#include "sim/controller_sim.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

uint16_t Word(const ControllerSim::Frame& f, size_t i) {
    return static_cast<uint16_t>(f[2 * i] | (f[2 * i + 1] << 8));
}

TEST(ControllerSimFrames, DriveValueFollowsSpeedAndAcceleration) {
    for (uint32_t n = 0; n < 800; ++n) {
        const ControllerSim::Frame w = ControllerSim::WordFrame(n);
        const ControllerSim::Frame b = ControllerSim::ByteFrame(n);
        const uint16_t speed = Word(w, 1);
        const bool braking = (b[23] & 0x01) != 0;
        ASSERT_LE(speed, 100) << n;
        EXPECT_EQ(Word(w, 7), braking ? 0 : speed * 1189 / 100) << n;
        EXPECT_EQ(b[18], speed) << n; // rear wheel CAN speed matches
        EXPECT_EQ(Word(w, 11), n & 0xFFFF);
    }
    // Speeds rise while accelerating and fall while braking.
    EXPECT_LT(Word(ControllerSim::WordFrame(30), 1), Word(ControllerSim::WordFrame(270), 1));
    EXPECT_GT(Word(ControllerSim::WordFrame(310), 1), Word(ControllerSim::WordFrame(390), 1));
    ControllerSim::Frame a = ControllerSim::WordFrame(5);
    ControllerSim::Frame b = ControllerSim::WordFrame(405);
    EXPECT_NE(a, b); // the frame counter in the last word differs
    std::fill(a.begin() + 22, a.end(), 0);
    std::fill(b.begin() + 22, b.end(), 0);
    EXPECT_EQ(a, b); // the drive repeats every 400 frames
}

TEST(ControllerSimFrames, BoardInfoAndDefaultsArePlausible) {
    ControllerSim sim;
    ControllerSim::Frame info = sim.BoardInfo();
    EXPECT_EQ(info[23], ControllerSim::kDefaultBoardId);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&info[6])), "Apr 22 2022");
    sim.setDateText("a much longer text than twelve");
    info = sim.BoardInfo();
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&info[6]), 12), "a much longe");
    EXPECT_EQ(info[18], 0);
    const ControllerSim::Block block = ControllerSim::DefaultConfigBlock();
    EXPECT_EQ(std::count(block.begin(), block.end(), 0), 0);
}

} // namespace
