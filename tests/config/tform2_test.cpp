#include "config/tform2.h"

#include "config/config_compare_dialog.h"
#include "config/config_history_dialog.h"
#include "config/map_view.h"
#include "fakes/fake_dialogs.h"
#include "fakes/fake_serial.h"
#include "fakes/temp_dir.h"
#include "ui/string_grid.h"

#include <QApplication>
#include <QClipboard>
#include <QLineEdit>
#include <QListWidget>
#include <QMenuBar>
#include <QTest>
#include <QTreeWidget>
#include <gtest/gtest.h>

#include <fstream>
#include <memory>
#include <string>
#include <vector>

namespace {

QApplication& App() {
    static int argc = 1;
    static char name[] = "korvex-config-window-test";
    static char* argv[] = {name, nullptr};
    // Never destroyed: tearing Qt down among the static destructors crashes it.
    static auto* app = new QApplication(argc, argv);
    return *app;
}

int NodeOf(const std::string& text, size_t from = 0) {
    for (size_t i = from; i < kCatalogueTree.size(); ++i) {
        if (text == kCatalogueTree[i].text) {
            return int(i);
        }
    }
    ADD_FAILURE() << "no node " << text;
    return 0;
}

constexpr size_t kMode2 = 28 + 17; // tree index of "Mode2"

// Block byte i holds i + 1 (wrapping), so every cell shows which byte it came from.
std::vector<uint8_t> NumberedBlock() {
    std::vector<uint8_t> bytes(kConfigBlockSize);
    for (size_t i = 0; i < bytes.size(); ++i) {
        bytes[i] = uint8_t(i + 1);
    }
    bytes[0] = 12; // led_dimmer
    return bytes;
}

class ConfigWindowTest : public ::testing::Test {
  protected:
    void SetUp() override {
        App();
        port = std::make_unique<CommDevice>(std::make_unique<FakeSerial>(serial));
        form = std::make_unique<TForm2>(*port, pars, dialogs, nullptr, '.');
        tree = form->findChild<QTreeWidget*>("TreeView2");
        grid = form->findChild<StringGrid*>("StringGrid1");
        list = form->findChild<QListWidget*>("ListBox1");
        ASSERT_TRUE(tree && grid && list);
        form->show();
        form->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
    }
    void TearDown() override {
        form.reset();
        port.reset();
    }

    std::vector<std::string> entries() const {
        std::vector<std::string> out;
        for (int i = 0; i < list->count(); ++i) {
            out.push_back(list->item(i)->text().toStdString());
        }
        return out;
    }
    std::string lastEntry(int back = 0) const {
        return list->item(list->count() - 1 - back)->text().toStdString();
    }
    QAction* action(const char* name) const { return form->findChild<QAction*>(name); }

    void readBlock(const std::vector<uint8_t>& bytes) {
        ASSERT_TRUE(port->open(7));
        serial.reads.push_back(bytes);
        action("Read1")->trigger();
        ASSERT_TRUE(form->transfers().blockLoaded());
    }
    void clickNode(int index) {
        QTreeWidgetItem* item = form->treeNode(size_t(index));
        for (QTreeWidgetItem* up = item->parent(); up; up = up->parent()) {
            up->setExpanded(true);
        }
        tree->scrollToItem(item);
        QTest::mouseClick(tree->viewport(), Qt::LeftButton, {},
                          tree->visualItemRect(item).center());
    }
    void clickCell(int col, int row) {
        const QRect rect = grid->visualRect(grid->model()->index(row, col));
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, rect.center());
    }
    // Makes the cell current, clears its editor as a person would, and types.
    void typeInto(int col, int row, const QString& text) {
        clickCell(col, row);
        QLineEdit* edit = grid->editor();
        ASSERT_NE(edit, nullptr) << col << "," << row;
        edit->selectAll();
        QTest::keyClick(edit, Qt::Key_Backspace);
        QTest::keyClicks(edit, text);
    }
    void pressEnter() { QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return); }

    // The history of every read goes to the working folder.
    TempDir folder{TempDir::Use::WorkingFolder};
    FakeSerial::Shared serial;
    std::unique_ptr<CommDevice> port;
    GfgPars pars;
    FakeDialogs dialogs;
    std::unique_ptr<TForm2> form;
    QTreeWidget* tree = nullptr;
    StringGrid* grid = nullptr;
    QListWidget* list = nullptr;
};

