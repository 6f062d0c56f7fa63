#include "config/config_editor.h"

#include "config/value_codec.h"
#include "fakes/fake_dialogs.h"
#include "fakes/recording_list.h"

#include <gtest/gtest.h>

#include <map>

namespace {

class RecordingView : public ConfigGridView {
  public:
    int selectedNode() const override { return selected; }
    void setGridVisible(bool v) override { visible = v; }
    void setGridSize(int c, int r) override {
        cols = c;
        rows = r;
        cells.clear();
    }
    void setCell(int c, int r, const std::string& text) override { cells[{c, r}] = text; }
    void setEditorText(int c, int r, const std::string& text) override {
        editorTexts.push_back(text);
        cells[{c, r}] = text;
    }
    void showParameter(int par) override { shown.push_back(par); }
    std::string cell(int c, int r) const {
        const auto it = cells.find({c, r});
        return it == cells.end() ? "<unset>" : it->second;
    }

    int selected = -1;
    bool visible = true;
    int cols = 0;
    int rows = 0;
    std::map<std::pair<int, int>, std::string> cells;
    std::vector<std::string> editorTexts;
    std::vector<int> shown;
};

int NodeOf(const std::string& text, size_t from = 0) {
    for (size_t i = from; i < kCatalogueTree.size(); ++i) {
        if (text == kCatalogueTree[i].text) {
            return int(i);
        }
    }
    ADD_FAILURE() << "no node " << text;
    return -1;
}

class EditorTest : public ::testing::Test {
  protected:
    EditorTest() : editor(working, list, dialogs, view, '.') { editor.start(); }

    void load(uint8_t fill) {
        ConfigBlock block;
        block.fill(fill);
        LoadWorkingValues(working, block);
        editor.AfterTransfer(true);
    }
    void click(const std::string& node, size_t from = 0) {
        view.selected = NodeOf(node, from);
        editor.showClickedNode();
    }
    // Types `text` into cell (col, row) one keystroke at a time, as the grid reports it.
    void type(int col, int row, const std::string& text) {
        for (size_t i = 1; i <= text.size(); ++i) {
            editor.setPendingText(col, row, text.substr(0, i));
        }
    }
    float value(const std::string& key, size_t element, size_t from = 0) {
        for (size_t i = from; i < kParCount; ++i) {
            if (key == working.pars[i].key) {
                return working.values[*working.pars[i].values + element];
            }
        }
        ADD_FAILURE() << key;
        return -999.0f;
    }

