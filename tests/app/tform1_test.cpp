#include "app/globals.h"
#include "app/tform1.h"
#include "fakes/fake_dialogs.h"
#include "fakes/temp_dir.h"
#include "monitor/live_plot_window.h"
#include "monitor/log_plot_window.h"
#include "tests/support/qt_test_app.h"
#include "tests/support/recorded_log.h"
#include "ui/message_list.h"
#include "ui/string_grid.h"

#include <QAccessible>
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QHelpEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QMenuBar>
#include <QPushButton>
#include <QTest>
#include <QToolTip>

#include <gtest/gtest.h>

namespace {

struct MainWindow {
    QApplication& app = TestApp();
    Globals g;
    FakeDialogs dialogs;
    TForm1 form{g, dialogs};

    template <class W> W* get(const char* name) {
        W* w = form.findChild<W*>(name);
        EXPECT_NE(w, nullptr) << name;
        return w;
    }
    std::vector<std::string> log() {
        std::vector<std::string> out;
        auto* list = get<MessageList>("ListBox1");
        for (int i = 0; i < list->count(); ++i) {
            out.push_back(list->entry(i));
        }
        return out;
    }
};

struct Control {
    const char* name;
    const char* caption;
    int x, y, w, h;
    bool shown;
};

const Control kButtons[] = {
    {"Button1", "OpenDevice", 40, 8, 75, 25, true},
    {"Button2", "CloseDevice", 151, 8, 75, 25, true},
    {"Button5", "Start", 264, 8, 75, 25, true},
    {"Button4", "FileLog", 376, 8, 75, 25, true},
    {"Button7", "IspProgrammer", 488, 8, 105, 25, false},
    {"Button6", "Start Bootloader", 632, 8, 105, 25, false},
    {"Button10", "Button10", 168, 56, 75, 25, false},
    {"Button9", "ResetDevice", 344, 56, 75, 25, false},
    {"Button8", "Button8", 504, 56, 75, 25, false},
    {"Button3", "Send", 632, 56, 75, 25, false},
    {"BitBtn1", "BitBtn1", 416, 480, 75, 25, false},
};

} // namespace

TEST(TForm1, ButtonsHaveTheirNamesCaptionsPlacesAndDeveloperOnesAreHidden) {
    TempDir cwd(TempDir::Use::WorkingFolder);
    MainWindow w;
    w.form.show();
    EXPECT_EQ(w.form.windowTitle().toStdString(), "Logger");
    for (const Control& c : kButtons) {
        auto* b = w.get<QPushButton>(c.name);
        ASSERT_NE(b, nullptr);
        EXPECT_EQ(b->text().toStdString(), c.caption) << c.name;
        EXPECT_EQ(b->geometry(), QRect(c.x, c.y, c.w, c.h)) << c.name;
        EXPECT_EQ(b->isVisible(), c.shown) << c.name;
    }
    EXPECT_FALSE(w.get<QCheckBox>("CheckBox1")->isVisible());
    EXPECT_FALSE(w.get<QListWidget>("ListBox2")->isVisible());
    EXPECT_TRUE(w.get<MessageList>("ListBox1")->isVisible());
    auto* autoBox = w.get<QCheckBox>("CheckBox2");
    EXPECT_EQ(autoBox->text().toStdString(), "Auto");
    EXPECT_TRUE(autoBox->isChecked());
    EXPECT_TRUE(w.form.autoFlag());
    EXPECT_EQ(w.get<QLineEdit>("Edit1")->geometry(), QRect(8, 412, 107, 21));
}

TEST(TForm1, PortListHoldsCom1ToCom99WithCom7Shown) {
    TempDir cwd(TempDir::Use::WorkingFolder);
    MainWindow w;
    auto* ports = w.get<QComboBox>("ComboBox1");
    ASSERT_EQ(ports->count(), 99);
    EXPECT_EQ(ports->itemText(0).toStdString(), "COM1");
    EXPECT_EQ(ports->itemText(98).toStdString(), "COM99");
    EXPECT_EQ(ports->currentIndex(), 6);
    EXPECT_EQ(ports->currentText().toStdString(), "COM7");
}

// What the grid holds is the live grid's own (its test); here only that it reaches the widget.
TEST(TForm1, LiveGridIsLaidOutAndShowsTheLiveGridsCells) {
    TempDir cwd(TempDir::Use::WorkingFolder);
    MainWindow w;
    auto* grid = w.get<StringGrid>("StringGrid1");
    ASSERT_EQ(grid->colCount(), 5);
    ASSERT_EQ(grid->rowCount(), 25);
    EXPECT_EQ(grid->fixedCols(), 1);
    EXPECT_EQ(grid->fixedRows(), 1);
    const int widths[] = {64, 61, 64, 64, 64};
    for (int c = 0; c < 5; ++c) {
        EXPECT_EQ(grid->columnWidth(c), widths[c]);
    }
    EXPECT_EQ(grid->rowHeight(3), 16);
    EXPECT_EQ(grid->cell(0, 0), "Par_num");
    EXPECT_EQ(grid->cell(3, 23), "can_brake");
    EXPECT_EQ(grid->editTriggers(), QAbstractItemView::NoEditTriggers);
    EXPECT_EQ(grid->selectionBehavior(), QAbstractItemView::SelectRows);
    // The whole row of the current cell is selected, not the cell alone.
    EXPECT_EQ(grid->selectedItems().size(), 4);

    // A name the column cuts shows whole as a tooltip; a name that fits, or a cut text
    // outside the names columns, shows none.
    w.form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w.form));
    auto tipAt = [grid](int col, int row) {
        QToolTip::hideText();
        EXPECT_TRUE(QTest::qWaitFor([] { return !QToolTip::isVisible(); }));
        const QPoint pos = grid->visualRect(grid->model()->index(row, col)).center();
        QHelpEvent help(QEvent::ToolTip, pos, grid->viewport()->mapToGlobal(pos));
        QCoreApplication::sendEvent(grid->viewport(), &help);
        return QToolTip::isVisible() ? QToolTip::text().toStdString() : std::string("(none)");
    };
    ASSERT_EQ(grid->cell(1, 3), "gearbox_speed");
    EXPECT_EQ(tipAt(1, 3), "gearbox_speed");
    ASSERT_EQ(grid->cell(3, 7), "g_longitudial");
    EXPECT_EQ(tipAt(3, 7), "g_longitudial");
    EXPECT_EQ(tipAt(1, 4), "(none)"); // vrs0
    grid->setCell(2, 3, "123456789012345678");
    EXPECT_EQ(tipAt(2, 3), "(none)");
    grid->setColWidth(1, 200);
    EXPECT_EQ(tipAt(1, 3), "(none)");
}

