#pragma once

#include "monitor/poll_cycle.h"

#include <array>
#include <string>

// A live grid that keeps its texts, as the window's grid would, and nothing else.
class GridView : public PollView {
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
    std::array<std::array<std::string, 25>, 5> cells;
    long writes = 0;
};
