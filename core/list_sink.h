#pragma once

#include <string>

// A list control seen from the core: entries are only ever added at the end.
// The windows implement it over a QListWidget; tests record the entries.
class ListSink {
  public:
    virtual ~ListSink() = default;
    virtual void addEntry(const std::string& text) = 0;
    // Moves the list's top entry down by `entries` (the windows' "scroll").
    virtual void scrollDown(int entries) { (void)entries; }
};
