#include "dyno/tform3.h"

#include "dyno/dino.h"
#include "fakes/fake_dialogs.h"
#include "fakes/file_size_limit.h"
#include "tests/support/qt_test_app.h"
#include "ui/string_grid.h"

#include "fakes/temp_dir.h"
#include "ui_tform3.h"

#include <QApplication>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QTest>
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

class TForm3Test : public ::testing::Test {
  protected:
    void SetUp() override {
        TestApp();
        dino.Values()[2] = 1.5f; // the window shows the model as it is at creation
        form = std::make_unique<TForm3>(dino, dialogs, ',');
        form->show();
        form->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
    }
    void TearDown() override { form.reset(); }

    StringGrid& grid() { return *form->ui().StringGrid1; }
    std::vector<std::string> lines() {
        std::vector<std::string> out;
        QListWidget& list = *form->ui().ListBox1;
        for (int i = 0; i < list.count(); ++i) {
            out.push_back(list.item(i)->text().toStdString());
        }
        return out;
    }
    long count(const std::string& line) {
        const auto all = lines();
        return std::count(all.begin(), all.end(), line);
    }
    // Makes the value cell of `row` current and types into the grid.
    void typeInto(int row, const char* text) {
        grid().setCurrentCell(row, 1);
        grid().setFocus();
        QTest::keyClicks(&grid(), text);
    }
    std::string path(const std::string& name) const { return (dir / name).string(); }

    Dino dino;
    FakeDialogs dialogs;
    std::unique_ptr<TForm3> form;
    TempDir tmp;
    const fs::path dir = tmp.path();
};

TEST_F(TForm3Test, CreationLaysOutTheWindowAndFillsTheGrid) {
    EXPECT_EQ(form->windowTitle().toStdString(), "Dino");
    EXPECT_EQ(form->ui().ClientArea->size(), QSize(524, 264));
    EXPECT_EQ(grid().geometry(), QRect(80, 8, 153, 241));
    EXPECT_EQ(form->ui().ListBox1->geometry(), QRect(272, 8, 225, 241));
    EXPECT_EQ(grid().colCount(), 2);
    EXPECT_EQ(grid().rowCount(), 12);
    EXPECT_EQ(grid().fixedCols(), 1);
    EXPECT_EQ(grid().fixedRows(), 1);
    EXPECT_EQ(grid().columnWidth(1), 64);
    EXPECT_EQ(grid().rowHeight(11), 18);
    EXPECT_EQ(form->ui().File1->title().toStdString(), "File");
    const auto actions = form->ui().File1->actions();
    ASSERT_EQ(actions.size(), 2);
    EXPECT_EQ(actions[0], form->ui().Open1);
    EXPECT_EQ(actions[0]->text().toStdString(), "Open");
    EXPECT_EQ(actions[1]->text().toStdString(), "Save");

    EXPECT_EQ(grid().cell(0, 0), "Name");
    EXPECT_EQ(grid().cell(1, 0), "Value");
    const char* values[] = {"0,340000003576279", "2,20000004768372", "1,5",  "20",
                            "271,149993896484",  "1,37000000476837", "1450", "1,20000004768372"};
    for (int r = 1; r <= 8; ++r) {
        EXPECT_EQ(grid().cell(0, r), dino.Name(r - 1));
        EXPECT_EQ(grid().cell(1, r), values[r - 1]);
    }
    for (int r = 9; r <= 11; ++r) {
        EXPECT_EQ(grid().cell(0, r), "");
        EXPECT_EQ(grid().cell(1, r), "");
    }
    EXPECT_EQ(lines(),
              (std::vector<std::string>{"Save file as \"dino.cfg\"", "in KORVEX.exe folder"}));
}

