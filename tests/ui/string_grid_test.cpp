#include "core/key_codes.h"
#include "tests/support/qt_test_app.h"
#include "ui/string_grid.h"

#include <QApplication>
#include <QLineEdit>
#include <QMouseEvent>
#include <QTest>
#include <QVBoxLayout>
#include <QWidget>
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

// A window with a 2 x 4 grid (one fixed row and column) and a second control to move
// the focus to; every grid signal is recorded as one line.
class StringGridTest : public ::testing::Test {
  protected:
    void SetUp() override {
        TestApp();
        window = std::make_unique<QWidget>();
        auto* layout = new QVBoxLayout(window.get());
        grid = new StringGrid(window.get());
        other = new QLineEdit(window.get());
        layout->addWidget(grid);
        layout->addWidget(other);
        grid->setGridSize(2, 4);
        grid->setFixed(1, 1);
        grid->setEditable(true);
        grid->setCell(0, 0, "Name");
        grid->setCell(1, 1, "0.34");
        QObject::connect(
            grid, &StringGrid::setEditText, [this](int c, int r, const std::string& t) {
                events.push_back("edit " + std::to_string(c) + " " + std::to_string(r) + " " + t);
            });
        QObject::connect(grid, &StringGrid::selectCell, [this](int c, int r) {
            events.push_back("select " + std::to_string(c) + " " + std::to_string(r));
        });
        QObject::connect(grid, &StringGrid::gridEnter, [this] { events.push_back("enter"); });
        QObject::connect(grid, &StringGrid::gridExit, [this] { events.push_back("exit"); });
        QObject::connect(grid, &StringGrid::keyPress,
                         [this](char k) { events.push_back("key " + std::to_string(int(k))); });
        window->show();
        window->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
        other->setFocus();
        grid->setCurrentCell(1, 1); // row, column: value cell (1, 1)
        grid->setFocus();
        events.clear();
    }

    std::vector<std::string> only(const std::string& prefix) const {
        std::vector<std::string> out;
        for (const auto& e : events) {
            if (e.rfind(prefix, 0) == 0) {
                out.push_back(e);
            }
        }
        return out;
    }

    std::unique_ptr<QWidget> window;
    StringGrid* grid = nullptr;
    QLineEdit* other = nullptr;
    std::vector<std::string> events;
};

TEST_F(StringGridTest, EveryKeystrokeReportsTheEditorTextAndTheCellFollows) {
    QTest::keyClicks(grid, "12");
    ASSERT_NE(grid->editor(), nullptr);
    // Typing into the focused editor itself, as a person does.
    QTest::keyClicks(QApplication::focusWidget(), ",5");
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backspace);
    EXPECT_EQ(only("edit"), (std::vector<std::string>{"edit 1 1 1", "edit 1 1 12", "edit 1 1 12,",
                                                      "edit 1 1 12,5", "edit 1 1 12,"}));
    EXPECT_EQ(grid->cell(1, 1), "12,");
    EXPECT_EQ(only("key"),
              (std::vector<std::string>{"key 49", "key 50", "key 44", "key 53", "key 8"}));
}

TEST_F(StringGridTest, EnterCommitsTheEditorThenReportsKey13AndTheHandlerMayRewriteTheCell) {
    QObject::connect(grid, &StringGrid::keyPress, [this](char k) {
        if (k == kEnterKey) {
            events.push_back("cell at enter " + grid->cell(1, 1));
            grid->setCell(1, 1, "7");
        }
    });
    QTest::keyClicks(grid, "99");
    QTest::keyClick(grid, Qt::Key_Return);
    EXPECT_EQ(grid->editor(), nullptr);
    EXPECT_EQ(events.back(), "cell at enter 99");
    EXPECT_EQ(grid->cell(1, 1), "7");
    EXPECT_TRUE(only("select").empty());
    // Enter with no editor open is reported as well.
    events.clear();
    QTest::keyClick(grid, Qt::Key_Enter);
    EXPECT_EQ(only("key"), (std::vector<std::string>{"key 13"}));
}

TEST_F(StringGridTest, UserMovesRaiseSelectCellAndNeverLandOnFixedCells) {
    QTest::keyClick(grid, Qt::Key_Up);   // row 0 is fixed
    QTest::keyClick(grid, Qt::Key_Left); // column 0 is fixed
    EXPECT_EQ(grid->currentRow(), 1);
    EXPECT_EQ(grid->currentColumn(), 1);
    QTest::keyClick(grid, Qt::Key_Down);
    QTest::keyClick(grid, Qt::Key_Tab); // one value column: Tab goes to the next row
    QTest::keyClick(grid, Qt::Key_Tab); // and wraps round past the last row
    QTest::keyClick(grid, Qt::Key_Backtab);
    const QRect fixedRect = grid->visualRect(grid->model()->index(2, 0));
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, fixedRect.center());
    const QRect valueRect = grid->visualRect(grid->model()->index(2, 1));
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, valueRect.center());
    grid->setCurrentCell(1, 1); // the program's own move is not reported
    EXPECT_EQ(only("select"), (std::vector<std::string>{"select 1 2", "select 1 3", "select 1 1",
                                                        "select 1 3", "select 1 2"}));
}

TEST_F(StringGridTest, MovingWhileEditingCommitsTheTextBeforeSelectCell) {
    QObject::connect(grid, &StringGrid::selectCell,
                     [this](int, int) { events.push_back("cell at select " + grid->cell(1, 1)); });
    QTest::keyClicks(grid, "5");
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    EXPECT_EQ(grid->currentRow(), 2);
    EXPECT_EQ(events.back(), "cell at select 5");
    QTest::keyClicks(grid, "8");
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Up); // the editor passes it on
    EXPECT_EQ(grid->currentRow(), 1);
    EXPECT_EQ(grid->cell(1, 2), "8");
    EXPECT_EQ(only("select").size(), 2u);
}

