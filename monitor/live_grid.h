#pragma once

#include "monitor/frame_listener.h"

#include <array>
#include <string>

// The cells of the main window's live grid; the window shows them, tests record them.
class LiveGridView {
  public:
    virtual ~LiveGridView() = default;
    virtual void setGridCell(int col, int row, const std::string& text) = 0;
};

// The main window's live table: a header row, the row numbers, the names of the word
// values beside their values, then the names of the byte values beside theirs. Each
// frame refreshes its own value column.
class LiveGrid : public FrameListener {
  public:
    static constexpr int kColumnCount = 5;
    static constexpr int kRowCount = 25; // the header and 24 rows of values
    static constexpr int kRowHeight = 16;
    static constexpr std::array<int, kColumnCount> kColumnWidths{64, 61, 64, 64, 64};
    // The value columns; each value's name sits one column to its left.
    static constexpr int kWordValueColumn = 2;
    static constexpr int kByteValueColumn = 4;

    explicit LiveGrid(LiveGridView& view) : view_(view) {}

    // Writes the header, the row numbers and the names.
    void fillHeaders();
    void frameArrived(const DecodedFrame& frame) override;

  private:
    LiveGridView& view_;
};
