#pragma once

#include "core/list_sink.h"
#include "ui/qt_text.h"

#include <QListWidget>
#include <QScrollBar>

// A ListSink over a list widget: every entry is appended, never removed.
class QtListSink : public ListSink {
  public:
    explicit QtListSink(QListWidget* list) : list_(list) {
        // One scroll step is one entry, so "scroll by n" moves the top entry by n.
        list_->setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
    }

    void addEntry(const std::string& text) override { list_->addItem(FromBytes(text)); }
    void scrollDown(int entries) override {
        list_->doItemsLayout(); // the range must know the entries just added
        QScrollBar* bar = list_->verticalScrollBar();
        bar->setValue(bar->value() + entries);
    }

  private:
    QListWidget* list_;
};
