#pragma once

#include "config/catalogue.h"

#include <string>
#include <vector>

// Edits over a rectangle of the editor's grid cells, both corners included, on the working
// values of one parameter. Header cells and the map corner in the rectangle are left out;
// every result enters as typed text would (StepValue).
struct CellRange {
    int left;
    int top;
    int right;
    int bottom;
};

enum class RangeOp { Set, Add, Multiply, Interpolate, Smooth };

// Interpolate: linear between the ends of a single row or column, bilinear from the four
// corners of a larger rectangle; it needs the corners to be elements. Smooth: each inner
// cell becomes the mean of its neighbours and itself within the rectangle, from the values
// before the edit; the border stays. The number of elements written, 0 when the parameter
// has no working values or the rectangle none to change.
int ApplyRange(WorkingValues& w, int par, CellRange range, RangeOp op, double operand = 0.0);

// Tab-separated text as a spreadsheet copies it: rows end in LF or CR LF, a last empty
// line is dropped; either '.' or ',' is the decimal point. An empty cell is kept as it
// is. Anything else that is not a number rejects the whole text.
struct PastedCells {
    std::vector<std::vector<double>> rows; // NaN for an empty cell
    bool notANumber = false;
};
PastedCells ParsePaste(const std::string& text);

// Pastes the cells with their first at grid cell (col, row). Cells that fall on no element
// are left out and counted; a rejected text changes nothing.
struct PasteResult {
    int written = 0;
    int leftOut = 0;
};
PasteResult PasteCells(WorkingValues& w, int par, int col, int row, const PastedCells& cells);
