#pragma once

#include "config/catalogue.h"
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
};

// The editor logic of the Config window: shows one parameter in the grid and turns the
// text typed into its cells into working values. Reports go into the window's list.
class ConfigEditor {
  public:
    ConfigEditor(WorkingValues& working, ListSink& list, Dialogs& dialogs, ConfigGridView& view,
                 char decimalSeparator);

    void FormCreate();
    void ShowSelectedParameter();
    void CommitPendingEdit();
    // After a read or an open; a new block invalidates the pending edit.
    void AfterTransfer(bool newBlock);

    void StringGrid1SetEditText(int col, int row, const std::string& text);
    void StringGrid1SelectCell(int col, int row);
    void StringGrid1Enter();
    void StringGrid1Exit();
    void OnKeyPress(char key);
    void OnClickTreeNode();
    void TreeView2Change() {}

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
    void discardPending() { pending_ = PendingEdit{}; }
    void fillHeaders(const PAR_long& p);
    std::string cellPosition() const;

    WorkingValues& w_;
    ListSink& list_;
    Dialogs& dialogs_;
    ConfigGridView& view_;
    char sep_;
    PendingEdit pending_;
    int shownPar_ = -1;
};