TEST_F(ConfigWindowTest, CreatedWithItsControlsTreeAndMenu) {
    EXPECT_EQ(form->windowTitle(), "Config");
    EXPECT_LE(form->height(), 500);
    EXPECT_EQ(entries(), std::vector<std::string>{"unsigned char"});
    EXPECT_FALSE(grid->isVisible());
    EXPECT_EQ(tree->geometry(), QRect(0, 22, 161, 155)); // below the filter field
    EXPECT_EQ(grid->geometry(), QRect(175, 3, 377, 174));
    EXPECT_EQ(list->geometry(), QRect(88, 183, 489, 159));
    EXPECT_EQ(tree->indentation(), 19);

    ASSERT_EQ(tree->topLevelItemCount(), 4);
    const QStringList top{"System", "Mode1", "Mode2", "Mode3"};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(tree->topLevelItem(i)->text(0), top[i]);
        EXPECT_FALSE(tree->topLevelItem(i)->isExpanded());
    }
    QTreeWidgetItem* system = tree->topLevelItem(0);
    ASSERT_EQ(system->childCount(), 18);
    EXPECT_EQ(system->child(0)->text(0), "CAN");
    EXPECT_EQ(system->child(0)->childCount(), 4);
    EXPECT_EQ(system->child(1)->text(0), "PWM");
    EXPECT_EQ(system->child(2)->text(0), "ee_wr_mode");
    EXPECT_EQ(tree->topLevelItem(2)->child(2)->child(1)->text(0), "gsense_2d");

    auto* menuBar = form->findChild<QMenuBar*>("MainMenu1");
    ASSERT_NE(menuBar, nullptr);
    ASSERT_EQ(menuBar->actions().size(), 3);
    EXPECT_EQ(menuBar->actions()[0]->text(), "File");
    EXPECT_EQ(menuBar->actions()[1]->text(), "Edit");
    EXPECT_EQ(menuBar->actions()[2]->text(), "Tools");
    QStringList items;
    for (QAction* a : menuBar->actions()[0]->menu()->actions()) {
        items << a->text();
    }
    EXPECT_EQ(items, (QStringList{"Open Config", "Save Config", "Read Device", "Write Device"}));
    items.clear();
    for (QAction* a : menuBar->actions()[1]->menu()->actions()) {
        items << a->text();
    }
    EXPECT_EQ(items, (QStringList{"Undo", "Redo", "", "Copy", "Paste", "", "Set to...", "Add...",
                                  "Multiply by...", "Interpolate", "Smooth"}));
    EXPECT_EQ(action("Undo1")->shortcut(), QKeySequence("Ctrl+Z"));
    EXPECT_EQ(action("Redo1")->shortcuts(),
              (QList<QKeySequence>{QKeySequence("Ctrl+Shift+Z"), QKeySequence("Ctrl+Y")}));
    EXPECT_EQ(menuBar->actions()[2]->menu()->actions().size(), 3);
    EXPECT_EQ(action("Compare1")->text(), "Compare...");
    EXPECT_EQ(action("ExportText1")->text(), "Export text...");
    EXPECT_EQ(action("History1")->text(), "History...");
}

