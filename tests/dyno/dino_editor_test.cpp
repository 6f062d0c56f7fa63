#include "core/decimal_text.h"
#include "core/key_codes.h"
#include "dyno/dino_editor.h"
#include "fakes/fake_dialogs.h"
#include "fakes/file_size_limit.h"
#include "fakes/recording_list.h"
#include "fakes/temp_dir.h"

#include <gtest/gtest.h>

#include <limits>

#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace fs = std::filesystem;

namespace {

class RecordingGrid : public DinoGridView {
  public:
    void setCell(int col, int row, const std::string& text) override {
        cells[{col, row}] = text;
        writes.push_back("cell " + std::to_string(col) + " " + std::to_string(row) + " " + text);
    }
    void setEditorText(int col, int row, const std::string& text) override {
        cells[{col, row}] = text;
        writes.push_back("editor " + std::to_string(col) + " " + std::to_string(row) + " " + text);
    }
    std::string at(int col, int row) const {
        const auto it = cells.find({col, row});
        return it == cells.end() ? "<none>" : it->second;
    }
    std::map<std::pair<int, int>, std::string> cells;
    std::vector<std::string> writes;
};

class DinoEditorTest : public ::testing::Test {
  protected:
    void SetUp() override {
        editor.fillWindow();
        grid.writes.clear();
        list.entries.clear();
    }

    // Types `text` into the value cell of `row` one character at a time, as the grid
    // reports it.
    void type(int row, const std::string& text) {
        for (size_t n = 1; n <= text.size(); ++n) {
            editor.editTyped(1, row, text.substr(0, n));
        }
    }
    std::string path(const std::string& name) const { return (dir / name).string(); }

