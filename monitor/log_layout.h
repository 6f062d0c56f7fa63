#pragma once

#include "monitor/live_params.h"
#include "monitor/tick.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// The columns of the data log, written by DataLog and read by ReadDataLog from this
// one place, so the two cannot drift apart. Every field, header and record alike,
// ends with a tab; a word record starts a line, the byte record completes it.
inline constexpr char kLogFieldEnd = '\t';
inline constexpr char kLogLineStart = '\n';

// time, the twelve words, dino_total, dino_aero
inline constexpr size_t kLogWordRecordFields = 1 + kWordParCount + 2;
// the twenty-three bytes, brake_sw, h_brake_sw
inline constexpr size_t kLogByteRecordFields = kByteParCount + 2;
inline constexpr size_t kLogColumnCount = kLogWordRecordFields + kLogByteRecordFields;
// The time column counts kTicksPerLogTime ticks each (tick.h).

// The 40 column names in file order, "time" first.
const std::vector<std::string>& LogColumnNames();
// The header line as written: every name followed by a tab, no line break.
std::string LogHeaderText();
