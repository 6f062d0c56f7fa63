#include "monitor/live_grid.h"

#include "tests/monitor/recording_poll_view.h"

#include <gtest/gtest.h>

namespace {

TEST(LiveGrid, HeadersNumberEveryRowAndNameEachValueBesideItsColumn) {
    RecordingPollView view;
    LiveGrid grid(view);
    grid.fillHeaders();
    const char* header[] = {"Par_num", "Name", "Value", "Name", "Value"};
    for (int c = 0; c < LiveGrid::kColumnCount; ++c) {
        EXPECT_EQ(view.cell(c, 0), header[c]);
    }
    for (int r = 1; r < LiveGrid::kRowCount; ++r) {
        EXPECT_EQ(view.cell(0, r), std::to_string(r));
        EXPECT_EQ(view.cell(2, r), "");
        EXPECT_EQ(view.cell(4, r), "");
    }
    EXPECT_EQ(view.cell(1, 1), "d_cdiff");
    EXPECT_EQ(view.cell(1, 12), "par2b");
    EXPECT_EQ(view.cell(1, 13), "");
    EXPECT_EQ(view.cell(3, 1), "cdiff_mode");
    EXPECT_EQ(view.cell(3, 23), "can_brake");
    EXPECT_EQ(view.cell(3, 24), "");
}

// Each kind of frame fills its own column only; the switches are not shown.
TEST(LiveGrid, AFrameRefreshesItsOwnValueColumn) {
    RecordingPollView view;
    LiveGrid grid(view);
    LiveFrame bytes{};
    bytes[kThrottleVoltsByte] = 77;
    bytes[kSteeringByte] = 132;
    bytes[kSwitchByteIndex] = 0x03;
    grid.frameArrived(DecodeFrame(FrameKind::Byte, bytes.data(), 4));
    EXPECT_EQ(view.cellWrites, int(kByteParCount));
    EXPECT_EQ(view.cell(4, 1 + kThrottleVoltsByte), "1.51");
    EXPECT_EQ(view.cell(4, 1 + kSteeringByte), "-124");
    EXPECT_EQ(view.cell(4, 24), "");
    LiveFrame words{};
    PutFrameWord(words.data(), kSteeringWord, 0xFFFF);
    grid.frameArrived(DecodeFrame(FrameKind::Word, words.data(), 6));
    EXPECT_EQ(view.cellWrites, int(kByteParCount + kWordParCount));
    EXPECT_EQ(view.cell(2, 1 + kSteeringWord), "-1");
    EXPECT_EQ(view.cell(2, 13), "");
}

} // namespace
