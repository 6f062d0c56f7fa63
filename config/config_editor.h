#pragma once

#include "config/catalogue.h"
#include "config/config_undo.h"
#include "config/range_edit.h"
#include "core/dialogs.h"
#include "core/list_sink.h"

#include <string>

// The Config window's tree and grid as the editor sees them.
class ConfigGridView {
  public:
    virtual ~ConfigGridView() = default;
    // Index into kCatalogueTree of the selected tree node, or -1 when none is selected.
    virtual int selectedNode() const = 0;
    virtual void setGridVisible(bool visible) = 0;
    virtual void setGridSize(int cols, int rows) = 0;
    virtual void setCell(int col, int row, const std::string& text) = 0;
    // Replaces the text of the cell being edited, editor included.
    virtual void setEditorText(int col, int row, const std::string& text) = 0;
    // Selects the parameter's tree node and shows it, as a click on the node would.
    virtual void showParameter(int par) = 0;
};

// The editor logic of the Config window: shows one parameter in the grid and turns the
// text typed into its cells into working values. Reports go into the window's list.
class ConfigEditor {
  public:
    ConfigEditor(WorkingValues& working, ListSink& list, Dialogs& dialogs, ConfigGridView& view,
                 char decimalSeparator);

    // Committed edits, range edits and pastes become undo steps once attached.
    void attach(ConfigUndo* undo) { undo_ = undo; }

    void start();
    void ShowSelectedParameter();
    void CommitPendingEdit();
    // After a read or an open; a new block invalidates the pending edit.
    void AfterTransfer(bool newBlock);

    void setPendingText(int col, int row, const std::string& text);
    void moveToCell(int col, int row);
    void enterGrid();
    void leaveGrid();
    void pressKey(char key);
    void showClickedNode();

    // On the grid cells of the parameter shown; each is one undo step. False, changing
    // nothing, when no parameter is shown or no element was in reach.
    bool editRange(CellRange range, RangeOp op, double operand = 0.0);
    // Tab-separated text with its first cell at grid cell (col, row).
    bool paste(int col, int row, const std::string& text);
    // The change before (after) the last undone one, the parameter it changed then shown.
    bool undo() { return replay(false); }
    bool redo() { return replay(true); }

    struct PendingEdit {
        std::string text;
        int col = 0;
        int row = 0;
        int par = -1;         // catalogue index, -1 for none
        bool applied = false; // committed once already
    };
    const PendingEdit& pending() const { return pending_; }
    // Catalogue index of the parameter the grid shows, -1 while it is hidden.
    int shownParameter() const { return shownPar_; }

    static constexpr int kMaxPendingLength = 6;

  private:
    void showValues();
    void showChanged(std::optional<int> par);
    bool replay(bool forward);
    void discardPending() { pending_ = PendingEdit{}; }
    void fillHeaders(const PAR_long& p);
    std::string cellPosition() const;

    WorkingValues& w_;
    ListSink& list_;
    Dialogs& dialogs_;
    ConfigGridView& view_;
    char sep_;
    ConfigUndo* undo_ = nullptr;
    PendingEdit pending_;
    int shownPar_ = -1;
};
