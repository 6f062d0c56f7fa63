#include "config/config_difference.h"

#include "config/value_codec.h"

#include <algorithm>

namespace {

// Where a differing element sits, in the words of the editor's grid headers.
class Places {
  public:
    Places(const PAR_long& p, const ConfigBlock& mine, const ConfigBlock& theirs, char sep)
        : p_(p) {
        if (IsMap(p)) {
            for (int c = 0; c < p.cols; ++c) {
                x_.push_back(axis(p, mine, theirs, sep, c, XAxisRow(p)));
            }
            for (int r = 0; r < p.rows; ++r) {
                y_.push_back(axis(p, mine, theirs, sep, r, YAxisRow(p)));
            }
        }
    }

    std::string of(int col, int row) const {
        const std::string number = std::to_string(col + 1);
        if (IsMap(p_)) {
            if (row == XAxisRow(p_)) {
                return std::string(p_.label) + " axis " + number;
            }
            if (row == YAxisRow(p_)) {
                return std::string(p_.range) + " axis " + number;
            }
            return std::string(p_.label) + "=" + x_[size_t(col)] + " " + p_.range + "=" +
                   y_[size_t(row)];
        }
        if (p_.rows == 2) {
            return std::string(row == 0 ? p_.label : p_.range) + " " + number;
        }
        return p_.cols > 1 ? number : std::string();
    }

  private:
    static std::string axis(const PAR_long& p, const ConfigBlock& mine, const ConfigBlock& theirs,
                            char sep, int point, int axisRow) {
        const float a = ReadElement(mine, p, point, axisRow);
        const float b = ReadElement(theirs, p, point, axisRow);
        const std::string text = CellText(a, sep);
        return a == b ? text : text + "|" + CellText(b, sep);
    }

    const PAR_long& p_;
    std::vector<std::string> x_; // the text of each axis point
    std::vector<std::string> y_;
};

} // namespace

size_t ConfigDifferences::elementCount() const {
    size_t n = 0;
    for (const auto& p : parameters) {
        n += p.elements.size();
    }
    return n;
}

ConfigDifferences CompareBlocks(const ConfigBlock& mine, const ConfigBlock& theirs,
                                char decimalSeparator) {
    ConfigDifferences result;
    for (size_t node = 0; node < kCatalogueTree.size(); ++node) {
        const int par = kCatalogueTree[node].par;
        if (par < 0) {
            continue;
        }
        const PAR_long& p = kParLong[size_t(par)];
        const Places places(p, mine, theirs, decimalSeparator);
        ParameterDifference diff{par, int(node), {}};
        diff.elements.reserve(ElementCount(p));
        ForEachElement(p, [&](int c, int r) {
            const float a = ReadElement(mine, p, c, r);
            const float b = ReadElement(theirs, p, c, r);
            if (a != b) {
                diff.elements.push_back({c, r, places.of(c, r), CellText(a, decimalSeparator),
                                         CellText(b, decimalSeparator)});
            }
        });
        if (!diff.elements.empty()) {
            result.parameters.push_back(std::move(diff));
        }
    }
    return result;
}

namespace {

struct ElementBytes {
    uint16_t offset;
    uint8_t width;
};

// Every element's bytes in catalogue order, worked out once: a history of thousands of
// entries counts its differences against the same catalogue each time.
const std::vector<ElementBytes>& AllElementBytes() {
    static const std::vector<ElementBytes> all = [] {
        std::vector<ElementBytes> bytes;
        for (const TreeNodeDef& node : kCatalogueTree) {
            if (node.par < 0) {
                continue;
            }
            const PAR_long& p = kParLong[size_t(node.par)];
            const ElementType* t = FindElementType(p.type);
            ForEachElement(p, [&](int c, int r) {
                const auto at = ElementOffset(p, c, r);
                if (t != nullptr && at) {
                    bytes.push_back({uint16_t(*at), t->width});
                }
            });
        }
        return bytes;
    }();
    return all;
}

} // namespace

size_t CountDifferences(const ConfigBlock& mine, const ConfigBlock& theirs) {
    // An element's value differs exactly when its bytes do, which is quicker to see.
    size_t count = 0;
    for (const ElementBytes& e : AllElementBytes()) {
        const size_t at = e.offset;
        if (mine[at] != theirs[at] || (e.width == 2 && mine[at + 1] != theirs[at + 1])) {
            ++count;
        }
    }
    return count;
}

bool TakeOver(WorkingValues& working, const ConfigBlock& theirs,
              const std::vector<ElementRef>& chosen) {
    for (const auto& e : chosen) {
        if (e.par < 0 || size_t(e.par) >= working.pars.size() ||
            !working.pars[size_t(e.par)].values) {
            return false;
        }
    }
    for (const auto& e : chosen) {
        const PAR_long& p = working.pars[size_t(e.par)];
        if (const auto index = ElementIndex(p, {e.col, e.row})) {
            working.values[*p.values + *index] = ReadElement(theirs, p, e.col, e.row);
        }
    }
    return true;
}

ConfigBlock EditorBlock(const ConfigBlock& block, const WorkingValues& working) {
    ConfigBlock result = block;
    StoreWorkingValues(working, result);
    return result;
}
