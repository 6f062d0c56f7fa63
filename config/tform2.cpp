#include "config/tform2.h"

#include "config/config_compare_dialog.h"
#include "ui/string_grid.h"
#include "ui_tform2.h"

#include <QLocale>
#include <QScreen>

#include <algorithm>

namespace {
constexpr int kInitialCols = 9;
constexpr int kInitialRows = 3;
constexpr int kColWidth = 40;
constexpr int kRowHeight = 18;
constexpr int kNodeIndexRole = Qt::UserRole;
constexpr int kDialogGap = 8;
} // namespace

TForm2::TForm2(CommDevice& port, GfgPars& pars, Dialogs& dialogs, QWidget* parent,
               char decimalSeparator)
    : QDialog(parent), ui_(std::make_unique<Ui::TForm2>()),
      // The widgets exist only once setupUi ran; the list sink needs ListBox1.
      grid_((ui_->setupUi(this), ui_->StringGrid1)), list_(ui_->ListBox1),
      editor_(working_, list_, dialogs, *this, decimalSeparator),
      transfers_(pars, working_, port, dialogs, list_,
                 [this](bool newBlock) { editor_.AfterTransfer(newBlock); }),
      compare_(pars, working_, transfers_, port, dialogs, list_, decimalSeparator),
      compareDialog_(new ConfigCompareDialog(
          compare_, [this](int par) { selectParameter(par); },
          // Taken-over values are new to the grid: an edit typed before must not land.
          [this] { editor_.AfterTransfer(true); }, this)) {
    grid_->setGridSize(kInitialCols, kInitialRows);
    grid_->setFixed(1, 1);
    grid_->setDefaultColWidth(kColWidth);
    grid_->setDefaultRowHeight(kRowHeight);
    grid_->setEditable(true);
    grid_->setAlwaysShowEditor(true);
    grid_->setColumnsResizable(true);

    connect(ui_->OpenConfig1, &QAction::triggered, this, [this] { OpenConfig1Click(); });
    connect(ui_->SaveConfig1, &QAction::triggered, this, [this] { SaveConfig1Click(); });
    connect(ui_->Read1, &QAction::triggered, this, [this] { Read1Click(); });
    connect(ui_->Write1, &QAction::triggered, this, [this] { Write1Click(); });
    connect(ui_->Compare1, &QAction::triggered, this, [this] { Compare1Click(); });
    connect(ui_->ExportText1, &QAction::triggered, this, [this] { ExportText1Click(); });

    connect(ui_->TreeView2, &QTreeWidget::itemClicked, this,
            [this](QTreeWidgetItem*, int) { editor_.OnClickTreeNode(); });
    connect(ui_->TreeView2, &QTreeWidget::currentItemChanged, this,
            [this](QTreeWidgetItem*, QTreeWidgetItem*) { editor_.TreeView2Change(); });

    connect(grid_, &StringGrid::setEditText, this,
            [this](int col, int row, const std::string& text) {
                editor_.StringGrid1SetEditText(col, row, text);
            });
    connect(grid_, &StringGrid::selectCell, this,
            [this](int col, int row) { editor_.StringGrid1SelectCell(col, row); });
    connect(grid_, &StringGrid::gridEnter, this, [this] {
        editor_.StringGrid1Enter();
        showEditor();
    });
    connect(grid_, &StringGrid::gridExit, this, [this] { editor_.StringGrid1Exit(); });
    connect(grid_, &StringGrid::keyPress, this, [this](char key) { editor_.OnKeyPress(key); });

    FormCreate();
}

TForm2::~TForm2() = default;

void TForm2::FormCreate() {
    editor_.FormCreate();
    buildTree();
}

void TForm2::buildTree() {
    std::vector<QTreeWidgetItem*> parents;
    nodes_.clear();
    for (size_t i = 0; i < kCatalogueTree.size(); ++i) {
        const TreeNodeDef& def = kCatalogueTree[i];
        parents.resize(size_t(def.depth));
        auto* item = parents.empty() ? new QTreeWidgetItem(ui_->TreeView2)
                                     : new QTreeWidgetItem(parents.back());
        item->setText(0, QString::fromLatin1(def.text));
        item->setData(0, kNodeIndexRole, int(i));
        parents.push_back(item);
        nodes_.push_back(item);
    }
    ui_->TreeView2->collapseAll();
}

QTreeWidgetItem* TForm2::treeNode(size_t index) const {
    return index < nodes_.size() ? nodes_[index] : nullptr;
}

// Beside the Config window where the screen allows, so the tree and grid an entry
// selects stay in sight.
void TForm2::Compare1Click() {
    compareDialog_->adjustSize();
    QPoint at = frameGeometry().topRight() + QPoint(kDialogGap, 0);
    if (const QScreen* s = screen()) {
        const QRect free = s->availableGeometry();
        at.setX(std::max(free.left(), std::min(at.x(), free.right() - compareDialog_->width())));
    }
    compareDialog_->move(at);
    compareDialog_->exec();
}

// As a click on the parameter's node would: selected, its groups opened, its grid shown.
void TForm2::selectParameter(int par) {
    QTreeWidgetItem* node = treeNode(size_t(TreeNodeOf(par)));
    if (node == nullptr) {
        return;
    }
    for (QTreeWidgetItem* group = node->parent(); group != nullptr; group = group->parent()) {
        group->setExpanded(true);
    }
    ui_->TreeView2->setCurrentItem(node);
    ui_->TreeView2->scrollToItem(node);
    editor_.OnClickTreeNode();
}

int TForm2::selectedNode() const {
    const auto selected = ui_->TreeView2->selectedItems();
    if (selected.isEmpty()) {
        return -1;
    }
    return selected.front()->data(0, kNodeIndexRole).toInt();
}

// The cell editor is always shown while the grid has the focus, so a click on the
// current cell or the first key typed goes straight into it.
void TForm2::showEditor() {
    if (grid_->isVisible() && grid_->editor() == nullptr && grid_->currentIndex().isValid()) {
        grid_->edit(grid_->currentIndex());
    }
}

void TForm2::setGridVisible(bool visible) {
    grid_->setVisible(visible);
}

void TForm2::setGridSize(int cols, int rows) {
    grid_->setGridSize(cols, rows);
    grid_->setDefaultColWidth(kColWidth);
    grid_->setDefaultRowHeight(kRowHeight);
}

void TForm2::setCell(int col, int row, const std::string& text) {
    grid_->setCell(col, row, text);
}

void TForm2::setEditorText(int col, int row, const std::string& text) {
    grid_->setEditorText(col, row, text);
}
