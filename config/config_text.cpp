#include "config/config_text.h"

#include "config/value_codec.h"

namespace {

constexpr size_t kCellWidth = 7; // a cell text has at most six characters
constexpr size_t kLabelWidth = 10;

std::string PadLeft(const std::string& text, size_t width) {
    return text.size() >= width ? text : std::string(width - text.size(), ' ') + text;
}

std::string PadRight(const std::string& text, size_t width) {
    return text.size() >= width ? text : text + std::string(width - text.size(), ' ');
}

std::string Plural(size_t n, const char* noun) {
    return std::to_string(n) + " " + noun + (n == 1 ? "" : "s");
}

class ParameterText {
  public:
    ParameterText(const ConfigBlock& block, const PAR_long& p, char sep)
        : block_(block), p_(p), sep_(sep) {}

    std::string render(const std::string& path) const {
        if (IsMap(p_)) {
            return path + " (" + p_.label + " across, " + p_.range + " down):\n" + map();
        }
        if (p_.rows == 2) {
            return path + ":\n" + table();
        }
        std::string line = path + " (" + p_.label + ", " + p_.range + "):";
        for (int c = 0; c < p_.cols; ++c) {
            line += " " + cell(c, 0);
        }
        return line + "\n";
    }

  private:
    std::string cell(int col, int row) const {
        return CellText(ReadElement(block_, p_, col, row), sep_);
    }

    std::string line(const std::string& label, int row, int count, int axisRow = -1) const {
        std::string text = "  " + PadRight(label, kLabelWidth);
        for (int c = 0; c < count; ++c) {
            text += PadLeft(axisRow < 0 ? cell(c, row) : cell(c, axisRow), kCellWidth);
        }
        return text + "\n";
    }

    std::string table() const {
        std::string text = "  " + std::string(kLabelWidth, ' ');
        for (int c = 1; c <= p_.cols; ++c) {
            text += PadLeft(std::to_string(c), kCellWidth);
        }
        text += "\n";
        return text + line(p_.label, 0, p_.cols) + line(p_.range, 1, p_.cols);
    }

    std::string map() const {
        const std::string corner = std::string(p_.range) + " \\ " + p_.label;
        std::string text = line(corner, 0, p_.cols, XAxisRow(p_));
        for (int r = 0; r < p_.rows; ++r) {
            text += line(cell(r, YAxisRow(p_)), r, p_.cols);
        }
        return text;
    }

    const ConfigBlock& block_;
    const PAR_long& p_;
    char sep_;
};

} // namespace

std::string ConfigText(const ConfigBlock& block, char decimalSeparator) {
    std::string text = "# KORVEX configuration: every parameter by its place in the Config "
                       "window's tree,\n# with the values the editor shows.\n";
    for (size_t node = 0; node < kCatalogueTree.size(); ++node) {
        const int par = kCatalogueTree[node].par;
        if (par >= 0) {
            const ParameterText p(block, kParLong[size_t(par)], decimalSeparator);
            text += p.render(TreePath(node));
        }
    }
    return text;
}

std::string DifferenceSummary(const ConfigDifferences& differences) {
    if (differences.empty()) {
        return "No differences";
    }
    return Plural(differences.elementCount(), "differing element") + " in " +
           Plural(differences.parameters.size(), "parameter");
}

std::string DifferenceHeading(const ParameterDifference& difference) {
    const PAR_long& p = kParLong[size_t(difference.par)];
    std::string heading = TreePath(size_t(difference.node));
    if (ElementCount(p) != 1) {
        heading.append(", ")
            .append(std::to_string(difference.elements.size()))
            .append(" of ")
            .append(std::to_string(ElementCount(p)))
            .append(" differ");
    }
    return heading;
}

std::string DifferenceText(const ConfigDifferences& differences, const std::string& otherName,
                           const std::string& note) {
    constexpr size_t kLineGuess = 40;
    std::string text = "# KORVEX configuration differences: the editor -> " + otherName + "\n";
    text.reserve(text.size() + note.size() + kLineGuess * (differences.elementCount() + 2));
    if (!note.empty()) {
        text.append("# ").append(note).append("\n");
    }
    text.append("# ").append(DifferenceSummary(differences)).append("\n");
    for (const auto& d : differences.parameters) {
        const std::string heading = DifferenceHeading(d);
        for (const auto& e : d.elements) {
            if (e.place.empty()) {
                text.append(heading).append(": ");
            } else {
                if (&e == &d.elements.front()) {
                    text.append(heading).append(":\n");
                }
                text.append("  ").append(e.place).append(": ");
            }
            text.append(e.mine).append(" -> ").append(e.theirs).append("\n");
        }
    }
    return text;
}
