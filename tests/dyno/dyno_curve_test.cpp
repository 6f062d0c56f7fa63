#include "dyno/dyno_curve.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

TEST(DynoCurveTest, BinsAverageTheirSamplesAndSkipMissingOnes) {
    const double nan = std::nan("");
    const PullSamples pull{
        {100, 100.8, 101, 99.5, 102, 103}, {110, 120, 130, 90, nan, 140}, {10, 14, 20, 8, 30, 22}};
    const DynoCurve curve = MakeDynoCurve(pull);
    ASSERT_EQ(curve.points.size(), 4u);
    EXPECT_DOUBLE_EQ(curve.points[0].speed, 99.5);
    EXPECT_DOUBLE_EQ(curve.points[1].speed, 100.4);
    EXPECT_DOUBLE_EQ(curve.points[1].total, 115);
    EXPECT_DOUBLE_EQ(curve.points[1].aero, 12);
    EXPECT_DOUBLE_EQ(curve.points[3].speed, 103);
    EXPECT_DOUBLE_EQ(curve.peak.total, 140);
    EXPECT_DOUBLE_EQ(curve.peak.speed, 103);

    const DynoCurve wide = MakeDynoCurve(pull, 5.0);
    ASSERT_EQ(wide.points.size(), 2u);
    EXPECT_DOUBLE_EQ(wide.points[0].total, 90);
    EXPECT_DOUBLE_EQ(wide.points[1].total, 125);
}

TEST(DynoCurveTest, SmoothingAveragesNeighbouringBinsAndMovesThePeak) {
    // A spike at 103 km/h on a flat 100 hp: smoothed over one bin each side it
    // shrinks to a third, and the ends average over the bins they have.
    PullSamples pull;
    for (int v = 100; v <= 106; ++v) {
        pull.speed.push_back(v);
        pull.total.push_back(v == 103 ? 190 : 100);
        pull.aero.push_back(v - 90);
    }
    const DynoCurve raw = MakeDynoCurve(pull);
    EXPECT_DOUBLE_EQ(raw.peak.total, 190);
    const DynoCurve smooth = MakeDynoCurve(pull, 1.0, 1);
    ASSERT_EQ(smooth.points.size(), 7u);
    EXPECT_DOUBLE_EQ(smooth.points[3].total, 130);
    EXPECT_DOUBLE_EQ(smooth.points[0].total, 100);
    EXPECT_DOUBLE_EQ(smooth.points[0].aero, 10.5);
    EXPECT_DOUBLE_EQ(smooth.points[6].aero, 15.5);
    EXPECT_DOUBLE_EQ(smooth.peak.total, 130);
    EXPECT_DOUBLE_EQ(smooth.peak.speed, 102); // the first of the three equal bins
}

TEST(DynoCurveTest, AnEmptyPullGivesAnEmptyCurve) {
    EXPECT_TRUE(MakeDynoCurve({}).points.empty());
    EXPECT_TRUE(MakeDynoCurve({{1, 2}, {3}, {4}}, 0.0, 3).points.size() == 1);
}

} // namespace