    WorkingValues working;
    RecordingList list;
    FakeDialogs dialogs;
    RecordingView view;
    ConfigEditor editor;
};

TEST_F(EditorTest, NodesWithoutValuesHideTheGrid) {
    EXPECT_EQ(list.entries, std::vector<std::string>{"unsigned char"});
    EXPECT_FALSE(view.visible);
    editor.ShowSelectedParameter();
    click("System");
    click("led_dimmer");
    EXPECT_EQ(list.entries,
              (std::vector<std::string>{"unsigned char", "Select Tree Node",
                                        "Select \"+\" Tree Node", "System", "led_dimmer"}));
    EXPECT_EQ(list.scrolled, 3);
    EXPECT_FALSE(view.visible);

    load(12);
    EXPECT_TRUE(view.visible); // the refresh after a load shows the selected node
    EXPECT_EQ(list.entries.back(), "  12");
    click("Mode1");
    EXPECT_FALSE(view.visible);
    EXPECT_EQ(list.entries.back(), "Mode1");
}

TEST_F(EditorTest, CommitTriggersAndTheirEntries) {
    load(0);
    click("throttle_curve");
    editor.enterGrid();
    type(3, 2, "17");
    editor.pressKey('7'); // other keys are not looked at
    EXPECT_EQ(value("throttle_curve", 10), 0.0f);
    editor.pressKey(13);
    EXPECT_EQ(value("throttle_curve", 10), 17.0f);
    EXPECT_EQ(view.cell(3, 2), "17");
    type(4, 1, "9");
    editor.moveToCell(5, 1);
    EXPECT_EQ(value("throttle_curve", 3), 9.0f);
    type(5, 1, "8");
    editor.leaveGrid();
    EXPECT_EQ(value("throttle_curve", 4), 8.0f);
    std::string zeros;
    for (int i = 0; i < 16; ++i) {
        zeros += "  0";
    }
    const std::vector<std::string> tail(list.entries.end() - 6, list.entries.end());
    EXPECT_EQ(tail, (std::vector<std::string>{zeros, "enter=", "PressEnter17 row=2 col=3",
                                              "select=9 row=1 col=4", "exit=8",
                                              "select=8 row=1 col=5 pdata=8"}));
}

TEST_F(EditorTest, PendingTextIsCutAndKeepsOneComma) {
    load(0);
    click("led_dimmer");
    type(1, 1, "1234567");
    EXPECT_EQ(editor.pending().text, "123456");
    EXPECT_TRUE(view.editorTexts.empty()); // the cell keeps what was typed
    editor.setPendingText(1, 1, "1,2,3");
    EXPECT_EQ(editor.pending().text, "1,23");
    EXPECT_EQ(view.editorTexts, std::vector<std::string>{"1,23"});
}

TEST_F(EditorTest, MapAxesAndCorner) {
    load(5);
    click("gsense_2d");
    type(1, 3, "44"); // y-axis point 1
    editor.pressKey(13);
    EXPECT_EQ(value("gsense_2d", 36 + 6 + 1), 44.0f);
    EXPECT_EQ(list.entries[list.entries.size() - 2], "else ");
    type(3, 1, "33"); // x-axis point 1
    editor.pressKey(13);
    EXPECT_EQ(value("gsense_2d", 36 + 1), 33.0f);
    type(7, 7, "77"); // map value (5, 5)
    editor.pressKey(13);
    EXPECT_EQ(value("gsense_2d", 35), 77.0f);

    WorkingValues before = working;
    type(1, 1, "abc");
    editor.pressKey(13);
    EXPECT_EQ(view.cell(1, 1), "0");
    EXPECT_EQ(working.values, before.values);
    EXPECT_TRUE(dialogs.messages.empty());
}

TEST_F(EditorTest, KeptEditNeverReachesOtherValues) {
    load(1);
    click("pwm_off");
    type(1, 1, "abc");
    editor.pressKey(13);
    EXPECT_EQ(dialogs.texts(), std::vector<std::string>{"not a number"});
    EXPECT_EQ(value("pwm_off", 0), 0.0f);
    // Later triggers do not apply it again: no second box.
    editor.moveToCell(1, 1);
    editor.leaveGrid();
    EXPECT_EQ(dialogs.messages.size(), 1u);

    // A new block discards it, and so does another node.
    type(1, 1, "1.96");
    load(7);
    editor.pressKey(13);
    EXPECT_EQ(value("pwm_off", 0), 7 * 0.392f);
    type(1, 1, "20");
    click("led_dimmer");
    editor.leaveGrid();
    EXPECT_EQ(value("pwm_off", 0), 7 * 0.392f);
    EXPECT_EQ(value("led_dimmer", 0), 7.0f);
    EXPECT_EQ(view.cell(1, 1), "7");

    // A node selected with the keyboard does not take the edit meant for the grid.
    view.selected = NodeOf("throttle_curve");
    type(1, 1, "9");
    editor.pressKey(13);
    EXPECT_EQ(value("led_dimmer", 0), 9.0f);
    EXPECT_EQ(value("throttle_curve", 0), 7.0f);
}

TEST_F(EditorTest, ShownTextEnteredAgainKeepsTheValue) {
    load(5);
    click("pwm_off");
    EXPECT_EQ(view.cell(1, 1), "1.9599");
    type(1, 1, "1.9599");
    editor.pressKey(13);
    EXPECT_EQ(value("pwm_off", 0), 5 * 0.392f);
    type(1, 1, "1.5");
    editor.pressKey(13);
    EXPECT_EQ(value("pwm_off", 0), 3 * 0.392f);
    EXPECT_EQ(view.cell(1, 1), "1.1759");
}

} // namespace
