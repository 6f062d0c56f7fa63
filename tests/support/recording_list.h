#pragma once

#include "core/list_sink.h"

#include <string>
#include <vector>

// A list control that keeps what it was given, for assertions.
class RecordingList : public ListSink {
  public:
    void addEntry(const std::string& text) override { entries.push_back(text); }
    void scrollDown(int n) override { scrolled += n; }

    std::vector<std::string> entries;
    int scrolled = 0;
};
