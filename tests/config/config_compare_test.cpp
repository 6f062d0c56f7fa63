#include "config/config_compare.h"

#include "config/config_text.h"
#include "config/value_codec.h"
#include "fakes/fake_dialogs.h"
#include "fakes/fake_serial.h"
#include "fakes/recording_list.h"
#include "fakes/temp_dir.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

namespace {

constexpr size_t kLedDimmer = 0;        // byte and catalogue index
constexpr size_t kThrottleScalings = 3; // catalogue index; bytes 3 and 4
constexpr size_t kMode2 = 25 + 12;      // catalogue index of Mode2's first entry
constexpr size_t kMode2Gsense = kMode2 + 9;
constexpr size_t kMode2GsenseByte = 217 + 54;

ConfigBlock Numbered() {
    ConfigBlock b{};
    for (size_t i = 0; i < b.size(); ++i) {
        b[i] = uint8_t(i * 7 + 3);
    }
    return b;
}

std::string FileText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

void WriteFile(const std::string& path, const ConfigBlock& block, size_t count) {
    std::ofstream out(path, std::ios::binary);
    for (size_t i = 0; i < count; ++i) {
        out.put(char(block[i % block.size()]));
    }
}

TEST(CompareBlocks, IdenticalBlocksDifferNowhere) {
    const auto d = CompareBlocks(Numbered(), Numbered(), '.');
    EXPECT_TRUE(d.empty());
    EXPECT_EQ(DifferenceSummary(d), "No differences");
    EXPECT_EQ(DifferenceText(d, "a.cfg", ""),
              "# KORVEX configuration differences: the editor -> a.cfg\n# No differences\n");
}

TEST(CompareBlocks, NamesEachDifferenceByParameterAndCell) {
    const ConfigBlock mine = Numbered();
    ConfigBlock theirs = mine;
    theirs[kLedDimmer] = 2;
    theirs[4] = 255;                                  // throttle_scalings, second value
    const size_t cell = kMode2GsenseByte + 1 * 6 + 2; // row 1, column 2
    const size_t xAxis = kMode2GsenseByte + 36 + 2;   // the cell's column
    theirs[cell] = uint8_t(mine[cell] + 1);
    theirs[xAxis] = 200;

    const auto d = CompareBlocks(mine, theirs, ',');
    EXPECT_EQ(DifferenceSummary(d), "4 differing elements in 3 parameters");
    ASSERT_EQ(d.parameters.size(), 3u);
    // Tree order: led_dimmer sits below System, after the CAN and PWM groups.
    EXPECT_EQ(d.parameters[0].par, int(kLedDimmer));
    EXPECT_EQ(TreePath(size_t(d.parameters[0].node)), "System/led_dimmer");
    EXPECT_EQ(d.parameters[0].elements[0].place, "");
    EXPECT_EQ(d.parameters[0].elements[0].mine, "3");
    EXPECT_EQ(d.parameters[0].elements[0].theirs, "2");
    // The codec's own texts, with the caller's decimal separator.
    const auto& scaling = d.parameters[1].elements.at(0);
    EXPECT_EQ(d.parameters[1].par, int(kThrottleScalings));
    EXPECT_EQ(scaling.place, "2");
    EXPECT_EQ(scaling.theirs, "4,9980");

    const auto& map = d.parameters[2];
    EXPECT_EQ(TreePath(size_t(map.node)), "Mode2/gsense/gsense_2d");
    EXPECT_EQ(DifferenceHeading(map), "Mode2/gsense/gsense_2d, 2 of 48 differ");
    ASSERT_EQ(map.elements.size(), 2u);
    // The cell under the changed x-axis point shows both axis values.
    EXPECT_EQ(map.elements[0].place, "x=" + std::to_string(mine[xAxis]) +
                                         "|200 y=" + std::to_string(mine[kMode2GsenseByte + 43]));
    EXPECT_EQ(map.elements[1].place, "x axis 3");
    EXPECT_EQ(map.elements[1].theirs, "200");

    const std::string text = DifferenceText(d, "friend.cfg", "a note");
    EXPECT_NE(text.find("# a note\n# 4 differing elements in 3 parameters\n"
                        "System/led_dimmer: 3 -> 2\nSystem/throttle_scalings, 1 of 2 differ:\n"
                        "  2: "),
              std::string::npos)
        << text;
    EXPECT_NE(text.find("  x axis 3: " + std::to_string(mine[xAxis]) + " -> 200\n"),
              std::string::npos);
}

TEST(CompareBlocks, EveryParameterDifferingIsListedOnceInTreeOrder) {
    ConfigBlock ones{};
    ones.fill(1);
    const auto d = CompareBlocks(ConfigBlock{}, ones, '.');
    ASSERT_EQ(d.parameters.size(), kParCount);
    EXPECT_EQ(d.elementCount(), kConfigBlockSize);
    // The history's quick count agrees with the listing.
    EXPECT_EQ(CountDifferences(ConfigBlock{}, ones), d.elementCount());
    ConfigBlock oneScaling = Numbered();
    oneScaling[4] ^= 1;
    EXPECT_EQ(CountDifferences(Numbered(), oneScaling), 1u);
    for (size_t i = 1; i < d.parameters.size(); ++i) {
        EXPECT_LT(d.parameters[i - 1].node, d.parameters[i].node);
    }
    EXPECT_EQ(d.parameters.front().par, 15); // can_mode heads the tree
    // steering_ofs is signed: 0xFF is -1 there.
    ConfigBlock allFF{};
    allFF.fill(0xFF);
    const auto signedOne = CompareBlocks(ConfigBlock{}, allFF, '.');
    EXPECT_EQ(signedOne.parameters[3].elements[0].theirs, "-1");
}

TEST(TakeOver, OneMapCellLeavesTheRestOfTheBlockAsItWas) {
    const ConfigBlock mine = Numbered();
    ConfigBlock theirs{};
    theirs.fill(0xEE);
    WorkingValues working;
    const ElementRef cell{int(kMode2Gsense), 4, 5};
    EXPECT_FALSE(TakeOver(working, theirs, {cell})); // nothing loaded yet
    LoadWorkingValues(working, mine);
    ASSERT_TRUE(TakeOver(working, theirs, {cell}));

    ConfigBlock expected = mine;
    expected[kMode2GsenseByte + 5 * 6 + 4] = 0xEE;
    EXPECT_EQ(EditorBlock(ConfigBlock{}, working), expected);
    // A y-axis point is addressed as the codec does: column = point, row = rows + 1.
    ASSERT_TRUE(TakeOver(working, theirs, {{int(kMode2Gsense), 2, 7}}));
    expected[kMode2GsenseByte + 42 + 2] = 0xEE;
    EXPECT_EQ(EditorBlock(ConfigBlock{}, working), expected);
}

TEST(ConfigText, WholeBlockMatchesTheGoldenText) {
    const std::string golden = FileText(KORVEX_TEST_DATA "/golden/config_text.txt");
    ASSERT_FALSE(golden.empty());
    EXPECT_EQ(ConfigText(Numbered(), '.'), golden);
}

class CompareTest : public ::testing::Test {
  protected:
    CompareTest()
        : port(std::make_unique<FakeSerial>(serial)),
          transfers(pars, working, port, dialogs, list, nullptr),
          compare(pars, working, transfers, port, dialogs, list, '.') {}

