#include "app/globals.h"

#include <algorithm>
#include <gtest/gtest.h>

TEST(Globals, StartUpStateOfTheObjectsThatLiveForTheWholeRun) {
    Globals g;
    EXPECT_FALSE(g.port.isOpen());
    EXPECT_EQ(g.image.size(), 131072u);
    EXPECT_TRUE(std::all_of(g.image.data(), g.image.data() + g.image.size(),
                            [](uint8_t b) { return b == 0xFF; }));
    EXPECT_TRUE(
        std::all_of(g.cfg.block().begin(), g.cfg.block().end(), [](uint8_t b) { return b == 0; }));
    EXPECT_FLOAT_EQ(g.dino.Values()[6], 1450.0f);
    EXPECT_TRUE(g.firmware.targetChipSize.empty());
    EXPECT_EQ(g.log.line(), "");
}
