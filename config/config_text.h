#pragma once

#include "config/config_difference.h"

#include <string>

// Readable UTF-8 texts of configurations, for files a person mails, reads or keeps under
// version control. Values are the cell texts the editor shows.

// Every parameter by its tree path, in tree order: single values and rows on one line,
// two-row tables as two labelled rows, maps as grids under their x axis beside their y axis.
std::string ConfigText(const ConfigBlock& block, char decimalSeparator);

// "No differences", or "N differing elements in M parameters".
std::string DifferenceSummary(const ConfigDifferences& differences);

// What a parameter's line in a report starts with: its tree path, and for anything but a
// single value the number of its differing elements.
std::string DifferenceHeading(const ParameterDifference& difference);

// A difference report: the editor against `otherName`, the `note` on how it was read when
// there is one, the summary, then every differing element as "place: mine -> theirs".
std::string DifferenceText(const ConfigDifferences& differences, const std::string& otherName,
                           const std::string& note);
