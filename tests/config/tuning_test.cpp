// The tuner's edits: range operations, paste, undo and the history of configurations.
#include "config/cell_geometry.h"
#include "config/config_difference.h"
#include "config/config_editor.h"
#include "config/config_history.h"
#include "config/config_transfers.h"
#include "config/range_edit.h"
#include "config/value_codec.h"
#include "fakes/fake_dialogs.h"
#include "fakes/fake_serial.h"
#include "fakes/recording_list.h"
#include "fakes/temp_dir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <random>
#ifndef _WIN32
#include <sys/stat.h>
#endif

namespace {

int ParOf(const std::string& key) {
    for (size_t i = 0; i < kParCount; ++i) {
        if (key == kParLong[i].key) {
            return int(i);
        }
    }
    ADD_FAILURE() << key;
    return -1;
}

// Working values whose first parameter is a row of four elements of the given type.
WorkingValues RowOf(const char* type, float scale, float fill) {
    WorkingValues w;
    LoadWorkingValues(w, ConfigBlock{});
    w.pars[0] = PAR_long{0, 0, 4, 1, "t", "t", "t", scale, type};
    for (size_t i = 0; i < 4; ++i) {
        w.values[i] = fill;
    }
    return w;
}

std::vector<float> Row(const WorkingValues& w) {
    return {w.values.begin(), w.values.begin() + 4};
}

constexpr CellRange kWholeRow{1, 1, 4, 1};

TEST(RangeEdit, EveryElementTypeRoundsAndClampsAsTypedText) {
    struct Case {
        const char* type;
        float scale;
        float min;
        float max;
    };
    for (const Case& c :
         {Case{"unsigned char", 1.0f, 0, 255}, Case{"signed char", 1.0f, -128, 127},
          Case{"unsigned short", 1.0f, 0, 65535}, Case{"short", 1.0f, -32768, 32767},
          Case{"unsigned char", 0.392f, 0, 255 * 0.392f}}) {
        SCOPED_TRACE(std::string(c.type) + " scale " + std::to_string(c.scale));
        WorkingValues w = RowOf(c.type, c.scale, c.max);
        EXPECT_EQ(ApplyRange(w, 0, kWholeRow, RangeOp::Add, 1.0), 4);
        EXPECT_EQ(Row(w), std::vector<float>(4, c.max));
        ApplyRange(w, 0, kWholeRow, RangeOp::Multiply, 1.0); // no step lost to float error
        EXPECT_EQ(Row(w), std::vector<float>(4, c.max));
        ApplyRange(w, 0, kWholeRow, RangeOp::Set, -1e12);
        EXPECT_EQ(Row(w), std::vector<float>(4, c.min));
        ApplyRange(w, 0, kWholeRow, RangeOp::Set, 1e12);
        EXPECT_EQ(Row(w), std::vector<float>(4, c.max));
        ApplyRange(w, 0, kWholeRow, RangeOp::Set, 2.7 * c.scale); // down to the step
        EXPECT_EQ(Row(w)[0], EnterValue(w.pars[0], std::to_string(2.7 * c.scale), '.').value);
        EXPECT_EQ(Row(w)[0], 2 * c.scale);
    }
}

TEST(RangeEdit, InterpolateAndSmooth) {
    WorkingValues w = RowOf("short", 1.0f, 0);
    w.values[0] = -300;
    w.values[3] = 600;
    ApplyRange(w, 0, kWholeRow, RangeOp::Interpolate);
    EXPECT_EQ(Row(w), (std::vector<float>{-300, 0, 300, 600}));
    w.values[1] = 900;
    ApplyRange(w, 0, kWholeRow, RangeOp::Smooth); // the ends stay
    EXPECT_EQ(Row(w), (std::vector<float>{-300, 300, 600, 600}));

    // A map: bilinear from the corners of the selected values; the axes stay.
    WorkingValues m;
    LoadWorkingValues(m, ConfigBlock{});
    const int par = ParOf("gsense_2d");
    const PAR_long& p = m.pars[size_t(par)];
    auto at = [&](int col, int row) -> float& {
        return m.values[*p.values + *ElementIndex(p, *ElementOfCell(p, col, row))];
    };
    at(2, 2) = 0;
    at(7, 2) = 50;
    at(2, 7) = 100;
    at(7, 7) = 150;
    EXPECT_EQ(ApplyRange(m, par, {2, 2, 7, 7}, RangeOp::Interpolate), 36);
    EXPECT_EQ(at(3, 2), 10);
    EXPECT_EQ(at(2, 3), 20);
    EXPECT_EQ(at(4, 4), 60);
    EXPECT_EQ(at(3, 1), 0); // x axis
    EXPECT_EQ(at(1, 3), 0); // y axis
    at(4, 4) = 240;
    ApplyRange(m, par, {3, 3, 5, 5}, RangeOp::Smooth);
    EXPECT_EQ(at(4, 4), 80); // (8 * 60 + 240) / 9
    EXPECT_EQ(at(3, 3), 30);
    // A rectangle whose corner is the map's corner cell cannot interpolate.
    EXPECT_EQ(ApplyRange(m, par, {1, 1, 7, 7}, RangeOp::Interpolate), 0);
    // The x axis alone changes when it is what is selected.
    EXPECT_EQ(ApplyRange(m, par, {2, 1, 7, 1}, RangeOp::Set, 9), 6);
    EXPECT_EQ(at(5, 1), 9);
}

TEST(Paste, MalformedTextChangesNothing) {
    EXPECT_TRUE(ParsePaste("").rows.empty());
    EXPECT_FALSE(ParsePaste("").notANumber);
    const PastedCells ragged = ParsePaste("1\t2\t3\r\n4\r\n\t5,5\n");
    ASSERT_EQ(ragged.rows.size(), 3u);
    EXPECT_EQ(ragged.rows[0], (std::vector<double>{1, 2, 3}));
    EXPECT_EQ(ragged.rows[1], (std::vector<double>{4}));
    EXPECT_TRUE(std::isnan(ragged.rows[2][0]));
    EXPECT_EQ(ragged.rows[2][1], 5.5);
    for (const char* bad : {"1,234.5", "1\tabc", "0x10", "1.5.5", "nan"}) {
        EXPECT_TRUE(ParsePaste(bad).notANumber) << bad;
    }

    WorkingValues w = RowOf("unsigned char", 1.0f, 7);
    const WorkingValues before = w;
    EXPECT_EQ(PasteCells(w, 0, 1, 1, ParsePaste("1\tx")).written, 0);
    EXPECT_EQ(w.values, before.values);
    const PasteResult r = PasteCells(w, 0, 3, 1, ParsePaste("300\t\t5\t6\n1"));
    EXPECT_EQ(r.written, 1); // row 2 and columns past the fourth fall on no element
    EXPECT_EQ(r.leftOut, 3);
    EXPECT_EQ(Row(w), (std::vector<float>{7, 7, 255, 7}));
}

class TuningTest : public ::testing::Test {
  protected:
    TuningTest()
        : port(std::make_unique<FakeSerial>(serial)),
          transfers(pars, working, port, dialogs, list,
                    [this](bool newBlock) { editor.AfterTransfer(newBlock); }),
          undo(pars, working), history(dir.file("history")),
          editor(working, list, dialogs, view, '.') {
        transfers.attach(&undo, &history);
        editor.attach(&undo);
        editor.start();
    }

