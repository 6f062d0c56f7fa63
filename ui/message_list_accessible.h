#pragma once

#include <QAccessibleWidget>
#include <QHash>

class MessageList;

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
