#include "monitor/live_grid.h"

#include "monitor/live_params.h"

void LiveGrid::fillHeaders() {
    const char* header[kColumnCount] = {"Par_num", "Name", "Value", "Name", "Value"};
    for (int c = 0; c < kColumnCount; ++c) {
        view_.setGridCell(c, 0, header[c]);
    }
    for (int r = 1; r < kRowCount; ++r) {
        view_.setGridCell(0, r, std::to_string(r));
    }
    for (size_t i = 0; i < kWordParCount; ++i) {
        view_.setGridCell(kWordValueColumn - 1, int(i) + 1, kWordPars[i].name);
    }
    for (size_t j = 0; j < kByteParCount; ++j) {
        view_.setGridCell(kByteValueColumn - 1, int(j) + 1, kBytePars[j].name);
    }
}

void LiveGrid::frameArrived(const DecodedFrame& frame) {
    if (frame.kind == FrameKind::Word) {
        for (size_t i = 0; i < kWordParCount; ++i) {
            view_.setGridCell(kWordValueColumn, int(i) + 1, std::to_string(frame.values[i]));
        }
        return;
    }
    // The switches are logged and plotted, not shown in the grid.
    for (size_t j = 0; j < kByteParCount; ++j) {
        view_.setGridCell(kByteValueColumn, int(j) + 1,
                          formatByteValue(j, static_cast<uint8_t>(frame.values[j])));
    }
}
