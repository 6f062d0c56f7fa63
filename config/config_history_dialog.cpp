#include "config/config_history_dialog.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {
constexpr int kEntryRole = Qt::UserRole;
}

ConfigHistoryDialog::ConfigHistoryDialog(const ConfigHistory& history,
                                         std::function<ConfigBlock()> editorBlock,
                                         std::function<void(const std::string&)> compare,
                                         std::function<void(const std::string&)> restore,
                                         QWidget* parent)
    : QDialog(parent), history_(history), editorBlock_(std::move(editorBlock)),
      compare_(std::move(compare)), restore_(std::move(restore)), view_(new QTreeWidget(this)) {
    setWindowTitle("History");
    view_->setColumnCount(3);
    view_->setHeaderLabels({"Date", "Kind", "Differences"});
    view_->setRootIsDecorated(false);
    view_->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    view_->setMinimumSize(360, 240);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    auto* compareButton = buttons->addButton("Compare", QDialogButtonBox::ActionRole);
    auto* restoreButton = buttons->addButton("Restore", QDialogButtonBox::ActionRole);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(view_);
    layout->addWidget(buttons);
    connect(compareButton, &QPushButton::clicked, this, [this] { compareChosen(); });
    connect(restoreButton, &QPushButton::clicked, this, [this] { restoreChosen(); });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
}

void ConfigHistoryDialog::refresh() {
    rows_ = ListHistory(history_, editorBlock_());
    view_->clear();
    QList<QTreeWidgetItem*> items;
    for (size_t i = 0; i < rows_.size(); ++i) {
        const HistoryRow& row = rows_[i];
        auto* item = new QTreeWidgetItem(
            {QString::fromStdString(HistoryDate(row.entry)), HistoryKindName(row.entry.kind),
             row.differences ? QString::number(qulonglong(*row.differences)) : "unreadable"});
        item->setData(0, kEntryRole, qulonglong(i));
        items.push_back(item);
    }
    view_->addTopLevelItems(items);
    if (!items.isEmpty()) {
        view_->setCurrentItem(items.front());
    }
}

const std::string* ConfigHistoryDialog::chosen() const {
    const QTreeWidgetItem* item = view_->currentItem();
    if (item == nullptr) {
        return nullptr;
    }
    const size_t i = item->data(0, kEntryRole).toULongLong();
    return i < rows_.size() ? &rows_[i].entry.path : nullptr;
}

void ConfigHistoryDialog::compareChosen() {
    if (const std::string* path = chosen()) {
        compare_(*path);
    }
}

void ConfigHistoryDialog::restoreChosen() {
    if (const std::string* path = chosen()) {
        restore_(*path);
        refresh();
    }
}

#include "moc_config_history_dialog.cpp"
