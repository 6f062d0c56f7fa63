#include "ui/message_list.h"

#include "ui/qt_text.h"

#include <QAccessibleWidget>
#include <QHash>
#include <QHeaderView>
#include <QPointer>
#include <QScrollBar>

// How a message list reaches assistive technology: a list whose children are its
// entries, one list item each, as a list view's would be. Item interfaces are made
// only when asked for, so a long session's appends cost nothing while no assistive
// tool is listening.
class MessageListAccessible : public QAccessibleWidget {
  public:
    explicit MessageListAccessible(MessageList* list);
    ~MessageListAccessible() override;

    int childCount() const override;
    QAccessibleInterface* child(int index) const override;
    int indexOfChild(const QAccessibleInterface* child) const override;
    QAccessibleInterface* childAt(int x, int y) const override;

    // Makes message lists answer with this interface; safe to call more than once.
    static void install();

  private:
    MessageList* list() const;

    mutable QHash<int, QAccessible::Id> items_; // entry row -> registered item
};

namespace {

// One entry of a message list: its text is the entry, its place the entry's row.
class MessageItemAccessible : public QAccessibleInterface {
  public:
    MessageItemAccessible(MessageList* list, int row) : list_(list), row_(row) {}

    bool isValid() const override { return !list_.isNull() && row_ < list_->count(); }
    QObject* object() const override { return nullptr; }
    QWindow* window() const override { return list_->window()->windowHandle(); }
    QAccessibleInterface* parent() const override {
        return QAccessible::queryAccessibleInterface(list_.data());
    }
    QAccessibleInterface* child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }
    QAccessibleInterface* childAt(int, int) const override { return nullptr; }
    QString text(QAccessible::Text t) const override {
        if (t != QAccessible::Name || !isValid()) {
            return {};
        }
        return list_->model()->index(row_, 0).data().toString();
    }
    void setText(QAccessible::Text, const QString&) override {}
    QRect rect() const override {
        const QRect local = list_->visualRect(list_->model()->index(row_, 0));
        return QRect(list_->viewport()->mapToGlobal(local.topLeft()), local.size());
    }
    QAccessible::Role role() const override { return QAccessible::ListItem; }
    QAccessible::State state() const override {
        QAccessible::State s;
        s.selectable = true;
        s.focusable = true;
        s.selected = list_->currentIndex().row() == row_;
        s.focused = s.selected && list_->hasFocus();
        s.invisible = !list_->isVisible();
        s.offscreen = !list_->viewport()->rect().intersects(
            list_->visualRect(list_->model()->index(row_, 0)));
        s.readOnly = true;
        return s;
    }

    const MessageList* list() const { return list_.data(); }
    int row() const { return row_; }

  private:
    QPointer<MessageList> list_;
    int row_;
};

QAccessibleInterface* Factory(const QString& className, QObject* object) {
    if (className == QLatin1String("MessageList") && object != nullptr && object->isWidgetType()) {
        return new MessageListAccessible(static_cast<MessageList*>(object));
    }
    return nullptr;
}

} // namespace

MessageListAccessible::MessageListAccessible(MessageList* list)
    : QAccessibleWidget(list, QAccessible::List) {}

MessageListAccessible::~MessageListAccessible() {
    for (const QAccessible::Id id : std::as_const(items_)) {
        QAccessible::deleteAccessibleInterface(id);
    }
}

void MessageListAccessible::install() {
    static const bool installed = [] {
        QAccessible::installFactory(Factory);
        return true;
    }();
    (void)installed;
}

MessageList* MessageListAccessible::list() const {
    return static_cast<MessageList*>(widget());
}

int MessageListAccessible::childCount() const {
    return list()->count();
}

QAccessibleInterface* MessageListAccessible::child(int index) const {
    if (index < 0 || index >= childCount()) {
        return nullptr;
    }
    auto it = items_.constFind(index);
    if (it == items_.cend()) {
        auto* item = new MessageItemAccessible(list(), index);
        it = items_.insert(index, QAccessible::registerAccessibleInterface(item));
    }
    return QAccessible::accessibleInterface(*it);
}

int MessageListAccessible::indexOfChild(const QAccessibleInterface* child) const {
    const auto* item = dynamic_cast<const MessageItemAccessible*>(child);
    return item != nullptr && item->list() == list() ? item->row() : -1;
}

QAccessibleInterface* MessageListAccessible::childAt(int x, int y) const {
    const QPoint point = list()->viewport()->mapFromGlobal(QPoint(x, y));
    return child(list()->indexAt(point).row());
}

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

#include "moc_message_list.cpp"
