#pragma once

#include <cstdint>

// The main window's heartbeat. The poll cycle advances once per tick, so every rate of
// the live path (elapsed time, the log's time column, the plot's time axis) follows
// from this one period.
inline constexpr uint32_t kTickMilliseconds = 25;
inline constexpr uint32_t kTicksPerSecond = 1000 / kTickMilliseconds;

// The data log's time column counts tenths of a second, as whole ticks.
inline constexpr uint32_t kLogTimeMilliseconds = 100;
inline constexpr uint32_t kTicksPerLogTime = kLogTimeMilliseconds / kTickMilliseconds;
inline constexpr double kLogTimesPerSecond = 1000.0 / kLogTimeMilliseconds;

static_assert(1000 % kTickMilliseconds == 0 && kLogTimeMilliseconds % kTickMilliseconds == 0);

// Seconds since the program started at tick `tickCount`.
inline double TickSeconds(uint32_t tickCount) {
    return static_cast<double>(tickCount) / kTicksPerSecond;
}
