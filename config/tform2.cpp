#include "config/tform2.h"

#include "config/cell_geometry.h"
#include "config/config_compare_dialog.h"
#include "config/config_history_dialog.h"
#include "config/map_view.h"
#include "core/decimal_text.h"
#include "ui/string_grid.h"
#include "ui_tform2.h"

#include <QApplication>
#include <QClipboard>
#include <QInputDialog>
#include <QKeyEvent>
#include <QLineEdit>
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
constexpr int kFilterHeight = 20;
constexpr int kClientWidth = 577;
constexpr QRect kMapViewPlace{558, 3, 290, 174};
constexpr int kTintSaturation = 80; // light enough for black text
} // namespace

TForm2::TForm2(CommDevice& port, GfgPars& pars, Dialogs& dialogs, QWidget* parent,
               char decimalSeparator)
    : QDialog(parent), ui_(std::make_unique<Ui::TForm2>()),
      // The widgets exist only once setupUi ran; the list sink needs ListBox1.
      grid_((ui_->setupUi(this), ui_->StringGrid1)), list_(ui_->ListBox1), pars_(pars),
      sep_(decimalSeparator), undo_(pars, working_), history_(kHistoryFolder),
      editor_(working_, list_, dialogs, *this, decimalSeparator),
      transfers_(pars, working_, port, dialogs, list_,
                 [this](bool newBlock) { editor_.AfterTransfer(newBlock); }),
      compare_(pars, working_, transfers_, port, dialogs, list_, decimalSeparator),
      compareDialog_(new ConfigCompareDialog(
          compare_, [this](int par) { selectParameter(par); },
          // Taken-over values are new to the grid: an edit typed before must not land.
          [this] { editor_.AfterTransfer(true); }, this)),
      historyDialog_(new ConfigHistoryDialog(
          history_, [this] { return EditorBlock(pars_.block(), working_); },
          [this](const std::string& path) {
              ConfigBlock block{};
              size_t length = 0;
              if (GfgPars::ReadFileOver(path, block, &length) && length == kConfigBlockSize) {
                  compareDialog_->compareWithBlock(block, path);
                  Compare1Click();
              }
          },
          [this](const std::string& path) { transfers_.restore(path); }, this)),
      mapView_(new MapView(ui_->ClientArea)), filter_(new QLineEdit(ui_->ClientArea)) {
    transfers_.attach(&undo_, &history_);
    compare_.attach(&undo_);
    editor_.attach(&undo_);
    undo_.onChange([this] { valuesChanged(); });
    askNumber = [this](const std::string& label) -> std::optional<std::string> {
        bool ok = false;
        const QString text = QInputDialog::getText(this, "Config", QString::fromStdString(label),
                                                   QLineEdit::Normal, {}, &ok);
        return ok ? std::optional<std::string>(text.toStdString()) : std::nullopt;
    };

    grid_->setGridSize(kInitialCols, kInitialRows);
    grid_->setFixed(1, 1);
    grid_->setDefaultColWidth(kColWidth);
    grid_->setDefaultRowHeight(kRowHeight);
    grid_->setEditable(true);
    grid_->setAlwaysShowEditor(true);
    grid_->setColumnsResizable(true);
    grid_->setSelectionMode(QAbstractItemView::ContiguousSelection);
    grid_->setContextMenuPolicy(Qt::ActionsContextMenu);
    grid_->addActions({ui_->Copy1, ui_->Paste1, ui_->SetTo1, ui_->Add1, ui_->MultiplyBy1,
                       ui_->Interpolate1, ui_->Smooth1});

    filter_->setObjectName("Filter1");
    filter_->setPlaceholderText("Filter");
    filter_->setClearButtonEnabled(true);
    filter_->setGeometry(0, 0, ui_->TreeView2->width(), kFilterHeight);
    ui_->TreeView2->setGeometry(ui_->TreeView2->geometry().adjusted(0, kFilterHeight + 2, 0, 0));
    mapView_->setGeometry(kMapViewPlace);
    connect(filter_, &QLineEdit::textChanged, this, [this](const QString& t) { filterTree(t); });

    ui_->Undo1->setShortcut(QKeySequence::Undo);
    ui_->Redo1->setShortcuts(
        {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), QKeySequence(Qt::CTRL | Qt::Key_Y)});
    ui_->Copy1->setShortcut(QKeySequence::Copy);
    ui_->Paste1->setShortcut(QKeySequence::Paste);
    for (QAction* a : {ui_->Undo1, ui_->Redo1, ui_->Copy1, ui_->Paste1}) {
        a->setShortcutContext(Qt::WindowShortcut);
    }
    // The cell editor would take these keys for its own text.
    qApp->installEventFilter(this);

    connect(ui_->OpenConfig1, &QAction::triggered, this, [this] { OpenConfig1Click(); });
    connect(ui_->SaveConfig1, &QAction::triggered, this, [this] { SaveConfig1Click(); });
    connect(ui_->Read1, &QAction::triggered, this, [this] { Read1Click(); });
    connect(ui_->Write1, &QAction::triggered, this, [this] { Write1Click(); });
    connect(ui_->Compare1, &QAction::triggered, this, [this] { Compare1Click(); });
    connect(ui_->ExportText1, &QAction::triggered, this, [this] { ExportText1Click(); });
    connect(ui_->History1, &QAction::triggered, this, [this] { History1Click(); });
    connect(ui_->Undo1, &QAction::triggered, this, [this] { Undo1Click(); });
    connect(ui_->Redo1, &QAction::triggered, this, [this] { Redo1Click(); });
    connect(ui_->Copy1, &QAction::triggered, this, [this] { Copy1Click(); });
    connect(ui_->Paste1, &QAction::triggered, this, [this] { Paste1Click(); });
    connect(ui_->SetTo1, &QAction::triggered, this, [this] { SetTo1Click(); });
    connect(ui_->Add1, &QAction::triggered, this, [this] { Add1Click(); });
    connect(ui_->MultiplyBy1, &QAction::triggered, this, [this] { MultiplyBy1Click(); });
    connect(ui_->Interpolate1, &QAction::triggered, this, [this] { Interpolate1Click(); });
    connect(ui_->Smooth1, &QAction::triggered, this, [this] { Smooth1Click(); });

    connect(ui_->TreeView2, &QTreeWidget::itemClicked, this,
            [this](QTreeWidgetItem*, int) { editor_.showClickedNode(); });

    connect(grid_, &StringGrid::setEditText, this,
            [this](int col, int row, const std::string& text) {
                editor_.setPendingText(col, row, text);
            });
    connect(grid_, &StringGrid::selectCell, this,
            [this](int col, int row) { editor_.moveToCell(col, row); });
    connect(grid_, &StringGrid::gridEnter, this, [this] {
        editor_.enterGrid();
        showEditor();
    });
    connect(grid_, &StringGrid::gridExit, this, [this] { editor_.leaveGrid(); });
    connect(grid_, &StringGrid::keyPress, this, [this](char key) { editor_.pressKey(key); });

    FormCreate();
}

