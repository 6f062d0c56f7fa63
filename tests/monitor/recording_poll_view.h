#pragma once

#include "monitor/live_grid.h"
#include "monitor/poll_cycle.h"

#include <map>
#include <string>
#include <utility>
#include <vector>

// The widgets the poll cycle and the live grid drive.
class PollAndGridView : public PollView, public LiveGridView {};

// A main window as the poll cycle and the live grid see it: keeps every text it is
// given. `View` is PollAndGridView or an interface that extends both.
template <class View = PollAndGridView> class RecordingView : public View {
  public:
    void toggleHeartbeat() override { ++heartbeats; }
    void setElapsedText(const std::string& text) override { elapsed = text; }
    void setStartCaption(const std::string& caption) override { captions.push_back(caption); }
    void setGridCell(int col, int row, const std::string& text) override {
        cells[{col, row}] = text;
        ++cellWrites;
    }

    std::string cell(int col, int row) const {
        const auto it = cells.find({col, row});
        return it == cells.end() ? std::string() : it->second;
    }

    int heartbeats = 0;
    std::string elapsed;
    std::vector<std::string> captions;
    std::map<std::pair<int, int>, std::string> cells;
    int cellWrites = 0;
};

using RecordingPollView = RecordingView<>;