    void load(const ConfigBlock& block) {
        WriteFile(dir.file("mine.cfg"), block, block.size());
        dialogs.openAnswers.push_back(dir.file("mine.cfg"));
        transfers.openConfig();
        ASSERT_TRUE(transfers.blockLoaded());
        list.entries.clear();
    }

    TempDir dir;
    FakeSerial::Shared serial;
    CommDevice port;
    GfgPars pars;
    WorkingValues working;
    FakeDialogs dialogs;
    RecordingList list;
    ConfigTransfers transfers;
    ConfigCompare compare;
};

TEST_F(CompareTest, NothingToCompareBeforeABlockIsLoaded) {
    dialogs.openAnswers.push_back(dir.file("x.cfg"));
    EXPECT_FALSE(compare.CompareWithFile());
    EXPECT_FALSE(compare.ExportConfig());
    EXPECT_EQ(list.entries, std::vector<std::string>(2, "Try to read device or open cfg file"));
    EXPECT_EQ(dialogs.openAnswers.size(), 1u); // no dialog was shown
}

TEST_F(CompareTest, FilesOfOtherLengthsCompareAsOpenConfigReadsThem) {
    load(Numbered());
    working.values[kConfigBlockSize - 1] = 9.0f; // an unsaved edit at the end
    ConfigBlock other{};
    other.fill(0);
    WriteFile(dir.file("short.cfg"), other, 10);
    dialogs.openAnswers.push_back(dir.file("short.cfg"));
    ASSERT_TRUE(compare.CompareWithFile());
    // The rest is the editor's, its edit included, so only the ten bytes can differ.
    EXPECT_EQ(compare.differences().elementCount(), 10u);
    EXPECT_EQ(compare.note(), "Short file of 10 bytes: as Open Config would, it changes only "
                              "the first 10 bytes; the rest compares as in the editor");
    EXPECT_EQ(list.entries.back(),
              "Compared with " + dir.file("short.cfg") + ": 10 differing elements in 6 parameters");

    WriteFile(dir.file("long.cfg"), Numbered(), 600);
    dialogs.openAnswers.push_back(dir.file("long.cfg"));
    ASSERT_TRUE(compare.CompareWithFile());
    EXPECT_EQ(compare.differences().elementCount(), 1u); // the edit
    EXPECT_EQ(compare.note(), "Long file of 600 bytes: only its first 519 bytes are compared");

    dialogs.openAnswers.push_back(dir.file("missing.cfg"));
    EXPECT_FALSE(compare.CompareWithFile());
    EXPECT_EQ(list.entries.back(), "Can't open file");
    EXPECT_EQ(pars.block(), Numbered()); // compare never touches the block
}

TEST_F(CompareTest, TakeOverThenExportBothTexts) {
    load(Numbered());
    ConfigBlock other = Numbered();
    other[kLedDimmer] = 1;
    other[kMode2GsenseByte] = 0;
    WriteFile(dir.file("friend.cfg"), other, other.size());
    dialogs.openAnswers.push_back(dir.file("friend.cfg"));
    ASSERT_TRUE(compare.CompareWithFile());
    ASSERT_TRUE(compare.TakeOver({{int(kMode2Gsense), 0, 0}}));
    EXPECT_EQ(compare.differences().elementCount(), 1u);
    EXPECT_EQ(working.values[kMode2GsenseByte], 0.0f);
    EXPECT_EQ(pars.block(), Numbered()); // working values only, until Save or Write

    dialogs.saveAnswers.push_back(dir.file("report.txt"));
    ASSERT_TRUE(compare.ExportReport());
    EXPECT_EQ(FileText(dir.file("report.txt")),
              DifferenceText(compare.differences(), dir.file("friend.cfg"), ""));
    dialogs.saveAnswers.push_back(dir.file("config.txt"));
    ASSERT_TRUE(compare.ExportConfig());
    EXPECT_EQ(dialogs.savePresets.back(), dir.file("mine.cfg") + ".txt");
    EXPECT_EQ(FileText(dir.file("config.txt")),
              ConfigText(EditorBlock(pars.block(), working), '.'));
    EXPECT_EQ(list.entries.back(), "Exported " + dir.file("config.txt"));

    // A failed export keeps the earlier file.
    dialogs.saveAnswers.push_back(dir.path().string());
    EXPECT_FALSE(compare.ExportConfig());
    EXPECT_EQ(list.entries.back(), "Can't save file");
}

} // namespace
