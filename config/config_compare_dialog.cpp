#include "config/config_compare_dialog.h"

#include "config/config_text.h"
#include "ui/qt_text.h"

#include <QDialogButtonBox>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <set>
#include <tuple>

namespace {
constexpr int kParRole = Qt::UserRole;
constexpr int kColRole = Qt::UserRole + 1; // -1 on a parameter's own line
constexpr int kRowRole = Qt::UserRole + 2;
constexpr int kPlaceWidth = 300;
constexpr int kViewWidth = 560;
constexpr int kViewHeight = 300;
} // namespace

ConfigCompareDialog::ConfigCompareDialog(ConfigCompare& compare,
                                         std::function<void(int)> showParameter,
                                         std::function<void()> tookOver, QWidget* parent)
    : QDialog(parent), compare_(compare), showParameter_(std::move(showParameter)),
      tookOver_(std::move(tookOver)), status_(new QLabel(this)), note_(new QLabel(this)),
      view_(new QTreeWidget(this)), takeOver_(new QPushButton(tr("&Take over selected"), this)),
      export_(new QPushButton(tr("&Export text..."), this)) {
    setWindowTitle(tr("Compare"));
    auto* withFile = new QPushButton(tr("With &file..."), this);
    auto* withDevice = new QPushButton(tr("With &device"), this);
    auto* sources = new QHBoxLayout;
    sources->addWidget(withFile);
    sources->addWidget(withDevice);
    sources->addWidget(status_, 1);

    status_->setWordWrap(true);
    note_->setWordWrap(true);
    note_->hide();
    view_->setColumnCount(3);
    view_->setHeaderLabels({tr("Parameter"), tr("Editor"), tr("Other")});
    view_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    view_->header()->resizeSection(0, kPlaceWidth);
    view_->setMinimumSize(kViewWidth, kViewHeight);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    buttons->addButton(takeOver_, QDialogButtonBox::ActionRole);
    buttons->addButton(export_, QDialogButtonBox::ActionRole);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(sources);
    layout->addWidget(note_);
    layout->addWidget(view_);
    layout->addWidget(buttons);

    connect(withFile, &QPushButton::clicked, this, [this] { compareWithFile(); });
    connect(withDevice, &QPushButton::clicked, this, [this] { compareWithDevice(); });
    connect(takeOver_, &QPushButton::clicked, this, [this] { takeOverSelected(); });
    connect(export_, &QPushButton::clicked, this, [this] { exportReport(); });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(view_, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem* item) {
        if (item != nullptr && item->data(0, kParRole).isValid() && showParameter_) {
            showParameter_(item->data(0, kParRole).toInt());
        }
    });
    showResult();
}

QString ConfigCompareDialog::status() const {
    return status_->text();
}

// A new result takes the focus, so the arrow keys walk it at once.
void ConfigCompareDialog::compareWithFile() {
    const bool compared = compare_.CompareWithFile();
    showResult();
    if (compared) {
        view_->setFocus();
    }
}

bool ConfigCompareDialog::compareWithBlock(const ConfigBlock& block, const std::string& name) {
    const bool compared = compare_.CompareWithBlock(block, name);
    showResult();
    return compared;
}

void ConfigCompareDialog::compareWithDevice() {
    const bool compared = compare_.CompareWithDevice();
    showResult();
    if (compared) {
        view_->setFocus();
    }
}

void ConfigCompareDialog::exportReport() {
    compare_.ExportReport();
    status_->setText(FromBytes(compare_.lastEntry()));
}

void ConfigCompareDialog::takeOverSelected() {
    if (compare_.TakeOver(selectedElements()) && tookOver_) {
        tookOver_();
    }
    showResult();
}

// A failed compare keeps the last result on show; the status line says what happened.
void ConfigCompareDialog::showResult() {
    status_->setText(FromBytes(compare_.lastEntry()));
    note_->setText(FromBytes(compare_.note()));
    note_->setVisible(compare_.hasResult() && !compare_.note().empty());
    const QString other = FromPath(compare_.otherName());
    view_->headerItem()->setText(
        2, QFileInfo(other).fileName().isEmpty() ? tr("Other") : QFileInfo(other).fileName());
    view_->clear();
    const auto& differences = compare_.differences();
    if (compare_.hasResult() && differences.empty()) {
        new QTreeWidgetItem(view_, {FromBytes(DifferenceSummary(differences))});
    }
    for (const auto& d : differences.parameters) {
        addParameter(d);
    }
    view_->expandAll();
    takeOver_->setEnabled(!differences.empty());
    export_->setEnabled(compare_.hasResult());
}

void ConfigCompareDialog::addParameter(const ParameterDifference& difference) {
    auto* top = new QTreeWidgetItem(view_, {FromBytes(DifferenceHeading(difference))});
    top->setData(0, kParRole, difference.par);
    top->setData(0, kColRole, -1);
    for (const auto& e : difference.elements) {
        QTreeWidgetItem* item = top;
        if (!e.place.empty()) {
            item = new QTreeWidgetItem(top, {FromBytes(e.place)});
            item->setData(0, kParRole, difference.par);
        }
        item->setData(0, kColRole, e.col);
        item->setData(0, kRowRole, e.row);
        item->setText(1, FromBytes(e.mine));
        item->setText(2, FromBytes(e.theirs));
    }
}

// A selected parameter line stands for all of its elements; each element counts once.
std::vector<ElementRef> ConfigCompareDialog::selectedElements() const {
    std::set<std::tuple<int, int, int>> chosen;
    for (const QTreeWidgetItem* item : view_->selectedItems()) {
        if (!item->data(0, kParRole).isValid()) {
            continue;
        }
        const int par = item->data(0, kParRole).toInt();
        if (item->data(0, kColRole).toInt() >= 0) {
            chosen.insert({par, item->data(0, kColRole).toInt(), item->data(0, kRowRole).toInt()});
        }
        for (int i = 0; i < item->childCount(); ++i) {
            const QTreeWidgetItem* child = item->child(i);
            chosen.insert(
                {par, child->data(0, kColRole).toInt(), child->data(0, kRowRole).toInt()});
        }
    }
    std::vector<ElementRef> refs;
    for (const auto& [par, col, row] : chosen) {
        refs.push_back({par, col, row});
    }
    return refs;
}

#include "moc_config_compare_dialog.cpp"