TEST_F(ConfigWindowTest, CompareSelectsTheParameterAndTakesCellsOver) {
    readBlock(NumberedBlock());
    TempDir dir;
    auto other = NumberedBlock();
    other[0] = 3;                   // led_dimmer
    other[217 + 54 + 7] = 200;      // Mode2 gsense_2d, row 1 column 1
    other[217 + 54 + 36 + 1] = 201; // its x-axis point 2
    {
        std::ofstream out(dir.file("friend.cfg"), std::ios::binary);
        out.write(reinterpret_cast<const char*>(other.data()), std::streamsize(other.size()));
    }
    dialogs.openAnswers.push_back(dir.file("friend.cfg"));
    ConfigCompareDialog& dialog = form->compareDialog();
    dialog.compareWithFile();
    EXPECT_EQ(dialog.status().toStdString(),
              "Compared with " + dir.file("friend.cfg") + ": 3 differing elements in 2 parameters");
    QTreeWidget* view = dialog.differencesView();
    ASSERT_EQ(view->topLevelItemCount(), 2);
    EXPECT_EQ(view->topLevelItem(0)->text(0), "System/led_dimmer");
    EXPECT_EQ(view->topLevelItem(0)->text(1), "12");
    EXPECT_EQ(view->topLevelItem(0)->text(2), "3");
    QTreeWidgetItem* map = view->topLevelItem(1);
    EXPECT_EQ(map->text(0), "Mode2/gsense/gsense_2d, 2 of 48 differ");
    ASSERT_EQ(map->childCount(), 2);
    EXPECT_EQ(map->child(0)->text(0), "x=53|201 y=59"); // bytes 308 and 314 hold i + 1
    EXPECT_EQ(map->child(0)->text(2), "200");

    // Choosing an entry shows its parameter as a click on its node would.
    view->setCurrentItem(map->child(0));
    EXPECT_EQ(form->editor().shownParameter(), 25 + 12 + 9);
    EXPECT_EQ(tree->selectedItems().value(0), form->treeNode(size_t(NodeOf("gsense_2d", kMode2))));

    map->child(0)->setSelected(true);
    dialog.takeOverSelected();
    EXPECT_EQ(dialog.status().toStdString(), "Took over 1 value from " + dir.file("friend.cfg"));
    EXPECT_EQ(grid->cell(3, 3), "200"); // the grid shows the value taken over
    ASSERT_EQ(view->topLevelItemCount(), 2);
    EXPECT_EQ(view->topLevelItem(1)->childCount(), 1); // only the axis point is left
    EXPECT_EQ(pars.block()[217 + 54 + 7], NumberedBlock()[217 + 54 + 7]);
}

TEST_F(ConfigWindowTest, GroupNodesAndUnloadedParametersHideTheGrid) {
    clickNode(NodeOf("System"));
    clickNode(NodeOf("led_dimmer"));
    EXPECT_EQ(entries(), (std::vector<std::string>{"unsigned char", "Select \"+\" Tree Node",
                                                   "System", "led_dimmer"}));
    EXPECT_FALSE(grid->isVisible());

    readBlock(NumberedBlock());
    EXPECT_EQ(lastEntry(), "  12"); // the read refreshed the selected node
    EXPECT_TRUE(grid->isVisible());
    clickNode(NodeOf("gsense", kMode2));
    EXPECT_EQ(lastEntry(1), "Select \"+\" Tree Node");
    EXPECT_EQ(lastEntry(), "gsense");
    EXPECT_FALSE(grid->isVisible());
}

TEST_F(ConfigWindowTest, GridsOfSingleTwoRowAndMapParameters) {
    readBlock(NumberedBlock());
    EXPECT_EQ(lastEntry(), "Select Tree Node");
    EXPECT_EQ(lastEntry(1), "Read OK");

    clickNode(NodeOf("led_dimmer"));
    ASSERT_TRUE(grid->isVisible());
    ASSERT_EQ(grid->colCount(), 2);
    ASSERT_EQ(grid->rowCount(), 2);
    EXPECT_EQ(grid->cell(0, 0), "dimmer");
    EXPECT_EQ(grid->cell(0, 1), "0..2");
    EXPECT_EQ(grid->cell(1, 0), "1");
    EXPECT_EQ(grid->cell(1, 1), "12");
    EXPECT_EQ(lastEntry(), "  12");

    clickNode(NodeOf("throttle_curve"));
    ASSERT_EQ(grid->colCount(), 9);
    ASSERT_EQ(grid->rowCount(), 3);
    EXPECT_EQ(grid->cell(0, 0), "");
    EXPECT_EQ(grid->cell(0, 1), "throt");
    EXPECT_EQ(grid->cell(0, 2), "curve");
    std::string expectedEntry;
    for (int c = 1; c <= 8; ++c) {
        EXPECT_EQ(grid->cell(c, 0), std::to_string(c));
        EXPECT_EQ(grid->cell(c, 1), std::to_string(7 + c)) << c;  // bytes 7..14
        EXPECT_EQ(grid->cell(c, 2), std::to_string(15 + c)) << c; // bytes 15..22
    }
    for (int i = 0; i < 16; ++i) {
        expectedEntry += "  " + std::to_string(8 + i);
    }
    EXPECT_EQ(lastEntry(), expectedEntry);

    clickNode(NodeOf("gsense_2d", kMode2));
    ASSERT_EQ(grid->colCount(), 8);
    ASSERT_EQ(grid->rowCount(), 8);
    EXPECT_EQ(grid->cell(0, 0), "f(xy)");
    EXPECT_EQ(grid->cell(1, 0), "x");
    EXPECT_EQ(grid->cell(0, 1), "y");
    EXPECT_EQ(grid->cell(1, 1), "0");
    const int base = 217 + 54;
    expectedEntry.clear();
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(grid->cell(i + 2, 0), std::to_string(i + 1));
        EXPECT_EQ(grid->cell(0, i + 2), std::to_string(i + 1));
        EXPECT_EQ(grid->cell(i + 2, 1), std::to_string((base + 36 + i + 1) % 256)) << i;
        EXPECT_EQ(grid->cell(1, i + 2), std::to_string((base + 42 + i + 1) % 256)) << i;
        for (int c = 0; c < 6; ++c) {
            EXPECT_EQ(grid->cell(c + 2, i + 2), std::to_string((base + i * 6 + c + 1) % 256));
        }
    }
    for (int i = 0; i < 36; ++i) {
        expectedEntry += "  " + std::to_string((base + i + 1) % 256);
    }
    EXPECT_EQ(lastEntry(), expectedEntry);
}

