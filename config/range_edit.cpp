#include "config/range_edit.h"

#include "config/cell_geometry.h"
#include "config/value_codec.h"
#include "core/decimal_text.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

// The working value under grid cell (col, row), or nullptr.
float* ValueAt(WorkingValues& w, const PAR_long& p, int col, int row) {
    const auto e = ElementOfCell(p, col, row);
    if (!e || !p.values) {
        return nullptr;
    }
    const auto index = ElementIndex(p, *e);
    return index ? &w.values[*p.values + *index] : nullptr;
}

const PAR_long* Loaded(const WorkingValues& w, int par) {
    if (par < 0 || size_t(par) >= w.pars.size() || !w.pars[size_t(par)].values) {
        return nullptr;
    }
    return &w.pars[size_t(par)];
}

// The values of the rectangle as they were, row by row; NaN where no element is.
class Snapshot {
  public:
    Snapshot(WorkingValues& w, const PAR_long& p, CellRange r) : r_(r) {
        for (int row = r.top; row <= r.bottom; ++row) {
            for (int col = r.left; col <= r.right; ++col) {
                const float* v = ValueAt(w, p, col, row);
                values_.push_back(v ? double(*v) : std::nan(""));
            }
        }
    }
    double at(int col, int row) const {
        if (col < r_.left || col > r_.right || row < r_.top || row > r_.bottom) {
            return std::nan("");
        }
        const size_t width = size_t(r_.right - r_.left) + 1;
        return values_[size_t(row - r_.top) * width + size_t(col - r_.left)];
    }

  private:
    CellRange r_;
    std::vector<double> values_;
};

double Lerp(double a, double b, double t) {
    return a + (b - a) * t;
}

double Fraction(int at, int from, int to) {
    return to == from ? 0.0 : double(at - from) / double(to - from);
}

double Interpolated(const Snapshot& s, CellRange r, int col, int row) {
    const double tx = Fraction(col, r.left, r.right);
    const double ty = Fraction(row, r.top, r.bottom);
    const double top = Lerp(s.at(r.left, r.top), s.at(r.right, r.top), tx);
    const double bottom = Lerp(s.at(r.left, r.bottom), s.at(r.right, r.bottom), tx);
    return Lerp(top, bottom, ty);
}

// The mean around an inner cell; NaN for a border cell, which keeps its value.
double Smoothed(const Snapshot& s, CellRange r, int col, int row) {
    const bool wide = r.right > r.left;
    const bool tall = r.bottom > r.top;
    const bool innerX = col > r.left && col < r.right;
    const bool innerY = row > r.top && row < r.bottom;
    if ((wide && !innerX) || (tall && !innerY)) {
        return std::nan("");
    }
    double sum = 0.0;
    int count = 0;
    for (int y = row - (tall ? 1 : 0); y <= row + (tall ? 1 : 0); ++y) {
        for (int x = col - (wide ? 1 : 0); x <= col + (wide ? 1 : 0); ++x) {
            if (const double v = s.at(x, y); !std::isnan(v)) {
                sum += v;
                ++count;
            }
        }
    }
    return count == 0 ? std::nan("") : sum / count;
}

double Result(RangeOp op, double operand, const Snapshot& s, CellRange r, int col, int row) {
    const double before = s.at(col, row);
    switch (op) {
    case RangeOp::Set:
        return operand;
    case RangeOp::Add:
        return before + operand;
    case RangeOp::Multiply:
        return before * operand;
    case RangeOp::Interpolate:
        return Interpolated(s, r, col, row);
    case RangeOp::Smooth:
        return Smoothed(s, r, col, row);
    }
    return std::nan("");
}

bool CornersAreElements(const Snapshot& s, CellRange r) {
    return !std::isnan(s.at(r.left, r.top)) && !std::isnan(s.at(r.right, r.top)) &&
           !std::isnan(s.at(r.left, r.bottom)) && !std::isnan(s.at(r.right, r.bottom));
}

} // namespace

int ApplyRange(WorkingValues& w, int par, CellRange range, RangeOp op, double operand) {
    const PAR_long* p = Loaded(w, par);
    if (p == nullptr || range.left > range.right || range.top > range.bottom ||
        std::isnan(operand)) {
        return 0;
    }
    range.left = std::max(range.left, 0);
    range.top = std::max(range.top, 0);
    range.right = std::min(range.right, GridCols(*p) - 1);
    range.bottom = std::min(range.bottom, GridRows(*p) - 1);
    if (range.left > range.right || range.top > range.bottom) {
        return 0;
    }
    const Snapshot before(w, *p, range);
    if (op == RangeOp::Interpolate && !CornersAreElements(before, range)) {
        return 0;
    }
    int written = 0;
    for (int row = range.top; row <= range.bottom; ++row) {
        for (int col = range.left; col <= range.right; ++col) {
            float* v = ValueAt(w, *p, col, row);
            const double result = Result(op, operand, before, range, col, row);
            if (v != nullptr && !std::isnan(result)) {
                *v = StepValue(*p, result);
                ++written;
            }
        }
    }
    return written;
}

namespace {

std::vector<std::string> Split(const std::string& text, char at) {
    std::vector<std::string> parts;
    size_t from = 0;
    for (size_t i = 0; i <= text.size(); ++i) {
        if (i == text.size() || text[i] == at) {
            parts.push_back(text.substr(from, i - from));
            from = i + 1;
        }
    }
    return parts;
}

bool Blank(const std::string& cell) {
    return cell.find_first_not_of(" \t\r") == std::string::npos;
}

// Spreadsheets copy with the decimal point of their own language: either one counts,
// but a cell with both (a thousands separator) is not taken for a number.
std::optional<double> PastedNumber(const std::string& cell) {
    const bool comma = cell.find(',') != std::string::npos;
    const bool point = cell.find('.') != std::string::npos;
    if (comma && point) {
        return std::nullopt;
    }
    return ParseDecimal(cell, comma ? ',' : '.');
}

} // namespace

PastedCells ParsePaste(const std::string& text) {
    PastedCells result;
    std::vector<std::string> lines = Split(text, '\n');
    if (!lines.empty() && lines.back().empty()) {
        lines.pop_back();
    }
    for (std::string& line : lines) {
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        std::vector<double> row;
        for (const std::string& cell : Split(line, '\t')) {
            if (Blank(cell)) {
                row.push_back(std::nan(""));
                continue;
            }
            const auto n = PastedNumber(cell);
            if (!n) {
                return {{}, true};
            }
            row.push_back(*n);
        }
        result.rows.push_back(std::move(row));
    }
    return result;
}

PasteResult PasteCells(WorkingValues& w, int par, int col, int row, const PastedCells& cells) {
    PasteResult result;
    const PAR_long* p = Loaded(w, par);
    if (p == nullptr || cells.notANumber) {
        return result;
    }
    for (size_t r = 0; r < cells.rows.size(); ++r) {
        for (size_t c = 0; c < cells.rows[r].size(); ++c) {
            const double value = cells.rows[r][c];
            if (std::isnan(value)) {
                continue;
            }
            const long long x = col + (long long)c;
            const long long y = row + (long long)r;
            float* v = x <= std::numeric_limits<int>::max() && y <= std::numeric_limits<int>::max()
                           ? ValueAt(w, *p, int(x), int(y))
                           : nullptr;
            if (v == nullptr) {
                ++result.leftOut;
                continue;
            }
            *v = StepValue(*p, value);
            ++result.written;
        }
    }
    return result;
}
