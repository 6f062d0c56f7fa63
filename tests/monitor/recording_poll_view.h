#pragma once

#include "monitor/poll_cycle.h"

#include <functional>
#include <map>
#include <string>
#include <utility>
#include <vector>

// A main window as the poll cycle sees it: keeps every text it is given and lets a
// test hook the CloseDevice click and the ISP sequence.
class RecordingPollView : public PollView {
  public:
    void toggleHeartbeat() override { ++heartbeats; }
    void setElapsedText(const std::string& text) override { elapsed = text; }
    void setStartCaption(const std::string& caption) override { captions.push_back(caption); }
    void setGridCell(int col, int row, const std::string& text) override {
        cells[{col, row}] = text;
        ++cellWrites;
    }
    void clickCloseDevice() override {
        ++closeClicks;
        if (onClose) {
            onClose();
        }
    }
    void runIspSequence() override {
        ++ispRuns;
        if (onIsp) {
            onIsp();
        }
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
    int closeClicks = 0;
    int ispRuns = 0;
    std::function<void()> onClose;
    std::function<void()> onIsp;
};