TForm2::~TForm2() {
    qApp->removeEventFilter(this);
}

void TForm2::FormCreate() {
    editor_.start();
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
    editor_.showClickedNode();
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
    if (!visible) {
        mapView_->hide();
        placeClientArea();
    }
}

// A grid shown again at its size, as after an undo, keeps the cells the user selected.
void TForm2::setGridSize(int cols, int rows) {
    const bool same = grid_->colCount() == cols && grid_->rowCount() == rows;
    const auto ranges = grid_->selectedRanges();
    grid_->setGridSize(cols, rows);
    for (const auto& r : same ? ranges : QList<QTableWidgetSelectionRange>{}) {
        grid_->setRangeSelected(r, true);
    }
    grid_->setDefaultColWidth(kColWidth);
    grid_->setDefaultRowHeight(kRowHeight);
    mapView_->draw(working_, editor_.shownParameter());
    placeClientArea();
}

void TForm2::setCell(int col, int row, const std::string& text) {
    grid_->setCell(col, row, text);
    tint(col, row);
}

// Tables and maps only: a single row reads better plain.
void TForm2::tint(int col, int row) {
    const int par = editor_.shownParameter();
    if (par < 0) {
        return;
    }
    const PAR_long& p = working_.pars[size_t(par)];
    const auto e = ElementOfCell(p, col, row);
    QTableWidgetItem* item = grid_->item(row, col);
    if (p.rows < 2 || !e || IsAxis(p, *e) || item == nullptr || !p.values) {
        return;
    }
    const float value = working_.values[*p.values + *ElementIndex(p, *e)];
    constexpr int kBlueHue = 240;
    const int hue = int(kBlueHue * (1.0 - RangeFraction(p, value)));
    item->setBackground(QColor::fromHsv(hue, kTintSaturation, 255));
}