TEST(TForm1, MenusCarryTheirItems) {
    TempDir cwd(TempDir::Use::WorkingFolder);
    MainWindow w;
    auto* bar = w.get<QMenuBar>("MainMenu1");
    ASSERT_EQ(bar->actions().size(), 2);
    EXPECT_EQ(bar->actions()[0]->text().toStdString(), "File");
    EXPECT_EQ(bar->actions()[1]->text().toStdString(), "&Help");
    const auto items = bar->actions()[0]->menu()->actions();
    ASSERT_EQ(items.size(), 5);
    EXPECT_EQ(items[0]->objectName().toStdString(), "Config1");
    EXPECT_EQ(items[0]->text().toStdString(), "Config");
    EXPECT_EQ(items[1]->objectName().toStdString(), "UpdateDevice");
    EXPECT_EQ(items[2]->objectName().toStdString(), "Dino1");
    EXPECT_EQ(items[3]->text().toStdString(), "Plot log...");
    EXPECT_EQ(items[4]->text().toStdString(), "Live plot");
    EXPECT_EQ(bar->actions()[1]->menu()->actions().at(0)->text().toStdString(), "&About...");
    EXPECT_EQ(w.get<QAction>("Action1")->text().toStdString(), "Open COM");
    EXPECT_EQ(w.get<QAction>("Action2")->text().toStdString(), "Close COM");
}

TEST(TForm1, CloseDeviceActionAndAutoBoxGoThroughTheirHandlers) {
    TempDir cwd(TempDir::Use::WorkingFolder);
    MainWindow w;
    w.get<QAction>("Action2")->trigger();
    EXPECT_EQ(w.log(),
              (std::vector<std::string>{"dino.cfg read ERR", "RunUserMode", "Close Com OK"}));
    w.get<QPushButton>("Button4")->click();
    EXPECT_EQ(w.get<QPushButton>("Button4")->text().toStdString(), "StartLog");
    auto* box = w.get<QCheckBox>("CheckBox2");
    box->click();
    EXPECT_FALSE(w.form.autoFlag());
    // An assistive tool toggles the box without a click; the flag must still follow.
    QAccessibleInterface* a11y = QAccessible::queryAccessibleInterface(box);
    ASSERT_NE(a11y, nullptr);
    ASSERT_NE(a11y->actionInterface(), nullptr);
    a11y->actionInterface()->doAction(QAccessibleActionInterface::toggleAction());
    EXPECT_TRUE(box->isChecked());
    EXPECT_TRUE(w.form.autoFlag());
    box->setFocus();
    QTest::keyClick(box, Qt::Key_Space);
    EXPECT_EQ(w.form.autoFlag(), box->isChecked());
    EXPECT_FALSE(w.form.autoFlag());
}

TEST(TForm1, TimerTicksEvery25MsFromCreation) {
    TempDir cwd(TempDir::Use::WorkingFolder);
    MainWindow w;
    const uint32_t before = w.form.controller().pollCycle().tickCount();
    QTest::qWait(200);
    EXPECT_GT(w.form.controller().pollCycle().tickCount(), before + 2);
    EXPECT_EQ(w.get<QLineEdit>("Edit1")->text().toStdString(), "Time=0m0s");
}

namespace {

TEST(TForm1, PlotMenuItemsOpenTheirWindowsBesideTheMainWindow) {
    TempDir cwd(TempDir::Use::WorkingFolder);
    MainWindow w;
    RecordedLog recorded(cwd.path().string());
    recorded.add(40, 90, 0);
    w.dialogs.openAnswers.push_back(recorded.close());
    w.get<QAction>("PlotLog1")->trigger();
    ASSERT_NE(w.form.logPlot(), nullptr);
    EXPECT_TRUE(w.form.logPlot()->isVisible());
    EXPECT_EQ(w.form.logPlot()->data().records(), 1u);

    w.get<QAction>("LivePlot1")->trigger();
    ASSERT_NE(w.form.livePlot(), nullptr);
    EXPECT_TRUE(w.form.livePlot()->isVisible());
    EXPECT_FALSE(w.form.livePlot()->isModal());
    EXPECT_TRUE(w.dialogs.messages.empty());
}

} // namespace
