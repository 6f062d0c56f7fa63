#pragma once

#include "monitor/live_grid.h"
#include "monitor/poll_cycle.h"

#include <array>
#include <string>

// A live grid that keeps its texts, as the window's grid would, and nothing else.
class GridView : public PollView, public LiveGridView {
  public:
    void toggleHeartbeat() override { heartbeat = !heartbeat; }
    void setElapsedText(const std::string& text) override { elapsed = text; }
    void setStartCaption(const std::string& caption) override { start = caption; }
    void setGridCell(int col, int row, const std::string& text) override {
        cells[static_cast<size_t>(col)][static_cast<size_t>(row)] = text;
        ++writes;
    }

    bool heartbeat = false;
    std::string elapsed;
    std::string start;
    std::array<std::array<std::string, LiveGrid::kRowCount>, LiveGrid::kColumnCount> cells;
    long writes = 0;
};
