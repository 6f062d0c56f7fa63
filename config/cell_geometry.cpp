#include "config/cell_geometry.h"

std::optional<size_t> ElementIndex(const PAR_long& p, ElementCell e) {
    const int width = e.row == YAxisRow(p) && IsMap(p) ? p.rows : p.cols;
    if (e.col < 0 || e.row < 0 || e.col >= width) {
        return std::nullopt;
    }
    const size_t index = size_t(e.row) * p.cols + size_t(e.col);
    return index < ElementCount(p) ? std::optional<size_t>(index) : std::nullopt;
}

int FirstValueCell(const PAR_long& p) {
    return IsMap(p) ? 2 : 1;
}

int GridCols(const PAR_long& p) {
    return p.cols + FirstValueCell(p);
}

int GridRows(const PAR_long& p) {
    return p.rows + FirstValueCell(p);
}

std::optional<ElementCell> ElementOfCell(const PAR_long& p, int col, int row) {
    const int first = FirstValueCell(p);
    const bool xInside = col >= first && col < first + p.cols;
    const bool yInside = row >= first && row < first + p.rows;
    if (xInside && yInside) {
        return ElementCell{col - first, row - first};
    }
    if (IsMap(p) && row == 1 && xInside) {
        return ElementCell{col - first, XAxisRow(p)};
    }
    if (IsMap(p) && col == 1 && yInside) {
        return ElementCell{row - first, YAxisRow(p)};
    }
    return std::nullopt;
}

ElementCell CellOfElement(const PAR_long& p, ElementCell e) {
    const int first = FirstValueCell(p);
    if (IsMap(p) && e.row == XAxisRow(p)) {
        return {e.col + first, 1};
    }
    if (IsMap(p) && e.row == YAxisRow(p)) {
        return {1, e.col + first};
    }
    return {e.col + first, e.row + first};
}