TEST_F(TForm3Test, TypedValueCommitsItsFirstFiveCharactersOnEnter) {
    grid().setFocus(); // a fresh grid edits the first coefficient
    QTest::keyClicks(&grid(), "0,5");
    QTest::keyClick(&grid(), Qt::Key_Return);
    EXPECT_EQ(dino.Values()[0], 0.5f);
    typeInto(7, "1234,5");
    EXPECT_EQ(count("edit row=7"), 6);
    EXPECT_EQ(dino.Values()[6], 1450.0f);
    QTest::keyClick(&grid(), Qt::Key_Return);
    EXPECT_EQ(dino.Values()[6], 1234.0f);
    EXPECT_EQ(lines().back(), "select row=7");
    EXPECT_EQ(grid().cell(1, 7), "1234,5");
}

TEST_F(TForm3Test, SecondCommaIsRemovedAndMovingCommits) {
    typeInto(2, "12,5,");
    ASSERT_NE(grid().editor(), nullptr);
    EXPECT_EQ(grid().editor()->text().toStdString(), "12,5");
    EXPECT_EQ(grid().cell(1, 2), "12,5");
    QTest::keyClick(&grid(), Qt::Key_Down);
    EXPECT_EQ(dino.Values()[1], 12.5f);
    EXPECT_EQ(lines().back(), "select row=2curren row= =3");
}

TEST_F(TForm3Test, TextInTheRowsBelowIsClearedAtOnce) {
    typeInto(10, "77");
    EXPECT_EQ(grid().cell(1, 10), "");
    ASSERT_NE(grid().editor(), nullptr);
    EXPECT_EQ(grid().editor()->text().toStdString(), "");
    EXPECT_EQ(count("edit row=10"), 2);
    QTest::keyClick(&grid(), Qt::Key_Return);
    EXPECT_EQ(grid().cell(1, 10), "");
    EXPECT_EQ(lines().back(), "edit row=10");
}

TEST_F(TForm3Test, SaveLeavesThePendingEditOutUntilTheGridIsLeft) {
    typeInto(4, "7");
    dialogs.saveAnswers.push_back(path("out.cfg"));
    form->ui().Save1->trigger();
    Dino saved;
    ASSERT_EQ(saved.ReadFile(path("out.cfg")), 8);
    EXPECT_EQ(saved.Values()[3], 20.0f);
    form->ui().ListBox1->setFocus();
    EXPECT_EQ(lines().back(), "select row=4");
    EXPECT_EQ(dino.Values()[3], 7.0f);
}

TEST_F(TForm3Test, OpenShowsTheLoadedValuesAndSaveWritesThem) {
    Dino source;
    source.Values()[5] = 1.36f;
    ASSERT_EQ(source.WriteFile(path("in.cfg")), 8);
    dialogs.openAnswers.push_back(path("in.cfg"));
    form->ui().Open1->trigger();
    EXPECT_EQ(grid().cell(1, 6), "1,36000001430511");
    EXPECT_EQ(grid().cell(1, 3), "1,20099997520447");
    EXPECT_EQ(lines().back(), "ItemsRead=8");
    dialogs.saveAnswers.push_back(path("out.cfg"));
    form->ui().Save1->trigger();
    EXPECT_EQ(dialogs.savePresets.back(), path("in.cfg"));
    Dino saved;
    ASSERT_EQ(saved.ReadFile(path("out.cfg")), 8);
    EXPECT_EQ(saved.Values(), source.Values());
}

TEST_F(TForm3Test, FailedSaveSaysSoAndKeepsTheOldFile) {
    KORVEX_NEEDS_FILE_SIZE_LIMIT();
    Dino old;
    ASSERT_EQ(old.WriteFile(path("dino.cfg")), 8);
    dialogs.saveAnswers.push_back(path("dino.cfg"));
    {
        FileSizeLimit limit(10); // the new file fails part-way through
        form->ui().Save1->trigger();
    }
    EXPECT_EQ(lines().back(), "Can not save");
    Dino kept;
    ASSERT_EQ(kept.ReadFile(path("dino.cfg")), 8);
    EXPECT_EQ(kept.Values(), old.Values());
}

} // namespace
