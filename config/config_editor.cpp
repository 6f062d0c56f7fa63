#include "config/config_editor.h"

#include "config/value_codec.h"

#include <optional>

namespace {

struct ElementAt {
    size_t index; // element index within the parameter
    bool yAxis;
};

// The element under grid cell (col, row), or nothing for a header cell or the
// map corner where the axes meet.
std::optional<ElementAt> ElementOfCell(const PAR_long& p, int col, int row) {
    const int cols = p.cols;
    const int rows = p.rows;
    if (!IsMap(p)) {
        if (col < 1 || col > cols || row < 1 || row > rows) {
            return std::nullopt;
        }
        return ElementAt{size_t((row - 1) * cols + (col - 1)), false};
    }
    const bool xInside = col >= 2 && col <= cols + 1;
    const bool yInside = row >= 2 && row <= rows + 1;
    if (xInside && yInside) {
        return ElementAt{size_t((row - 2) * cols + (col - 2)), false};
    }
    if (row == 1 && xInside) {
        return ElementAt{size_t(rows * cols + (col - 2)), false};
    }
    if (col == 1 && yInside) {
        return ElementAt{size_t((rows + 1) * cols + (row - 2)), true};
    }
    return std::nullopt;
}

std::string Count(int n) {
    return std::to_string(n);
}

} // namespace

ConfigEditor::ConfigEditor(WorkingValues& working, ListSink& list, Dialogs& dialogs,
                           ConfigGridView& view, char decimalSeparator)
    : w_(working), list_(list), dialogs_(dialogs), view_(view), sep_(decimalSeparator) {}

void ConfigEditor::FormCreate() {
    list_.addEntry(kElementTypes[0].name);
    view_.setGridVisible(false);
    shownPar_ = -1;
}

void ConfigEditor::ShowSelectedParameter() {
    const int node = view_.selectedNode();
    if (node < 0 || size_t(node) >= kCatalogueTree.size()) {
        list_.addEntry("Select Tree Node");
        list_.scrollDown(1);
        return;
    }
    // The grid is about to show other values: an edit typed for the old ones must not
    // land in them.
    discardPending();
    const TreeNodeDef& def = kCatalogueTree[size_t(node)];
    if (def.par < 0) {
        list_.addEntry("Select \"+\" Tree Node");
    }
    if (def.par < 0 || !w_.pars[size_t(def.par)].values) {
        view_.setGridVisible(false);
        shownPar_ = -1;
        list_.addEntry(def.text);
        list_.scrollDown(1);
        return;
    }
    const PAR_long& p = w_.pars[size_t(def.par)];
    const int m = IsMap(p) ? 1 : 0;
    shownPar_ = def.par;
    view_.setGridVisible(true);
    view_.setGridSize(p.cols + 1 + m, p.rows + 1 + m);

    const float* v = w_.values.data() + *p.values;
    for (int r = 0; r < p.rows; ++r) {
        for (int c = 0; c < p.cols; ++c) {
            view_.setCell(c + 1 + m, r + 1 + m, CellText(v[r * p.cols + c], sep_));
        }
    }
    if (m == 1) {
        for (int c = 0; c < p.cols; ++c) {
            view_.setCell(c + 2, 1, CellText(v[p.rows * p.cols + c], sep_));
        }
        for (int r = 0; r < p.rows; ++r) {
            view_.setCell(1, r + 2, CellText(v[(p.rows + 1) * p.cols + r], sep_));
        }
    }
    fillHeaders(p);

    std::string entry;
    for (int i = 0; i < p.rows * p.cols; ++i) {
        entry += "  " + FullText(v[i], sep_);
    }
    list_.addEntry(entry);
    list_.scrollDown(1);
}

void ConfigEditor::fillHeaders(const PAR_long& p) {
    for (int c = 0; c <= p.cols; ++c) {
        view_.setCell(c, 0, "");
    }
    for (int r = 0; r <= p.rows; ++r) {
        view_.setCell(0, r, "");
    }
    if (IsMap(p)) {
        view_.setCell(1, 1, "0");
        view_.setCell(0, 0, "f(xy)");
        view_.setCell(1, 0, p.label);
        view_.setCell(0, 1, p.range);
        for (int c = 1; c <= p.cols; ++c) {
            view_.setCell(c + 1, 0, Count(c));
        }
        for (int r = 1; r <= p.rows; ++r) {
            view_.setCell(0, r + 1, Count(r));
        }
        return;
    }
    for (int c = 1; c <= p.cols; ++c) {
        view_.setCell(c, 0, Count(c));
    }
    if (p.rows == 1) {
        view_.setCell(0, 0, p.label);
        view_.setCell(0, 1, p.range);
    } else {
        view_.setCell(0, 1, p.label);
        view_.setCell(0, 2, p.range);
    }
}

void ConfigEditor::CommitPendingEdit() {
    if (pending_.par < 0 || pending_.applied) {
        return;
    }
    pending_.applied = true;
    const PAR_long& p = w_.pars[size_t(pending_.par)];
    if (!p.values) {
        return;
    }
    const auto at = ElementOfCell(p, pending_.col, pending_.row);
    if (!at) {
        // Only the map corner can be edited without being an element; it stays "0".
        if (IsMap(p) && pending_.col == 1 && pending_.row == 1) {
            view_.setCell(1, 1, "0");
        }
        return;
    }
    float& value = w_.values[*p.values + at->index];
    // Cell texts are cut to six characters, so entering the shown text again could land
    // one step lower; text left as it was shown keeps the value it shows.
    if (pending_.text != CellText(value, sep_)) {
        const EnteredValue entered = EnterValue(p, pending_.text, sep_);
        if (entered.notANumber) {
            dialogs_.showMessage("not a number");
        }
        value = entered.value;
    }
    if (at->yAxis) {
        list_.addEntry("else ");
    }
    view_.setCell(pending_.col, pending_.row, CellText(value, sep_));
}

void ConfigEditor::AfterTransfer(bool newBlock) {
    if (newBlock) {
        discardPending();
    }
    ShowSelectedParameter();
}

void ConfigEditor::StringGrid1SetEditText(int col, int row, const std::string& text) {
    pending_.text = text.substr(0, kMaxPendingLength);
    pending_.col = col;
    pending_.row = row;
    pending_.applied = false;
    if (KeepFirstComma(pending_.text)) {
        view_.setEditorText(col, row, pending_.text);
    }
    // The parameter the grid shows, which a keyboard move in the tree does not change.
    pending_.par = shownPar_;
}

std::string ConfigEditor::cellPosition() const {
    return " row=" + Count(pending_.row) + " col=" + Count(pending_.col);
}

void ConfigEditor::StringGrid1SelectCell(int, int) {
    CommitPendingEdit();
    list_.addEntry("select=" + pending_.text + cellPosition());
    list_.scrollDown(1);
}

void ConfigEditor::StringGrid1Exit() {
    list_.addEntry("exit=" + pending_.text);
    if (pending_.par >= 0) {
        CommitPendingEdit();
        list_.addEntry("select=" + pending_.text + cellPosition() + " pdata=" + pending_.text);
        list_.scrollDown(1);
    }
}

void ConfigEditor::StringGrid1Enter() {
    list_.addEntry("enter=" + pending_.text);
}

void ConfigEditor::OnKeyPress(char key) {
    if (key != 13) {
        return;
    }
    CommitPendingEdit();
    list_.addEntry("PressEnter" + pending_.text + cellPosition());
}

void ConfigEditor::OnClickTreeNode() {
    ShowSelectedParameter();
}
