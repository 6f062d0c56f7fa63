#pragma once

#include "core/list_sink.h"

#include <QAbstractListModel>
#include <QTableView>

#include <string>
#include <string_view>
#include <vector>

// The entries of a message list as one block of 8-bit text and their end offsets, so an
// entry costs little beyond its own characters.
class MessageListModel : public QAbstractListModel {
  public:
    using QAbstractListModel::QAbstractListModel;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;

    void append(std::string_view text);
    std::string_view entry(int row) const;

  private:
    std::string text_;
    std::vector<size_t> ends_;
};

// A list that only ever grows, drawn as a one-column table: rows of one fixed height
// are placed without measuring any entry, so a session of 100,000 messages stays as
// quick to append to as a fresh one (a list view lays every entry out again). Assistive
// technology meets it as a list of entries.
class MessageList : public QTableView, public ListSink {
    Q_OBJECT
  public:
    explicit MessageList(QWidget* parent = nullptr);

    void addEntry(const std::string& text) override;
    void scrollDown(int entries) override;

    int count() const { return model_.rowCount(); }
    std::string entry(int row) const { return std::string(model_.entry(row)); }

    void doItemsLayout() override;

  protected:
    void resizeEvent(QResizeEvent* event) override;
    QModelIndex moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers) override;

  private:
    void fitColumn();

    MessageListModel model_;
    int widest_ = 0;            // pixel width of the widest entry so far
    bool onlyAppended_ = false; // nothing but new last rows since the last layout
};