TEST_F(ConfigWindowTest, LongTextIsCutClampedAndReported) {
    readBlock(NumberedBlock());
    clickNode(NodeOf("led_dimmer"));
    // A click on the cell that is already current, then typing at once, as a person does.
    clickCell(1, 1);
    QTest::keyClicks(QApplication::focusWidget(), "1234567");
    EXPECT_EQ(grid->cell(1, 1), "1234567"); // the cell keeps what was typed
    pressEnter();
    EXPECT_EQ(grid->cell(1, 1), "255");
    EXPECT_EQ(lastEntry(), "PressEnter123456 row=1 col=1");
    EXPECT_EQ(form->working().values[0], 255.0f);
}

TEST_F(ConfigWindowTest, AxisEditsEmptyTextAndFocusLoss) {
    readBlock(NumberedBlock());
    clickNode(NodeOf("AngleG_2d", kMode2));
    typeInto(1, 3, "9");
    pressEnter();
    EXPECT_EQ(lastEntry(1), "else ");
    EXPECT_EQ(lastEntry(), "PressEnter9 row=3 col=1");
    EXPECT_EQ(grid->cell(1, 3), "9");

    typeInto(3, 3, "");
    pressEnter();
    EXPECT_EQ(dialogs.texts(), std::vector<std::string>{"not a number"});
    EXPECT_EQ(grid->cell(3, 3), "0");

    // An edit left by moving the focus elsewhere is committed on the way out.
    typeInto(4, 4, "77");
    tree->setFocus();
    EXPECT_EQ(lastEntry(1), "exit=77");
    EXPECT_EQ(lastEntry(), "select=77 row=4 col=4 pdata=77");
    const auto& p =
        form->working().pars[size_t(kCatalogueTree[size_t(NodeOf("AngleG_2d", kMode2))].par)];
    EXPECT_EQ(form->working().values[*p.values + 2 * 6 + 2], 77.0f);
    EXPECT_EQ(form->working().values[*p.values + 7 * 6 + 1], 9.0f);
}

TEST_F(ConfigWindowTest, UncommittedEditIsNotWritten) {
    readBlock(NumberedBlock());
    clickNode(NodeOf("led_dimmer"));
    typeInto(1, 1, "99");
    serial.written.clear();
    action("Write1")->trigger();
    ASSERT_EQ(serial.written.size(), 520u);
    EXPECT_EQ(serial.written[1], 12);
    EXPECT_EQ(lastEntry(), "Write Ok");

    pressEnter();
    serial.written.clear();
    action("Write1")->trigger();
    ASSERT_EQ(serial.written.size(), 520u);
    EXPECT_EQ(serial.written[1], 99);
}

