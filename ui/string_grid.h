#pragma once

#include <QPointer>
#include <QSet>
#include <QTableWidget>

#include <string>

class QKeyEvent;
class QLineEdit;
class StringGridDelegate;

// A grid of 8-bit texts addressed column first, cell(col, row), with fixed header
// cells drawn as ordinary grey cells and an in-place line editor that reports every
// change of its text. The windows forward its signals to their handlers.
//
// Signals are raised by the user only: setCell, setEditorText and the layout calls
// raise none. Moving between the grid and its own editor is no enter or exit; a box or
// dialog in another window is no exit either.
class StringGrid : public QTableWidget {
    Q_OBJECT
  public:
    explicit StringGrid(QWidget* parent = nullptr);

    void setGridSize(int cols, int rows);
    int colCount() const { return columnCount(); }
    int rowCount() const { return QTableWidget::rowCount(); }
    // Header cells: grey, never editable, never current.
    void setFixed(int fixedCols, int fixedRows);
    int fixedCols() const { return fixedCols_; }
    int fixedRows() const { return fixedRows_; }
    void setDefaultColWidth(int px);
    void setColWidth(int col, int px);
    void setDefaultRowHeight(int px);
    // Value cells editable in place: the editor opens on typing, F2 or a double click.
    void setEditable(bool on);
    // Also open the editor whenever the user makes a value cell current.
    void setAlwaysShowEditor(bool on);
    // Whole-row selection.
    void setRowSelect(bool on);
    // Columns can be made wider or narrower by dragging their right border in a
    // fixed row, as on the desktop grid.
    void setColumnsResizable(bool on);
    // The cells of column `col` whose text the column cuts show it whole as a tooltip.
    void setCutTextTips(int col, bool on);
    bool tipsCutText(int col) const { return cutTextTipCols_.contains(col); }

    // Texts are Latin-1 bytes. Writing the cell being edited updates its editor too.
    void setCell(int col, int row, const std::string& text);
    std::string cell(int col, int row) const;
    // Replaces the text of the cell being edited, editor included.
    void setEditorText(int col, int row, const std::string& text);
    // Shift and an arrow in a grid that selects ranges: the selection grows, even from
    // within the editor.
    bool extendsSelection(const QKeyEvent& key) const;
    // The open cell editor, or null.
    QLineEdit* editor() const;

  signals:
    // Every change of the editor text made by the user (per keystroke).
    void setEditText(int col, int row, const std::string& text);
    // The user moved the current cell (click, arrows, Tab).
    void selectCell(int col, int row);
    void gridEnter();
    void gridExit();
    // Each character typed in the grid or its editor; Enter is kEnterKey.
    void keyPress(char key);

  protected:
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    QModelIndex moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers) override;
    void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;
    void closeEditor(QWidget* editor, QAbstractItemDelegate::EndEditHint hint) override;

  private:
    friend class StringGridDelegate;

    bool isFixed(int col, int row) const { return col < fixedCols_ || row < fixedRows_; }
    void styleCell(int col, int row);
    void styleAll();
    void placeCurrentOnValueCell();
    void applyEditTriggers();
    void onFocusChanged(QWidget* now);
    void editorTextEdited(int col, int row, const QString& text);
    QModelIndex stepCell(int step) const;

    StringGridDelegate* delegate_;
    int fixedCols_ = 0;
    int fixedRows_ = 0;
    bool editable_ = false;
    bool alwaysShowEditor_ = false;
    bool focusInside_ = false;
    int userInput_ = 0;       // > 0 while a mouse or key event of the user is handled
    bool forwarding_ = false; // a key is being passed on to the open editor
    // The column whose right border lies under `x` in a fixed row, or -1.
    int borderAt(const QPoint& pos) const;
    bool columnsResizable_ = false;
    int resizingCol_ = -1; // the column being resized by a drag, or -1
    int resizeStartX_ = 0;
    int resizeStartWidth_ = 0;
    QSet<int> cutTextTipCols_;
};
