#include "ui/string_grid.h"

#include "core/key_codes.h"
#include "ui/qt_text.h"

#include <QApplication>
#include <QHeaderView>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPainter>
#include <QStyledItemDelegate>
#include <QToolTip>

#include <algorithm>
#include <cstdlib>

namespace {
bool IsEnter(int key) {
    return key == Qt::Key_Return || key == Qt::Key_Enter;
}
bool IsArrow(int key) {
    return key == Qt::Key_Left || key == Qt::Key_Right || key == Qt::Key_Up || key == Qt::Key_Down;
}
bool IsTab(int key) {
    return key == Qt::Key_Tab || key == Qt::Key_Backtab;
}
// The 8-bit character a key types, or 0 for none (Tab moves, it types nothing).
char TypedChar(const QKeyEvent& key) {
    if (key.text().isEmpty() || IsTab(key.key())) {
        return 0;
    }
    return key.text().at(0).toLatin1();
}
} // namespace

// Opens a plain line editor per cell and reports its changes and keys to the grid.
class StringGridDelegate : public QStyledItemDelegate {
  public:
    explicit StringGridDelegate(StringGrid* grid) : QStyledItemDelegate(grid), grid_(grid) {}

    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem&,
                          const QModelIndex& index) const override {
        auto* edit = new QLineEdit(parent);
        edit->setFrame(false);
        const int col = index.column();
        const int row = index.row();
        QObject::connect(edit, &QLineEdit::textEdited, grid_,
                         [grid = grid_, col, row](const QString& text) {
                             grid->editorTextEdited(col, row, text);
                         });
        editor_ = edit;
        return edit;
    }

    // Rewriting an unchanged text would move the cursor and break typing in the middle.
    void setEditorData(QWidget* editor, const QModelIndex& index) const override {
        auto* edit = qobject_cast<QLineEdit*>(editor);
        const QString text = index.data(Qt::EditRole).toString();
        if (edit && edit->text() != text) {
            edit->setText(text);
        }
    }

    QLineEdit* editor() const { return editor_.data(); }

    // A cell is its background and one line of text, clipped at the border as on the
    // desktop grid. Drawn directly: the style's item painting costs several times as
    // much, and the live grid repaints up to 35 cells every tick.
    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        const bool selected = option.state & QStyle::State_Selected;
        const QBrush background = index.data(Qt::BackgroundRole).value<QBrush>();
        if (selected) {
            painter->fillRect(option.rect, option.palette.brush(QPalette::Highlight));
        } else if (background.style() != Qt::NoBrush) {
            painter->fillRect(option.rect, background);
        }
        painter->save();
        painter->setClipRect(option.rect);
        painter->setPen(
            option.palette.color(selected ? QPalette::HighlightedText : QPalette::Text));
        painter->drawText(textRect(option.rect),
                          Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                          index.data(Qt::DisplayRole).toString());
        painter->restore();
        if (option.state & QStyle::State_HasFocus) {
            QStyleOptionFocusRect focus;
            focus.QStyleOption::operator=(option);
            focus.backgroundColor = option.palette.color(QPalette::Base);
            grid_->style()->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, painter, grid_);
        }
    }

    // In a column that asks for it, a text the cell cuts shows whole as a tooltip; a
    // text that fits shows none.
    bool helpEvent(QHelpEvent* event, QAbstractItemView* view, const QStyleOptionViewItem& option,
                   const QModelIndex& index) override {
        if (event->type() != QEvent::ToolTip || !grid_->tipsCutText(index.column())) {
            return QStyledItemDelegate::helpEvent(event, view, option, index);
        }
        const QString text = index.data(Qt::DisplayRole).toString();
        if (option.fontMetrics.horizontalAdvance(text) > textRect(option.rect).width()) {
            QToolTip::showText(event->globalPos(), text, view, option.rect);
        } else {
            QToolTip::hideText();
        }
        return true;
    }

  protected:
    bool eventFilter(QObject* object, QEvent* event) override {
        auto* edit = qobject_cast<QLineEdit*>(object);
        if (edit && event->type() == QEvent::KeyPress) {
            auto* key = static_cast<QKeyEvent*>(event);
            if (grid_->extendsSelection(*key)) {
                QCoreApplication::sendEvent(grid_, key);
                return true;
            }
            if (IsEnter(key->key())) {
                // The handler sees the committed cell and may rewrite it.
                emit commitData(edit);
                emit closeEditor(edit, QAbstractItemDelegate::NoHint);
                emit grid_->keyPress(kEnterKey);
                return true;
            }
            if (const char typed = TypedChar(*key)) {
                emit grid_->keyPress(typed);
            }
        }
        return QStyledItemDelegate::eventFilter(object, event);
    }

  private:
    // Where a cell's text goes: inside the cell, clear of its border.
    QRect textRect(const QRect& cell) const {
        const int margin = grid_->style()->pixelMetric(QStyle::PM_FocusFrameHMargin) + 1;
        return cell.adjusted(margin, 0, -margin, 0);
    }

    StringGrid* grid_;
    mutable QPointer<QLineEdit> editor_;
};