// The tuner's edits through the window: a range picked with Shift and the arrows, the Edit
// menu, the keys the cell editor would otherwise keep, the tint, the map view and the caption.
TEST_F(ConfigWindowTest, RangeEditsUndoKeysTintAndMapViewFollow) {
    readBlock(NumberedBlock());
    EXPECT_EQ(form->windowTitle(), "Config");
    clickNode(NodeOf("gsense_2d", kMode2));
    const int par = form->editor().shownParameter();
    ASSERT_FALSE(form->mapView().isHidden());
    EXPECT_EQ(form->mapView().valueAt(0, 0), (217 + 54 + 1) % 256);

    clickCell(2, 2);
    for (int i = 0; i < 5; ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Right, Qt::ShiftModifier);
    }
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Down, Qt::ShiftModifier);
    const CellRange picked = form->selection();
    EXPECT_EQ(std::vector<int>({picked.left, picked.top, picked.right, picked.bottom}),
              std::vector<int>({2, 2, 7, 3}));

    form->askNumber = [](const std::string& label) {
        EXPECT_EQ(label, "Set to");
        return std::optional<std::string>("100");
    };
    action("SetTo1")->trigger();
    EXPECT_EQ(grid->cell(7, 3), "100");
    EXPECT_EQ(grid->cell(2, 4), "28"); // below the range
    EXPECT_EQ(form->mapView().valueAt(5, 1), 100);
    EXPECT_EQ(form->windowTitle(), "Config *");
    EXPECT_NE(grid->item(3, 7)->background().color(), grid->item(4, 2)->background().color());

    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(grid->cell(7, 3), "27");
    EXPECT_EQ(form->windowTitle(), "Config");
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Y, Qt::ControlModifier);
    EXPECT_EQ(grid->cell(7, 3), "100");
    EXPECT_EQ(form->editor().shownParameter(), par);

    // Copy, then paste one row down: the last row's cells fall outside and are counted.
    action("Copy1")->trigger();
    EXPECT_EQ(QApplication::clipboard()->text().toStdString(),
              "100\t100\t100\t100\t100\t100\n100\t100\t100\t100\t100\t100\n");
    QApplication::clipboard()->setText("1\t2\n3\t4\n5\t6\n");
    clickCell(6, 6);
    action("Paste1")->trigger();
    EXPECT_EQ(grid->cell(7, 7), "4");
    EXPECT_EQ(lastEntry(), "Paste: 2 cells beyond the grid left out");
    QApplication::clipboard()->setText("1\tten\n");
    action("Paste1")->trigger();
    EXPECT_EQ(dialogs.texts().back(), "not a number");
    EXPECT_EQ(grid->cell(6, 6), "1");
}

TEST_F(ConfigWindowTest, FilterKeepsMatchesWithTheirParentsAndTheSelection) {
    clickNode(NodeOf("gsense_2d", kMode2));
    QTest::keyClicks(&form->filter(), "slip");
    EXPECT_TRUE(form->treeNode(0)->isHidden()); // "System" holds no slip parameter
    QTreeWidgetItem* slip = form->treeNode(size_t(NodeOf("desired_slip", kMode2)));
    EXPECT_FALSE(slip->isHidden());
    EXPECT_FALSE(slip->parent()->isHidden());
    EXPECT_TRUE(form->treeNode(size_t(NodeOf("gsense_2d", kMode2)))->isHidden());
    form->filter().clear();
    EXPECT_FALSE(form->treeNode(0)->isHidden());
    EXPECT_EQ(tree->currentItem(), form->treeNode(size_t(NodeOf("gsense_2d", kMode2))));
}

TEST_F(ConfigWindowTest, HistoryListsTransfersAndRestoresOneAsAnUndoStep) {
    readBlock(NumberedBlock());
    auto changed = NumberedBlock();
    changed[0] = 1;
    serial.reads.push_back(changed);
    action("Read1")->trigger();
    ConfigHistoryDialog& history = form->historyDialog();
    history.refresh();
    QTreeWidget* view = history.entries();
    ASSERT_EQ(view->topLevelItemCount(), 2);
    EXPECT_EQ(view->topLevelItem(0)->text(1), "read");
    EXPECT_EQ(view->topLevelItem(0)->text(2), "0");
    EXPECT_EQ(view->topLevelItem(1)->text(2), "1");
    view->setCurrentItem(view->topLevelItem(1));
    const size_t sent = serial.written.size();
    history.restoreChosen();
    EXPECT_EQ(form->working().values[0], 12);
    EXPECT_EQ(form->windowTitle(), "Config *");
    EXPECT_EQ(serial.written.size(), sent); // nothing went to the device
    action("Undo1")->trigger();
    EXPECT_EQ(form->working().values[0], 1);
}

} // namespace
