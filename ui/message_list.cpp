#include "ui/message_list.h"

#include "ui/message_list_accessible.h"
#include "ui/qt_text.h"

#include <QHeaderView>
#include <QScrollBar>

int MessageListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(ends_.size());
}

QVariant MessageListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount() ||
        (role != Qt::DisplayRole && role != Qt::EditRole)) {
        return {};
    }
    const std::string_view text = entry(index.row());
    return QString::fromLatin1(text.data(), qsizetype(text.size()));
}

void MessageListModel::append(std::string_view text) {
    const int row = rowCount();
    beginInsertRows(QModelIndex(), row, row);
    text_.append(text);
    ends_.push_back(text_.size());
    endInsertRows();
}

std::string_view MessageListModel::entry(int row) const {
    const size_t begin = row == 0 ? 0 : ends_[size_t(row) - 1];
    return std::string_view(text_).substr(begin, ends_[size_t(row)] - begin);
}

MessageList::MessageList(QWidget* parent) : QTableView(parent), model_(this) {
    // Drawn as a table, but to a screen reader it is the list it is.
    MessageListAccessible::install();
    setModel(&model_);
    horizontalHeader()->hide();
    verticalHeader()->hide();
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setMinimumSectionSize(1);
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 2);
    setShowGrid(false);
    setWordWrap(false);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setTabKeyNavigation(false);
    // One scroll step is one entry, so "scroll by n" moves the top entry by n.
    setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
    setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
}

void MessageList::addEntry(const std::string& text) {
    model_.append(text);
    // Only a new widest entry widens the column (long entries scroll sideways).
    const int width = fontMetrics().horizontalAdvance(FromBytes(text));
    if (width > widest_) {
        widest_ = width;
        fitColumn();
        return;
    }
    onlyAppended_ = true;
    viewport()->update(visualRect(model_.index(count() - 1)));
}

// A new last row moves no other row: the scroll range changes, and the row itself is
// painted if it is in view. Repainting every visible row for each message would cost
// a text layout of the whole list per entry.
void MessageList::doItemsLayout() {
    if (onlyAppended_) {
        onlyAppended_ = false;
        updateGeometries();
        return;
    }
    QTableView::doItemsLayout();
}

void MessageList::scrollDown(int entries) {
    updateGeometries(); // the range must know the entries just added
    QScrollBar* bar = verticalScrollBar();
    bar->setValue(bar->value() + entries);
}

void MessageList::resizeEvent(QResizeEvent* event) {
    QTableView::resizeEvent(event);
    fitColumn();
}

// Home and End go to the first and last entry, as in any list, not along the row.
QModelIndex MessageList::moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers) {
    if (action == MoveHome || action == MoveEnd) {
        modifiers |= Qt::ControlModifier;
    }
    return QTableView::moveCursor(action, modifiers);
}

// The column fills the list and grows with the widest entry, plus the text margins.
void MessageList::fitColumn() {
    const int margins = 2 * (style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, this) + 1);
    setColumnWidth(0, std::max(viewport()->width(), widest_ + margins));
}