StringGrid::StringGrid(QWidget* parent)
    : QTableWidget(parent), delegate_(new StringGridDelegate(this)) {
    setItemDelegate(delegate_);
    horizontalHeader()->hide();
    verticalHeader()->hide();
    horizontalHeader()->setMinimumSectionSize(1);
    verticalHeader()->setMinimumSectionSize(1);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectItems);
    setTabKeyNavigation(true);
    setWordWrap(false);
    applyEditTriggers();
    if (auto* app = qobject_cast<QApplication*>(QCoreApplication::instance())) {
        connect(app, &QApplication::focusChanged, this,
                [this](QWidget*, QWidget* now) { onFocusChanged(now); });
    }
}

void StringGrid::setGridSize(int cols, int rows) {
    setColumnCount(std::max(cols, 0));
    setRowCount(std::max(rows, 0));
    styleAll();
}

void StringGrid::setFixed(int fixedCols, int fixedRows) {
    fixedCols_ = std::max(fixedCols, 0);
    fixedRows_ = std::max(fixedRows, 0);
    styleAll();
}

void StringGrid::setDefaultColWidth(int px) {
    horizontalHeader()->setDefaultSectionSize(px);
    for (int c = 0; c < columnCount(); ++c) {
        setColumnWidth(c, px);
    }
}

void StringGrid::setColWidth(int col, int px) {
    setColumnWidth(col, px);
}

void StringGrid::setDefaultRowHeight(int px) {
    verticalHeader()->setDefaultSectionSize(px);
    for (int r = 0; r < QTableWidget::rowCount(); ++r) {
        setRowHeight(r, px);
    }
}

void StringGrid::setEditable(bool on) {
    editable_ = on;
    applyEditTriggers();
    styleAll();
}

void StringGrid::setAlwaysShowEditor(bool on) {
    alwaysShowEditor_ = on;
    applyEditTriggers();
}

void StringGrid::setRowSelect(bool on) {
    setSelectionBehavior(on ? QAbstractItemView::SelectRows : QAbstractItemView::SelectItems);
    // The current cell keeps its place; its selection now spans the row (or not).
    const QModelIndex current = currentIndex();
    if (current.isValid()) {
        selectionModel()->select(
            current, QItemSelectionModel::ClearAndSelect |
                         (on ? QItemSelectionModel::Rows : QItemSelectionModel::NoUpdate));
    }
}

void StringGrid::setCutTextTips(int col, bool on) {
    if (on) {
        cutTextTipCols_.insert(col);
    } else {
        cutTextTipCols_.remove(col);
    }
}

void StringGrid::setCell(int col, int row, const std::string& text) {
    QTableWidgetItem* it = item(row, col);
    if (it) {
        // The view copies the new text into an editor open on this cell.
        it->setText(FromBytes(text));
    }
}

std::string StringGrid::cell(int col, int row) const {
    const QTableWidgetItem* it = item(row, col);
    return it ? ToBytes(it->text()) : std::string();
}

void StringGrid::setEditorText(int col, int row, const std::string& text) {
    setCell(col, row, text);
    QLineEdit* edit = editor();
    const QModelIndex current = currentIndex();
    if (edit && current.column() == col && current.row() == row &&
        edit->text() != FromBytes(text)) {
        edit->setText(FromBytes(text));
    }
}

QLineEdit* StringGrid::editor() const {
    return state() == QAbstractItemView::EditingState ? delegate_->editor() : nullptr;
}

