#pragma once

#include "config/catalogue.h"

#include <cstddef>
#include <optional>

// Where each element of a parameter sits. Elements are addressed as (col, row): the grid
// row by row, and for a map the x axis as row `rows` and the y axis as row `rows` + 1,
// so element (col, row) is working value row * cols + col of the parameter. The editor's
// grid adds a header column and row, and for a map the axes before the values.

struct ElementCell {
    int col;
    int row;
    bool operator==(const ElementCell&) const = default;
};

constexpr int XAxisRow(const PAR_long& p) {
    return p.rows;
}
constexpr int YAxisRow(const PAR_long& p) {
    return p.rows + 1;
}
constexpr bool IsAxis(const PAR_long& p, ElementCell e) {
    return IsMap(p) && e.row >= XAxisRow(p);
}

// Index of the element among the parameter's working values; nothing when it has none.
std::optional<size_t> ElementIndex(const PAR_long& p, ElementCell e);

// Visits every element in working-value order as (column, row).
template <typename F> void ForEachElement(const PAR_long& p, F&& visit) {
    for (int r = 0; r < p.rows; ++r) {
        for (int c = 0; c < p.cols; ++c) {
            visit(c, r);
        }
    }
    if (IsMap(p)) {
        for (int c = 0; c < p.cols; ++c) {
            visit(c, XAxisRow(p));
        }
        for (int c = 0; c < p.rows; ++c) {
            visit(c, YAxisRow(p));
        }
    }
}

// The editor's grid: its size with the headers, and the cell of the first value.
int GridCols(const PAR_long& p);
int GridRows(const PAR_long& p);
int FirstValueCell(const PAR_long& p);

// The element under grid cell (col, row), or nothing for a header cell or the map
// corner where the axes meet.
std::optional<ElementCell> ElementOfCell(const PAR_long& p, int col, int row);
// The grid cell that shows element `e`.
ElementCell CellOfElement(const PAR_long& p, ElementCell e);