void TForm2::valuesChanged() {
    setWindowTitle(undo_.modified() ? "Config *" : "Config");
    mapView_->draw(working_, editor_.shownParameter());
    placeClientArea();
}

void TForm2::placeClientArea() {
    const int mapWidth = kMapViewPlace.right() + kDialogGap - kClientWidth;
    ui_->ClientArea->setMinimumWidth(kClientWidth + (mapView_->isHidden() ? 0 : mapWidth));
}

CellRange TForm2::selection() const {
    const auto ranges = grid_->selectedRanges();
    if (ranges.isEmpty()) {
        const int col = grid_->currentColumn();
        const int row = grid_->currentRow();
        return {col, row, col, row};
    }
    const QTableWidgetSelectionRange& r = ranges.front();
    return {r.leftColumn(), r.topRow(), r.rightColumn(), r.bottomRow()};
}

void TForm2::editSelection(RangeOp op, const std::string& label) {
    if (editor_.shownParameter() < 0 || !askNumber) {
        return;
    }
    const auto text = askNumber(label);
    if (!text) {
        return;
    }
    const auto number = ParseDecimal(*text, sep_);
    if (!number) {
        list_.addEntry("not a number");
        return;
    }
    editor_.editRange(selection(), op, *number);
}

void TForm2::Copy1Click() {
    const CellRange r = selection();
    QString text;
    for (int row = r.top; row <= r.bottom; ++row) {
        for (int col = r.left; col <= r.right; ++col) {
            text +=
                QString::fromLatin1(grid_->cell(col, row).c_str()) + (col < r.right ? "\t" : "\n");
        }
    }
    QApplication::clipboard()->setText(text);
}

void TForm2::Paste1Click() {
    editor_.paste(grid_->currentColumn(), grid_->currentRow(),
                  QApplication::clipboard()->text().toStdString());
}

void TForm2::History1Click() {
    historyDialog_->refresh();
    historyDialog_->exec();
}

// A node stays when its text or a node below it matches; an empty filter shows all, and
// the selected node is kept in sight.
void TForm2::filterTree(const QString& text) {
    std::vector<bool> keep(nodes_.size(), text.isEmpty());
    for (size_t i = 0; i < nodes_.size() && !text.isEmpty(); ++i) {
        if (!nodes_[i]->text(0).contains(text, Qt::CaseInsensitive)) {
            continue;
        }
        for (QTreeWidgetItem* n = nodes_[i]; n != nullptr; n = n->parent()) {
            keep[size_t(n->data(0, kNodeIndexRole).toInt())] = true;
        }
    }
    for (size_t i = 0; i < nodes_.size(); ++i) {
        nodes_[i]->setHidden(!keep[i]);
        if (!text.isEmpty() && keep[i]) {
            nodes_[i]->setExpanded(true);
        }
    }
    if (QTreeWidgetItem* current = ui_->TreeView2->currentItem(); current && text.isEmpty()) {
        ui_->TreeView2->scrollToItem(current);
    }
}

bool TForm2::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::ShortcutOverride && watched != nullptr &&
        watched->isWidgetType() && grid_->isAncestorOf(static_cast<QWidget*>(watched))) {
        auto* key = static_cast<QKeyEvent*>(event);
        for (QAction* a : {ui_->Undo1, ui_->Redo1, ui_->Copy1, ui_->Paste1}) {
            for (const QKeySequence& s : a->shortcuts()) {
                if (s == QKeySequence(key->keyCombination())) {
                    return true; // not the editor's: the window's shortcut runs
                }
            }
        }
    }
    return QDialog::eventFilter(watched, event);
}

void TForm2::setEditorText(int col, int row, const std::string& text) {
    grid_->setEditorText(col, row, text);
}

#include "moc_tform2.cpp"