void StringGrid::keyPressEvent(QKeyEvent* event) {
    ++userInput_;
    QLineEdit* edit = editor();
    // In a grid that selects ranges, Shift and an arrow extend the selection, even from
    // within the editor.
    if (extendsSelection(*event) && edit) {
        emit commitData(edit);
        QTableWidget::closeEditor(edit, QAbstractItemDelegate::NoHint);
        edit = nullptr;
    }
    if (edit && !forwarding_) {
        // Keys sent to the grid while its editor is open belong to the editor; what the
        // editor ignores (arrows up and down) comes back here and moves the cell.
        forwarding_ = true;
        QCoreApplication::sendEvent(edit, event);
        forwarding_ = false;
        event->accept();
    } else if (IsEnter(event->key())) {
        emit keyPress(kEnterKey);
        event->accept();
    } else {
        const bool hadEditor = edit != nullptr;
        QTableWidget::keyPressEvent(event);
        // A key that opened the editor was passed on to it and reported there.
        const bool opened = !hadEditor && editor() != nullptr;
        const char typed = TypedChar(*event);
        if (!opened && !forwarding_ && typed != 0) {
            emit keyPress(typed);
        }
    }
    --userInput_;
}

bool StringGrid::extendsSelection(const QKeyEvent& key) const {
    return selectionMode() == QAbstractItemView::ContiguousSelection &&
           key.modifiers().testFlag(Qt::ShiftModifier) && IsArrow(key.key());
}

void StringGrid::setColumnsResizable(bool on) {
    columnsResizable_ = on;
    viewport()->setMouseTracking(on);
}

int StringGrid::borderAt(const QPoint& pos) const {
    constexpr int kGrip = 3;
    if (!columnsResizable_ || pos.y() >= rowViewportPosition(0) + rowHeight(0) * fixedRows_) {
        return -1;
    }
    for (int c = 0; c < columnCount(); ++c) {
        const int right = columnViewportPosition(c) + columnWidth(c);
        if (std::abs(pos.x() - right) <= kGrip) {
            return c;
        }
    }
    return -1;
}

void StringGrid::mouseMoveEvent(QMouseEvent* event) {
    const QPoint pos = event->position().toPoint();
    if (resizingCol_ >= 0) {
        setColumnWidth(resizingCol_, std::max(8, resizeStartWidth_ + pos.x() - resizeStartX_));
        event->accept();
        return;
    }
    if (columnsResizable_) {
        viewport()->setCursor(borderAt(pos) >= 0 ? Qt::SplitHCursor : Qt::ArrowCursor);
    }
    if (event->buttons() != Qt::NoButton) {
        // The editor the press opened would stop a drag from selecting a range.
        QLineEdit* edit = editor();
        if (edit && selectionMode() == QAbstractItemView::ContiguousSelection &&
            event->buttons().testFlag(Qt::LeftButton) && indexAt(pos) != currentIndex()) {
            emit commitData(edit);
            QTableWidget::closeEditor(edit, QAbstractItemDelegate::NoHint);
        }
        QTableWidget::mouseMoveEvent(event);
    }
}

void StringGrid::mouseReleaseEvent(QMouseEvent* event) {
    if (resizingCol_ >= 0) {
        resizingCol_ = -1;
        event->accept();
        return;
    }
    QTableWidget::mouseReleaseEvent(event);
}

void StringGrid::mousePressEvent(QMouseEvent* event) {
    const QPoint pos = event->position().toPoint();
    if (const int col = borderAt(pos); col >= 0 && event->button() == Qt::LeftButton) {
        resizingCol_ = col;
        resizeStartX_ = pos.x();
        resizeStartWidth_ = columnWidth(col);
        event->accept();
        return;
    }
    const QModelIndex at = indexAt(event->position().toPoint());
    if (at.isValid() && isFixed(at.column(), at.row())) {
        setFocus(Qt::MouseFocusReason);
        event->accept();
        return;
    }
    // A press inside the old range starts a new one; the view would keep the old range
    // for a click that edits a selected cell.
    if (selectionMode() == QAbstractItemView::ContiguousSelection &&
        !event->modifiers().testFlag(Qt::ShiftModifier)) {
        clearSelection();
    }
    ++userInput_;
    QTableWidget::mousePressEvent(event);
    --userInput_;
}

void StringGrid::mouseDoubleClickEvent(QMouseEvent* event) {
    const QModelIndex at = indexAt(event->position().toPoint());
    if (at.isValid() && isFixed(at.column(), at.row())) {
        event->accept();
        return;
    }
    ++userInput_;
    QTableWidget::mouseDoubleClickEvent(event);
    --userInput_;
}

