#pragma once

#include "core/decimal_text.h"

#include "config/catalogue.h"

#include <string>

// The arithmetic between block bytes and the scaled values the user sees, all in 32-bit
// floats. Texts use the user's decimal separator, passed in by the caller.

// Visits every element in working-value order as (column, row) the way ReadElement takes
// them: the grid row by row, then for a map the x axis (row `rows`) and the y axis
// (row `rows` + 1).
template <typename F> void ForEachElement(const PAR_long& p, F&& visit) {
    for (int r = 0; r < p.rows; ++r) {
        for (int c = 0; c < p.cols; ++c) {
            visit(c, r);
        }
    }
    if (IsMap(p)) {
        for (int c = 0; c < p.cols; ++c) {
            visit(c, int(p.rows));
        }
        for (int c = 0; c < p.rows; ++c) {
            visit(c, p.rows + 1);
        }
    }
}

// The display value of element row * cols + col (for a map, row `rows` is the x axis and
// row `rows` + 1 the y axis). 0 for an unknown element type.
float ReadElement(const ConfigBlock& block, const PAR_long& p, int col, int row);

// Stores the raw integer that `value` stands for into that element's bytes.
void WriteElement(ConfigBlock& block, const PAR_long& p, int col, int row, float value);

// Every working value from the block, in catalogue order; sets every descriptor's `values`.
void LoadWorkingValues(WorkingValues& w, const ConfigBlock& block);

// Every block byte from its working value. Descriptors without working values are skipped.
void StoreWorkingValues(const WorkingValues& w, ConfigBlock& block);

// The value to store for typed text: parsed, rounded down to the parameter's step and
// clamped to its element type. Text that is no number enters as 0 and sets `notANumber`,
// for the caller to say so; an unknown element type gives 0 without reading the text.
struct EnteredValue {
    float value = 0.0f;
    bool notANumber = false;
};
EnteredValue EnterValue(const PAR_long& p, const std::string& text, char decimalSeparator);

// Up to 15 significant digits, trailing zeros dropped.
std::string FullText(float value, char decimalSeparator);
// The first six characters of FullText (cut, not rounded), as a grid cell shows it.
std::string CellText(float value, char decimalSeparator);