TEST_F(StringGridTest, FocusLeavingGridAndEditorRaisesExitOnceAndReturningRaisesEnter) {
    QTest::keyClicks(grid, "3"); // into the editor: no exit, no enter
    EXPECT_EQ(QApplication::focusWidget(), grid->editor());
    EXPECT_TRUE(only("exit").empty());
    other->setFocus();
    EXPECT_EQ(only("exit").size(), 1u);
    EXPECT_EQ(grid->editor(), nullptr);
    EXPECT_EQ(grid->cell(1, 1), "3");
    grid->setFocus();
    EXPECT_EQ(only("enter").size(), 1u);

    // Another window taking the focus (a box, a dialog) is no exit.
    QWidget box;
    auto* boxEdit = new QLineEdit(&box);
    box.show();
    box.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&box));
    boxEdit->setFocus();
    box.hide();
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    grid->setFocus();
    EXPECT_EQ(only("exit").size(), 1u);
    EXPECT_EQ(only("enter").size(), 1u);
}

TEST_F(StringGridTest, ProgramWritesUpdateTheOpenEditorWithoutSignals) {
    QTest::keyClicks(grid, "12,5,");
    ASSERT_NE(grid->editor(), nullptr);
    events.clear();
    grid->setEditorText(1, 1, "12,5");
    EXPECT_EQ(grid->editor()->text().toStdString(), "12,5");
    EXPECT_EQ(grid->cell(1, 1), "12,5");
    grid->setCell(1, 1, ""); // a cell that may not keep text
    EXPECT_EQ(grid->editor()->text().toStdString(), "");
    QTest::keyClicks(grid, "4");
    EXPECT_EQ(events, (std::vector<std::string>{"key 52", "edit 1 1 4"}));
}

TEST_F(StringGridTest, CellsHoldLatin1BytesAndFixedCellsCannotBeEdited) {
    grid->setCell(1, 2,
                  "t \xB0"
                  "C");
    EXPECT_EQ(grid->cell(1, 2), "t \xB0"
                                "C");
    EXPECT_EQ(grid->cell(5, 9), ""); // outside the grid
    grid->setCell(5, 9, "ignored");
    EXPECT_FALSE(grid->item(0, 0)->flags() & Qt::ItemIsEditable);
    EXPECT_FALSE(grid->item(2, 0)->flags() & Qt::ItemIsEditable);
    EXPECT_TRUE(grid->item(2, 1)->flags() & Qt::ItemIsEditable);
    grid->setEditable(false);
    EXPECT_FALSE(grid->item(2, 1)->flags() & Qt::ItemIsEditable);
    QTest::keyClicks(grid, "5");
    EXPECT_EQ(grid->editor(), nullptr);
    EXPECT_EQ(grid->cell(1, 1), "0.34");
    EXPECT_EQ(events, (std::vector<std::string>{"key 53"}));
}

TEST(StringGridLayoutTest, CurrentCellStartsOnTheFirstValueCell) {
    TestApp();
    StringGrid grid;
    grid.setGridSize(3, 5);
    grid.setFixed(1, 2);
    EXPECT_EQ(grid.currentRow(), 2);
    EXPECT_EQ(grid.currentColumn(), 1);
    grid.setFixed(3, 0); // no value cell at all: the current cell stays where it is
    EXPECT_EQ(grid.currentRow(), 2);
    EXPECT_FALSE(grid.item(2, 2)->flags() & Qt::ItemIsSelectable);
}

TEST_F(StringGridTest, AlwaysShownEditorOpensWhenTheUserMovesToACell) {
    grid->setAlwaysShowEditor(true);
    QTest::keyClick(grid, Qt::Key_Down);
    ASSERT_NE(grid->editor(), nullptr);
    EXPECT_EQ(grid->currentRow(), 2);
    QTest::keyClicks(QApplication::focusWidget(), "6");
    EXPECT_EQ(only("edit"), (std::vector<std::string>{"edit 1 2 6"}));
}

} // namespace

namespace {
void SendMouse(QWidget* to, QEvent::Type type, QPoint at, Qt::MouseButtons buttons) {
    QMouseEvent event(type, QPointF(at), to->mapToGlobal(QPointF(at)), Qt::LeftButton, buttons,
                      Qt::NoModifier);
    QApplication::sendEvent(to, &event);
}
} // namespace

TEST_F(StringGridTest, DraggingAColumnBorderInTheFixedRowResizesOnlyWhenAllowed) {
    grid->setDefaultColWidth(40);
    const auto dragBorder = [this](int col, int dx) {
        const QPoint at(grid->columnViewportPosition(col) + grid->columnWidth(col),
                        grid->rowHeight(0) / 2);
        SendMouse(grid->viewport(), QEvent::MouseButtonPress, at, Qt::LeftButton);
        SendMouse(grid->viewport(), QEvent::MouseMove, at + QPoint(dx, 0), Qt::LeftButton);
        SendMouse(grid->viewport(), QEvent::MouseButtonRelease, at + QPoint(dx, 0), Qt::NoButton);
    };
    dragBorder(1, 25);
    EXPECT_EQ(grid->columnWidth(1), 40);
    grid->setColumnsResizable(true);
    dragBorder(1, 25);
    EXPECT_EQ(grid->columnWidth(1), 65);
    dragBorder(0, -100); // never narrower than a grip
    EXPECT_EQ(grid->columnWidth(0), 8);
    EXPECT_TRUE(only("select").empty());
}
