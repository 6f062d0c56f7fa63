#pragma once

#include "app/list_sink.h"

#include <QListWidget>
#include <QString>

// A ListSink over a list widget: every entry is appended, never removed.
class QtListSink : public ListSink {
  public:
    explicit QtListSink(QListWidget* list) : list_(list) {}

    void addEntry(const std::string& text) override {
        list_->addItem(QString::fromLatin1(text.data(), qsizetype(text.size())));
    }
    void scrollDown(int entries) override {
        // The list's top entry moves down by `entries`, as far as there are entries.
        const int top = list_->indexAt(QPoint(0, 0)).row();
        const int target = std::min(list_->count() - 1, std::max(0, top) + entries);
        if (target >= 0) {
            list_->scrollToItem(list_->item(target), QAbstractItemView::PositionAtTop);
        }
    }

  private:
    QListWidget* list_;
};
