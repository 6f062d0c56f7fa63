#include "ui/message_list_accessible.h"

#include "ui/message_list.h"

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
