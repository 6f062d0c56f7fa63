#pragma once

#include "core/list_sink.h"

#include <string>
#include <string_view>

// The message log of the main window: text accumulates in one line until it is
// flushed into the attached list as a single entry. Callers compose a message with
// a variable part as append(prefix) followed by appendLine(number text).
class MyErrLog {
  public:
    MyErrLog() = default;
    MyErrLog(const MyErrLog&) = delete;
    MyErrLog& operator=(const MyErrLog&) = delete;

    void attach(ListSink* list) { list_ = list; }
    void append(std::string_view text) { line_.append(text); }
    void flush();
    void appendLine(std::string_view text);

    const std::string& line() const { return line_; }

  private:
    std::string line_;
    ListSink* list_ = nullptr;
};
