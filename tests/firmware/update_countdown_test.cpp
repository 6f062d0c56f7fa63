#include "firmware/update_countdown.h"

#include <gtest/gtest.h>

TEST(UpdateCountdown, ClosesThePortThenProgramsOnceASecondLaterAndNothingAfter) {
    int closes = 0;
    int programs = 0;
    UpdateCountdown countdown([&] { ++closes; }, [&] { ++programs; });
    countdown.secondElapsed();
    EXPECT_EQ(countdown.seconds(), 0);
    countdown.start();
    EXPECT_EQ(countdown.seconds(), 3);
    countdown.secondElapsed();
    EXPECT_EQ(countdown.seconds(), 2);
    EXPECT_EQ(closes, 1);
    EXPECT_EQ(programs, 0);
    countdown.secondElapsed();
    EXPECT_EQ(countdown.seconds(), 1);
    EXPECT_EQ(programs, 1);
    for (int i = 0; i < 3; ++i) {
        countdown.secondElapsed();
    }
    EXPECT_EQ(countdown.seconds(), 0);
    EXPECT_EQ(closes, 1);
    EXPECT_EQ(programs, 1);
}
