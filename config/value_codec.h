#pragma once

#include "core/decimal_text.h"

#include "config/catalogue.h"
#include "config/cell_geometry.h"

#include <string>

// The arithmetic between block bytes and the scaled values the user sees, all in 32-bit
// floats. Texts use the user's decimal separator, passed in by the caller.

// The display value of element (col, row) as cell_geometry.h places it. 0 for an unknown
// element type.
float ReadElement(const ConfigBlock& block, const PAR_long& p, int col, int row);

// The block position of the element's first byte; nothing for an unknown element type or
// an element outside the block.
std::optional<size_t> ElementOffset(const PAR_long& p, int col, int row);

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

// A computed value (a range edit, a paste) as typed text of it would enter: rounded down
// to the parameter's step and clamped to its element type. A result a hair below a step,
// as float arithmetic leaves it, counts as that step, so multiplying by 1 changes nothing.
// 0 for an unknown element type.
float StepValue(const PAR_long& p, double value);

// Up to 15 significant digits, trailing zeros dropped.
std::string FullText(float value, char decimalSeparator);
// The first six characters of FullText (cut, not rounded), as a grid cell shows it.
std::string CellText(float value, char decimalSeparator);
