#include "config/config_editor.h"

#include "config/cell_geometry.h"
#include "config/value_codec.h"

#include <optional>

namespace {

std::string Count(int n) {
    return std::to_string(n);
}

} // namespace

ConfigEditor::ConfigEditor(WorkingValues& working, ListSink& list, Dialogs& dialogs,
                           ConfigGridView& view, char decimalSeparator)
    : w_(working), list_(list), dialogs_(dialogs), view_(view), sep_(decimalSeparator) {}

void ConfigEditor::start() {
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
    shownPar_ = def.par;
    view_.setGridVisible(true);
    view_.setGridSize(GridCols(p), GridRows(p));
    showValues();
    fillHeaders(p);

    const float* v = w_.values.data() + *p.values;

    std::string entry;
    for (int i = 0; i < p.rows * p.cols; ++i) {
        entry += "  " + FullText(v[i], sep_);
    }
    list_.addEntry(entry);
    list_.scrollDown(1);
}

void ConfigEditor::showValues() {
    if (shownPar_ < 0) {
        return;
    }
    const PAR_long& p = w_.pars[size_t(shownPar_)];
    const float* v = w_.values.data() + *p.values;
    size_t k = 0;
    ForEachElement(p, [&](int c, int r) {
        const ElementCell cell = CellOfElement(p, {c, r});
        view_.setCell(cell.col, cell.row, CellText(v[k++], sep_));
    });
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
    const UndoStep before = undo_ != nullptr ? undo_->capture(pending_.par) : UndoStep{};
    float& value = w_.values[*p.values + *ElementIndex(p, *at)];
    // Cell texts are cut to six characters, so entering the shown text again could land
    // one step lower; text left as it was shown keeps the value it shows.
    if (pending_.text != CellText(value, sep_)) {
        const EnteredValue entered = EnterValue(p, pending_.text, sep_);
        if (entered.notANumber) {
            dialogs_.showMessage("not a number");
        }
        value = entered.value;
    }
    if (at->row == YAxisRow(p)) {
        list_.addEntry("else ");
    }
    view_.setCell(pending_.col, pending_.row, CellText(value, sep_));
    if (undo_ != nullptr) {
        undo_->commit(before);
    }
}

void ConfigEditor::AfterTransfer(bool newBlock) {
    if (newBlock) {
        discardPending();
    }
    ShowSelectedParameter();
}

void ConfigEditor::setPendingText(int col, int row, const std::string& text) {
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

void ConfigEditor::moveToCell(int, int) {
    CommitPendingEdit();
    list_.addEntry("select=" + pending_.text + cellPosition());
    list_.scrollDown(1);
}

void ConfigEditor::leaveGrid() {
    list_.addEntry("exit=" + pending_.text);
    if (pending_.par >= 0) {
        CommitPendingEdit();
        list_.addEntry("select=" + pending_.text + cellPosition() + " pdata=" + pending_.text);
        list_.scrollDown(1);
    }
}

void ConfigEditor::enterGrid() {
    list_.addEntry("enter=" + pending_.text);
}

void ConfigEditor::pressKey(char key) {
    if (key != 13) {
        return;
    }
    CommitPendingEdit();
    list_.addEntry("PressEnter" + pending_.text + cellPosition());
}

void ConfigEditor::showClickedNode() {
    ShowSelectedParameter();
}

bool ConfigEditor::editRange(CellRange range, RangeOp op, double operand) {
    CommitPendingEdit();
    if (shownPar_ < 0) {
        return false;
    }
    const UndoStep before = undo_ != nullptr ? undo_->capture(shownPar_) : UndoStep{};
    if (ApplyRange(w_, shownPar_, range, op, operand) == 0) {
        return false;
    }
    showValues();
    if (undo_ != nullptr) {
        undo_->commit(before);
    }
    return true;
}

bool ConfigEditor::paste(int col, int row, const std::string& text) {
    CommitPendingEdit();
    if (shownPar_ < 0) {
        return false;
    }
    const PastedCells cells = ParsePaste(text);
    if (cells.notANumber) {
        dialogs_.showMessage("not a number");
        return false;
    }
    const UndoStep before = undo_ != nullptr ? undo_->capture(shownPar_) : UndoStep{};
    const PasteResult result = PasteCells(w_, shownPar_, col, row, cells);
    if (result.leftOut > 0) {
        list_.addEntry("Paste: " + Count(result.leftOut) +
                       (result.leftOut == 1 ? " cell" : " cells") + " beyond the grid left out");
        list_.scrollDown(1);
    }
    showValues();
    if (undo_ != nullptr) {
        undo_->commit(before);
    }
    return result.written > 0;
}

void ConfigEditor::showChanged(std::optional<int> par) {
    discardPending();
    if (par && *par >= 0) {
        view_.showParameter(*par);
    } else {
        ShowSelectedParameter();
    }
}

bool ConfigEditor::replay(bool forward) {
    if (undo_ == nullptr) {
        return false;
    }
    CommitPendingEdit();
    const auto par = forward ? undo_->redo() : undo_->undo();
    if (par) {
        showChanged(par);
    }
    return par.has_value();
}