    struct View : ConfigGridView {
        int selectedNode() const override { return node; }
        void setGridVisible(bool) override {}
        void setGridSize(int, int) override {}
        void setCell(int, int, const std::string&) override {}
        void setEditorText(int, int, const std::string&) override {}
        void showParameter(int par) override { node = TreeNodeOf(par); }
        int node = -1;
    };

    void open(const std::vector<uint8_t>& bytes) {
        const std::string path = dir.file("in.cfg");
        std::ofstream(path, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
        dialogs.openAnswers.push_back(path);
        transfers.openConfig();
    }
    ConfigBlock sent() const { return EditorBlock(pars.block(), working); }

    TempDir dir;
    FakeSerial::Shared serial;
    CommDevice port;
    GfgPars pars;
    WorkingValues working;
    FakeDialogs dialogs;
    RecordingList list;
    ConfigTransfers transfers;
    ConfigUndo undo;
    ConfigHistory history;
    View view;
    ConfigEditor editor;
};

TEST_F(TuningTest, AnyEditsUndoneGiveTheFirstBlockBackAndRedoTheLast) {
    std::mt19937 random(19);
    std::vector<uint8_t> bytes(kConfigBlockSize);
    for (auto& b : bytes) {
        b = uint8_t(random());
    }
    const ConfigBlock first = sent();
    open(bytes);
    const std::vector<int> keys = {ParOf("gsense_2d"), ParOf("throttle_curve"), ParOf("pwm_tol"),
                                   ParOf("steering_ofs")};
    for (int i = 0; i < 200; ++i) {
        view.showParameter(keys[random() % keys.size()]);
        editor.showClickedNode();
        const int a = int(random() % 8);
        const int b = int(random() % 8);
        switch (random() % 5) {
        case 0:
            editor.setPendingText(a, b, std::to_string(int(random() % 300) - 150));
            editor.pressKey(13);
            break;
        case 1:
            editor.editRange({a / 2, b / 2, a, b}, RangeOp(random() % 5), double(random() % 90));
            break;
        case 2:
            editor.paste(a, b, "12\t-3,5\n200\t1e3\r\n");
            break;
        case 3:
            editor.undo();
            break;
        default:
            bytes[random() % bytes.size()] ^= 0x5A;
            open(bytes);
        }
    }
    const ConfigBlock last = sent();
    ASSERT_GT(undo.steps(), 50u);
    while (editor.undo()) {
    }
    EXPECT_EQ(sent(), first);
    EXPECT_FALSE(undo.canUndo());
    while (editor.redo()) {
    }
    EXPECT_EQ(sent(), last);
}

TEST_F(TuningTest, UndoOfTheFirstReadLeavesNoBlockAndTheCaptionMarkTracksTransfers) {
    ASSERT_TRUE(port.open(7));
    serial.reads.push_back(std::vector<uint8_t>(kConfigBlockSize, 3));
    transfers.readDevice();
    EXPECT_FALSE(undo.modified());
    view.showParameter(ParOf("led_dimmer"));
    editor.showClickedNode();
    editor.editRange({1, 1, 1, 1}, RangeOp::Add, 1);
    EXPECT_TRUE(undo.modified());
    editor.undo();
    EXPECT_FALSE(undo.modified());
    editor.undo();
    EXPECT_FALSE(transfers.blockLoaded());
    editor.redo();
    EXPECT_EQ(sent()[0], 3);
}

TEST_F(TuningTest, HistoryKeepsEveryTransferAndTwoInOneSecond) {
    const std::vector<uint8_t> bytes(kConfigBlockSize, 9);
    open(bytes);
    dialogs.saveAnswers.push_back(dir.file("out.cfg"));
    transfers.saveConfig();
    const ConfigBlock block = sent();
    ASSERT_TRUE(history.keep(block, HistoryKind::Save, 1'000'000'000));
    ASSERT_TRUE(history.keep(block, HistoryKind::Save, 1'000'000'000));
    const auto entries = history.list();
    ASSERT_EQ(entries.size(), 4u);
    EXPECT_EQ(entries[2].counter, 2);
    EXPECT_NE(entries[2].path.find("_save_2.cfg"), std::string::npos);
    EXPECT_EQ(std::filesystem::file_size(entries[0].path), kConfigBlockSize);

    view.showParameter(ParOf("led_dimmer"));
    editor.showClickedNode();
    editor.editRange({1, 1, 1, 1}, RangeOp::Set, 4);
    const auto rows = ListHistory(history, sent());
    ASSERT_EQ(rows.size(), 4u);
    EXPECT_EQ(rows[0].differences, 1u);
}

TEST_F(TuningTest, HistoryEntriesThatAreNoWholeBlockListWithoutACount) {
    ASSERT_TRUE(history.keep(ConfigBlock{}, HistoryKind::Read, 1'000'000'000));
    const auto entry = [&](const char* name) { return history.folder() + "/" + name; };
    std::ofstream(entry("20300101_000000_open.cfg")) << "short";
    std::ofstream(entry("20300101_000001_open.cfg")) << std::string(kConfigBlockSize + 1, 'x');
    std::filesystem::create_directory(entry("20300101_000002_read.cfg"));
#ifndef _WIN32
    // A pipe nobody writes to must not hold the listing up.
    ASSERT_EQ(mkfifo(entry("20300101_000003_save.cfg").c_str(), 0600), 0);
#endif
    const auto rows = ListHistory(history, ConfigBlock{});
    ASSERT_GE(rows.size(), 4u);
    for (size_t i = 0; i + 1 < rows.size(); ++i) {
        EXPECT_FALSE(rows[i].differences) << rows[i].entry.name;
    }
    EXPECT_EQ(rows.back().differences, 0u);
}

TEST_F(TuningTest, AnUnwritableHistoryIsSaidOnceAndTheSaveGoesOn) {
    std::ofstream(dir.file("history")) << "a file where the folder would be";
    open(std::vector<uint8_t>(kConfigBlockSize, 9));
    EXPECT_TRUE(transfers.blockLoaded());
    const std::string said = "History not kept: can't write to " + dir.file("history");
    EXPECT_EQ(std::count(list.entries.begin(), list.entries.end(), said), 1);
    dialogs.saveAnswers.push_back(dir.file("out.cfg"));
    transfers.saveConfig();
    EXPECT_EQ(std::filesystem::file_size(dir.file("out.cfg")), kConfigBlockSize);
    EXPECT_TRUE(history.list().empty());
}

} // namespace
