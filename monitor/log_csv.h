#pragma once

#include "monitor/log_reader.h"

#include <cstddef>
#include <string>
#include <vector>

// The records of `data` from `fromSeconds` to `toSeconds` as CSV for other tools
// (RFC 4180): a header "time_s,<channel names>", then one row a record with the given
// channels (indices into data.names) in that order; a point separates decimals
// whatever the locale, a missing value is an empty field, lines end with CR LF.
std::string LogCsvText(const LogData& data, const std::vector<size_t>& channels, double fromSeconds,
                       double toSeconds);

// Writes LogCsvText to `path` through the safe replacement; false when it failed and
// the earlier file, if any, is left as it was.
bool ExportLogCsv(const std::string& path, const LogData& data, const std::vector<size_t>& channels,
                  double fromSeconds, double toSeconds);
