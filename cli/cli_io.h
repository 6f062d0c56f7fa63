#pragma once

#include "core/list_sink.h"

#include <istream>
#include <ostream>

// Where a command's output goes: data to `out`, messages to `err`. `terminal` says
// whether `err` is a terminal a person watches (status lines, progress); `in` is set
// only when a person can also answer a question there.
struct CliIo {
    std::ostream& out;
    std::ostream& err;
    bool terminal = false;
    std::istream* in = nullptr;
};

// The message list of the windows becomes lines on standard error.
class StreamListSink : public ListSink {
  public:
    explicit StreamListSink(std::ostream& stream) : stream_(stream) {}
    void addEntry(const std::string& text) override {
        stream_ << text << '\n' << std::flush;
        last_ = text;
    }
    const std::string& lastEntry() const { return last_; }

  private:
    std::ostream& stream_;
    std::string last_;
};

// A list whose entries nobody reads (the window's line-settings dump).
class DiscardListSink : public ListSink {
  public:
    void addEntry(const std::string&) override {}
};
