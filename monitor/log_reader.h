#pragma once

#include "dyno/dyno_curve.h"

#include <cstddef>
#include <memory>
#include <new>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

// What could not be read from a data log, by line number (the header is line 1).
struct LogProblem {
    enum class Kind { TooFewFields, NotANumber, CutOff };
    size_t line;
    Kind kind;
};

// Leaves the values a column grows by unset. The reader sizes its columns once, from
// the lines it counted, then writes every value itself: zeroing them first would touch
// the tens of megabytes of a long log twice.
template <typename T> struct UnsetOnGrowth : std::allocator<T> {
    template <typename U> void construct(U* at) noexcept { ::new (static_cast<void*>(at)) U; }
    template <typename U, typename... Args> void construct(U* at, Args&&... args) {
        ::new (static_cast<void*>(at)) U(std::forward<Args>(args)...);
    }
};
template <typename T> using LogColumn = std::vector<T, UnsetOnGrowth<T>>;

// A data log as columns of numbers. Channel c is column c + 1 of the file (the
// columns after "time"); a field that was missing or unreadable is NaN, so a chart
// shows a gap there rather than a made-up value.
struct LogData {
    std::vector<std::string> names;
    LogColumn<double> seconds;
    std::vector<LogColumn<float>> channels;
    std::vector<LogProblem> problems;
    // Set when nothing could be read at all; `problems` is then empty.
    std::string failure;
    // The failure is only that no record has arrived yet: the log may still grow.
    bool awaitingRecords = false;

    size_t records() const { return seconds.size(); }
    // "" when everything was read; otherwise one text naming what was skipped.
    std::string problemText() const;
};

// Reads as much as is there, also from a log that is still being written.
LogData ReadDataLog(const std::string& path);
LogData ParseDataLog(std::string_view text);
// The same text handed over in pieces of `pieceBytes`, as a file is read in blocks.
LogData ParseDataLog(std::string_view text, size_t pieceBytes);

// The speed and power estimates of the records from `fromSeconds` to `toSeconds`.
PullSamples PullFromLog(const LogData& data, double fromSeconds, double toSeconds);