QModelIndex StringGrid::moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers) {
    if (fixedCols_ >= columnCount() || fixedRows_ >= QTableWidget::rowCount()) {
        return currentIndex();
    }
    if (action == MoveNext) {
        return stepCell(1);
    }
    if (action == MovePrevious) {
        return stepCell(-1);
    }
    const QModelIndex to = QTableWidget::moveCursor(action, modifiers);
    if (!to.isValid()) {
        return to;
    }
    return model()->index(std::max(to.row(), fixedRows_), std::max(to.column(), fixedCols_));
}

// Tab order: along the row, then to the first value cell of the next row, wrapping round.
QModelIndex StringGrid::stepCell(int step) const {
    const int cols = columnCount();
    const int rows = QTableWidget::rowCount();
    const QModelIndex from = currentIndex();
    int col = from.isValid() ? from.column() : fixedCols_ - step;
    int row = from.isValid() ? from.row() : fixedRows_;
    col += step;
    if (col >= cols) {
        col = fixedCols_;
        row = row + 1 >= rows ? fixedRows_ : row + 1;
    } else if (col < fixedCols_) {
        col = cols - 1;
        row = row - 1 < fixedRows_ ? rows - 1 : row - 1;
    }
    return model()->index(std::max(row, fixedRows_), col);
}

void StringGrid::currentChanged(const QModelIndex& current, const QModelIndex& previous) {
    QTableWidget::currentChanged(current, previous);
    if (userInput_ > 0 && current.isValid() && current != previous) {
        emit selectCell(current.column(), current.row());
    }
}

void StringGrid::closeEditor(QWidget* editor, QAbstractItemDelegate::EndEditHint hint) {
    ++userInput_; // Tab in the editor moves to the next cell
    QTableWidget::closeEditor(editor, hint);
    --userInput_;
}

void StringGrid::styleCell(int col, int row) {
    QTableWidgetItem* it = item(row, col);
    if (!it) {
        it = new QTableWidgetItem;
        setItem(row, col, it);
    }
    if (isFixed(col, row)) {
        it->setFlags(Qt::ItemIsEnabled);
        it->setBackground(palette().button());
    } else {
        Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
        if (editable_) {
            flags |= Qt::ItemIsEditable;
        }
        it->setFlags(flags);
        it->setBackground(QBrush());
    }
}

void StringGrid::styleAll() {
    for (int r = 0; r < QTableWidget::rowCount(); ++r) {
        for (int c = 0; c < columnCount(); ++c) {
            styleCell(c, r);
        }
    }
    placeCurrentOnValueCell();
}

// Like the desktop grid, the current cell starts on the first value cell, so typing
// into a grid that was just focused edits a value, not a header.
void StringGrid::placeCurrentOnValueCell() {
    const QModelIndex current = currentIndex();
    const bool onValue = current.isValid() && !isFixed(current.column(), current.row());
    if (onValue || fixedCols_ >= columnCount() || fixedRows_ >= QTableWidget::rowCount()) {
        return;
    }
    const EditTriggers triggers = editTriggers();
    setEditTriggers(triggers & ~CurrentChanged); // no editor opened by the program
    setCurrentCell(fixedRows_, fixedCols_);
    setEditTriggers(triggers);
}

void StringGrid::applyEditTriggers() {
    EditTriggers triggers = NoEditTriggers;
    if (editable_) {
        triggers = DoubleClicked | EditKeyPressed | AnyKeyPressed;
        if (alwaysShowEditor_) {
            triggers |= CurrentChanged | SelectedClicked;
        }
    }
    setEditTriggers(triggers);
}

// Focus moving inside the grid's own window decides enter and exit; a box or dialog
// (another window) or the window losing activation changes nothing.
void StringGrid::onFocusChanged(QWidget* now) {
    if (!now || now->window() != window()) {
        return;
    }
    const bool inside = now == this || isAncestorOf(now);
    if (inside && !focusInside_) {
        focusInside_ = true;
        emit gridEnter();
    } else if (!inside && focusInside_) {
        focusInside_ = false;
        emit gridExit();
    }
}

void StringGrid::editorTextEdited(int col, int row, const QString& text) {
    if (QTableWidgetItem* it = item(row, col)) {
        it->setText(text); // the cell shows what is typed, as cell() reports it
    }
    emit setEditText(col, row, ToBytes(text));
}

#include "moc_string_grid.cpp"