    Dino dino;
    RecordingGrid grid;
    RecordingList list;
    FakeDialogs dialogs;
    DinoEditor editor{dino, grid, list, dialogs, ','};
    TempDir tmp;
    const fs::path dir = tmp.path();
};

TEST_F(DinoEditorTest, FillingTheWindowShowsNamesValuesAndTheSaveHint) {
    Dino model;
    RecordingGrid view;
    RecordingList lines;
    DinoEditor point(model, view, lines, dialogs, '.');
    point.fillWindow();
    EXPECT_EQ(view.at(0, 0), "Name");
    EXPECT_EQ(view.at(1, 0), "Value");
    const char* values[] = {"0.340000003576279",
                            "2.20000004768372",
                            "1.20099997520447",
                            "20",
                            "271.149993896484",
                            "1.37000000476837",
                            "1450",
                            "1.20000004768372"};
    for (int r = 1; r <= 8; ++r) {
        EXPECT_EQ(view.at(0, r), model.Name(r - 1));
        EXPECT_EQ(view.at(1, r), values[r - 1]);
    }
    for (int r = 9; r <= 11; ++r) {
        EXPECT_EQ(view.at(1, r), "<none>");
    }
    EXPECT_EQ(lines.entries,
              (std::vector<std::string>{"Save file as \"dino.cfg\"", "in KORVEX.exe folder"}));
    EXPECT_EQ(grid.at(1, 1), "0,340000003576279"); // the comma locale of the fixture
}

TEST(DinoValueTextTest, FifteenDigitsFixedUnlessTooSmallOrTooLarge) {
    EXPECT_EQ(DinoEditor::ValueText(0.0f, '.'), "0");
    EXPECT_EQ(DinoEditor::ValueText(-0.0f, '.'), "0");
    EXPECT_EQ(DinoEditor::ValueText(-2.5f, ','), "-2,5");
    EXPECT_EQ(DinoEditor::ValueText(123.456f, '.'), "123.456001281738");
    EXPECT_EQ(DinoEditor::ValueText(3e-5f, '.'), "0.0000299999992421363");
    EXPECT_EQ(DinoEditor::ValueText(1e-5f, '.'), "9.99999974737875E-6");
    EXPECT_EQ(DinoEditor::ValueText(1e15f, '.'), "999999986991104");
    EXPECT_EQ(DinoEditor::ValueText(1.2345678e17f, ','), "1,23456781929153E17");
    EXPECT_EQ(DinoEditor::ValueText(1e20f, '.'), "1.00000002004088E20");
    EXPECT_EQ(DinoEditor::ValueText(std::numeric_limits<float>::quiet_NaN(), '.'), "NAN");
    EXPECT_EQ(DinoEditor::ValueText(-std::numeric_limits<float>::infinity(), '.'), "-INF");
}

TEST(DinoParseNumberTest, AcceptsDecimalsWithTheRegionalSeparatorOnly) {
    EXPECT_EQ(DinoEditor::ParseNumber("12,5", ','), 12.5);
    EXPECT_EQ(DinoEditor::ParseNumber("12.5", '.'), 12.5);
    EXPECT_EQ(DinoEditor::ParseNumber(" -1,5E2 ", ','), -150.0);
    EXPECT_EQ(DinoEditor::ParseNumber("+7", ','), 7.0);
    EXPECT_EQ(DinoEditor::ParseNumber(",5", ','), 0.5);
    EXPECT_EQ(DinoEditor::ParseNumber("5,", ','), 5.0);
    for (const char* bad : {"", " ", ",", "-", "12.5", "1e", "1E+", "abc", "inf", "nan", "0x10",
                            "1,2,3", "1 2", "9E99", "-9E99"}) {
        EXPECT_FALSE(DinoEditor::ParseNumber(bad, ',')) << bad;
    }
}

TEST(DinoParseNumberTest, EveryShownFiniteValueReadsBackAsTheSameFloat) {
    using L = std::numeric_limits<float>;
    for (const float f : {0.0f, -0.0f, L::denorm_min(), -L::denorm_min(), 1e-40f, L::min(),
                          L::max(), -L::max(), L::lowest(), -1.5f, 1.2345678e17f}) {
        for (const char separator : {'.', ','}) {
            const std::string text = DinoEditor::ValueText(f, separator);
            const std::optional<double> back = DinoEditor::ParseNumber(text, separator);
            ASSERT_TRUE(back) << text;
            EXPECT_EQ(float(*back), f) << text;
        }
    }
    // Just past where rounding to a float overflows is no coefficient.
    EXPECT_FALSE(DinoEditor::ParseNumber("3.4028236E38", '.'));
}

TEST_F(DinoEditorTest, EachKeystrokeLogsAndOnlyTheFirstFiveCharactersCommit) {
    type(7, "1450,5");
    EXPECT_EQ(list.entries, std::vector<std::string>(6, "edit row=7"));
    EXPECT_EQ(editor.editText(), "1450,");
    EXPECT_TRUE(editor.editPending());
    EXPECT_EQ(dino.Values()[6], 1450.0f); // not yet committed
    type(5, "271,15");
    editor.keyPressed('a'); // only Enter commits
    EXPECT_EQ(dino.Values()[4], 271.15f);
    editor.keyPressed(kEnterKey);
    EXPECT_EQ(dino.Values()[4], 271.1f);
    EXPECT_EQ(list.entries.back(), "select row=5");
    EXPECT_FALSE(editor.editPending());
    EXPECT_TRUE(grid.writes.empty()); // the cells keep what was typed
    editor.keyPressed(kEnterKey);     // nothing pending: no line
    EXPECT_EQ(list.entries.back(), "select row=5");
}

TEST_F(DinoEditorTest, FurtherCommasAreDroppedFromTextAndCell) {
    type(2, "12,5,");
    EXPECT_EQ(editor.editText(), "12,5");
    EXPECT_EQ(grid.writes, (std::vector<std::string>{"editor 1 2 12,5"}));
    std::string text = "1,,2,3,";
    EXPECT_TRUE(KeepFirstComma(text));
    EXPECT_EQ(text, "1,23");
    text = "12,5";
    EXPECT_FALSE(KeepFirstComma(text));
    grid.writes.clear();
    editor.editTyped(1, 3, "1,2,3"); // pasted at once
    EXPECT_EQ(grid.writes, (std::vector<std::string>{"editor 1 3 1,23"}));
    editor.gridLeft();
    EXPECT_EQ(dino.Values()[2], 1.23f);
    EXPECT_EQ(list.entries.back(), "select row=3");
}

TEST_F(DinoEditorTest, RowsBelowTheCoefficientsAreClearedAndNeverCommit) {
    type(10, "55");
    EXPECT_EQ(grid.writes, (std::vector<std::string>{"editor 1 10 ", "editor 1 10 "}));
    EXPECT_EQ(list.entries, (std::vector<std::string>{"edit row=10", "edit row=10"}));
    EXPECT_FALSE(editor.editPending());
    editor.cellSelected(1, 11);
    editor.gridLeft();
    editor.keyPressed(kEnterKey);
    EXPECT_EQ(list.entries.size(), 2u);
    EXPECT_EQ(dino.Values(), Dino().Values());
}

TEST_F(DinoEditorTest, SelectingAnotherCellCommitsToTheEditedRow) {
    type(2, "3,5");
    editor.cellSelected(1, 6);
    EXPECT_EQ(list.entries.back(), "select row=2curren row= =6");
    EXPECT_EQ(dino.Values()[1], 3.5f);
    EXPECT_EQ(dino.Values()[5], 1.37f);
    editor.cellSelected(1, 7); // nothing pending any more
    EXPECT_EQ(list.entries.back(), "select row=2curren row= =6");
}

TEST_F(DinoEditorTest, RejectedTextShowsTheBoxAndTheKeptValue) {
    type(4, "2O");
    editor.gridLeft();
    EXPECT_EQ(dialogs.texts(), (std::vector<std::string>{"not a number"}));
    EXPECT_EQ(dino.Values()[3], 20.0f);
    EXPECT_EQ(grid.at(1, 4), "20");
    editor.editTyped(1, 1, ""); // everything deleted
    editor.keyPressed(kEnterKey);
    EXPECT_EQ(dialogs.texts().size(), 2u);
    EXPECT_EQ(grid.at(1, 1), "0,340000003576279");
}

TEST_F(DinoEditorTest, OpenReportsWhatWasReadAndShowsIt) {
    editor.openFile(); // cancelled
    EXPECT_EQ(list.entries, (std::vector<std::string>{"Can not open"}));

    dialogs.openAnswers.push_back(path("missing.cfg"));
    type(3, "5");
    editor.openFile();
    EXPECT_EQ(list.entries.back(), "ItemsRead=0");
    EXPECT_EQ(*(list.entries.end() - 2), "open OK");
    EXPECT_TRUE(editor.editPending()); // nothing loaded: the edit still counts
    EXPECT_EQ(editor.fileName(), path("missing.cfg"));

    Dino source;
    source.Values()[2] = 9.5f;
    ASSERT_EQ(source.WriteFile(path("a.cfg")), 8);
    dialogs.openAnswers.push_back(path("a.cfg"));
    editor.openFile();
    EXPECT_EQ(list.entries.back(), "ItemsRead=8");
    EXPECT_EQ(grid.at(1, 3), "9,5");
    EXPECT_FALSE(editor.editPending()); // the typed 5 must not replace the loaded 9.5
    editor.keyPressed(kEnterKey);
    EXPECT_EQ(dino.Values()[2], 9.5f);
}

TEST_F(DinoEditorTest, SaveWritesTheModelWithoutThePendingEdit) {
    type(7, "999");
    dialogs.saveAnswers.push_back(path("out.cfg"));
    editor.saveFile();
    EXPECT_EQ(dialogs.savePresets, (std::vector<std::string>{""}));
    Dino saved;
    EXPECT_EQ(saved.ReadFile(path("out.cfg")), 8);
    EXPECT_EQ(saved.Values()[6], 1450.0f);
    EXPECT_TRUE(editor.editPending());

    editor.saveFile(); // cancelled: nothing
    EXPECT_EQ(dialogs.savePresets.back(), path("out.cfg"));
    EXPECT_EQ(editor.fileName(), path("out.cfg"));
    EXPECT_EQ(list.entries.back(), "edit row=7");
}

TEST_F(DinoEditorTest, FailedSaveIsReportedAndKeepsTheOldFile) {
    KORVEX_NEEDS_FILE_SIZE_LIMIT();
    ASSERT_EQ(dino.WriteFile(path("dino.cfg")), 8);
    dino.Values()[0] = 0.5f;
    dialogs.saveAnswers.push_back(path("dino.cfg"));
    {
        FileSizeLimit limit(10); // the new file fails part-way through
        editor.saveFile();
    }
    EXPECT_EQ(list.entries.back(), "Can not save");
    Dino kept;
    kept.ReadFile(path("dino.cfg"));
    EXPECT_EQ(kept.Values()[0], 0.34f);

    // A path far longer than any fixed buffer.
    fs::path deep = dir;
    for (int i = 0; i < 40; ++i) {
        deep /= "folder" + std::to_string(i);
    }
    fs::create_directories(deep);
    const std::string longPath = (deep / "dino.cfg").string();
    ASSERT_GT(longPath.size(), 300u);
    dialogs.saveAnswers.push_back(longPath);
    editor.saveFile();
    EXPECT_EQ(list.entries.size(), 1u); // a good save adds no line
    Dino reread;
    EXPECT_EQ(reread.ReadFile(longPath), 8);
    EXPECT_EQ(reread.Values()[0], 0.5f);
}

} // namespace
