#include "config/config_transfers.h"

#include "config/value_codec.h"
#include "core/file_system.h"
#include "fakes/fake_dialogs.h"
#include "fakes/fake_serial.h"
#include "fakes/file_size_limit.h"
#include "fakes/recording_list.h"
#include "fakes/temp_dir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;

namespace {

std::vector<uint8_t> Pattern(size_t count, uint8_t seed) {
    std::vector<uint8_t> bytes(count);
    for (size_t i = 0; i < count; ++i) {
        bytes[i] = uint8_t(i * 7 + seed);
    }
    return bytes;
}

std::vector<uint8_t> FileBytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteBytes(const fs::path& path, const std::vector<uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

class TransfersTest : public ::testing::Test {
  protected:
    TransfersTest()
        : port(std::make_unique<FakeSerial>(serial)),
          transfers(pars, working, port, dialogs, list,
                    [this](bool newBlock) { refreshes.push_back(newBlock); }) {
        // The long form on Windows, so the test reaches its deep folders too.
        dir = PathFromText(NewTempFolder("korvex-config-test-").string());
    }
    ~TransfersTest() override {
        std::error_code ec;
        fs::remove_all(dir, ec);
    }

    void openPort() { ASSERT_TRUE(port.open(7)); }
    // A successful device read of `bytes`, with the list cleared afterwards.
    void readFromDevice(const std::vector<uint8_t>& bytes) {
        openPort();
        serial.reads.push_back(bytes);
        transfers.readDevice();
        ASSERT_TRUE(transfers.blockLoaded());
        list.entries.clear();
        list.scrolled = 0;
        refreshes.clear();
        serial.written.clear();
    }
    std::vector<uint8_t> block() const { return {pars.block().begin(), pars.block().end()}; }

    FakeSerial::Shared serial;
    CommDevice port;
    GfgPars pars;
    WorkingValues working;
    FakeDialogs dialogs;
    RecordingList list;
    std::vector<bool> refreshes;
    ConfigTransfers transfers;
    fs::path dir;
};

TEST_F(TransfersTest, ReadListsEveryByteThenLoads) {
    openPort();
    const auto bytes = Pattern(kConfigBlockSize, 2);
    serial.reads.push_back(bytes);
    transfers.readDevice();

    ASSERT_EQ(list.entries.size(), 520u);
    EXPECT_EQ(list.entries[0], "#0 2");
    EXPECT_EQ(list.entries[518], "#518 " + std::to_string(bytes[518]));
    EXPECT_EQ(list.entries[519], "Read OK");
    EXPECT_EQ(list.scrolled, 519);
    EXPECT_EQ(block(), bytes);
    EXPECT_EQ(working.values[5], float(bytes[5]) * 0.0196f);
    EXPECT_TRUE(working.pars[0].values.has_value());
    EXPECT_EQ(refreshes, std::vector<bool>{true});
    EXPECT_EQ(serial.written, std::vector<uint8_t>{Cmd::ReadConfig});
    // The purge comes before the command.
    const auto purgeAt = std::find(serial.calls.begin(), serial.calls.end(), "purge:15");
    const auto writeAt = std::find(serial.calls.begin(), serial.calls.end(), "write");
    EXPECT_LT(purgeAt, writeAt);
}

TEST_F(TransfersTest, ReadThatEndsShortChangesNothing) {
    readFromDevice(Pattern(kConfigBlockSize, 1));
    working.values[0] = 99.0f; // an unsaved edit survives the failed read
    serial.reads.push_back(Pattern(100, 5));
    transfers.readDevice();
    EXPECT_EQ(list.entries,
              std::vector<std::string>{"Read Device failed: short answer, 100 of 519 bytes"});
    EXPECT_EQ(block(), Pattern(kConfigBlockSize, 1));
    EXPECT_EQ(working.values[0], 99.0f);
    EXPECT_EQ(refreshes, std::vector<bool>{false});
}

TEST_F(TransfersTest, ClosedPortAndNoBlockRefuseTransfers) {
    transfers.readDevice();
    EXPECT_EQ(list.entries, std::vector<std::string>{"Try to Open Com"});
    EXPECT_TRUE(refreshes.empty());

    openPort();
    list.entries.clear();
    transfers.writeDevice();
    transfers.saveConfig();
    EXPECT_EQ(list.entries, (std::vector<std::string>{"Try to read device or open cfg file",
                                                      "Try to read device or open cfg file"}));
    EXPECT_TRUE(serial.written.empty());
    EXPECT_TRUE(dialogs.savePresets.empty());
    EXPECT_FALSE(transfers.blockLoaded());

    readFromDevice(Pattern(kConfigBlockSize, 0));
    port.close();
    transfers.writeDevice();
    EXPECT_EQ(list.entries, std::vector<std::string>{"Try to Open Com"});
    EXPECT_TRUE(serial.written.empty());
}

TEST_F(TransfersTest, WriteSendsTheStoredWorkingValues) {
    readFromDevice(Pattern(kConfigBlockSize, 3));
    working.values[65] = -1.0f; // steering_ofs
    working.values[61] = 5 * 0.392f;
    transfers.writeDevice();
    ASSERT_EQ(serial.written.size(), 520u);
    EXPECT_EQ(serial.written[0], 0x38);
    auto expected = Pattern(kConfigBlockSize, 3);
    expected[65] = 0xFF;
    expected[61] = 5;
    EXPECT_EQ(std::vector<uint8_t>(serial.written.begin() + 1, serial.written.end()), expected);
    EXPECT_EQ(list.entries, std::vector<std::string>{"Write Ok"});
    EXPECT_TRUE(refreshes.empty());

    // A failed write says so with the port's error; the block already holds the stored
    // values.
    list.entries.clear();
    working.values[0] = 1.0f;
    serial.failStep = "write";
    serial.errorCode = 5;
    transfers.writeDevice();
    EXPECT_EQ(list.entries, std::vector<std::string>{"Write Device failed: ERR = 5"});
    EXPECT_EQ(pars.block()[0], 1);
}

TEST_F(TransfersTest, OpenFailuresKeepTheBlock) {
    readFromDevice(Pattern(kConfigBlockSize, 4));
    transfers.openConfig(); // cancelled
    const std::string missing = (dir / "missing.cfg").string();
    dialogs.openAnswers.push_back(missing);
    transfers.openConfig();
    dialogs.openAnswers.push_back(dir.string()); // a folder opens but cannot be read
    transfers.openConfig();
    EXPECT_EQ(list.entries, (std::vector<std::string>{"Can't open file", "", "Can't open file", "",
                                                      "Can't open file", ""}));
    EXPECT_EQ(transfers.fileName(), dir.string());
    EXPECT_EQ(block(), Pattern(kConfigBlockSize, 4));
    EXPECT_EQ(refreshes, (std::vector<bool>{false, false, false}));
    EXPECT_EQ(list.scrolled, 0);
}

TEST_F(TransfersTest, ShortFileReplacesOnlyTheStartOfTheBlock) {
    readFromDevice(Pattern(kConfigBlockSize, 6));
    const fs::path small = dir / "ten.cfg";
    WriteBytes(small, std::vector<uint8_t>(10, 0xAA));
    dialogs.openAnswers.push_back(small.string());
    transfers.openConfig();
    EXPECT_EQ(list.entries, (std::vector<std::string>{small.string(), ""}));
    EXPECT_EQ(list.scrolled, 1);
    auto expected = Pattern(kConfigBlockSize, 6);
    std::fill(expected.begin(), expected.begin() + 10, 0xAA);
    EXPECT_EQ(block(), expected);
    EXPECT_EQ(working.values[9], 0xAA);
    EXPECT_EQ(refreshes, std::vector<bool>{true});

    // A longer file: only its first 519 bytes count.
    const fs::path big = dir / "big.cfg";
    WriteBytes(big, Pattern(600, 9));
    dialogs.openAnswers.push_back(big.string());
    transfers.openConfig();
    EXPECT_EQ(block(), Pattern(kConfigBlockSize, 9));
}

TEST_F(TransfersTest, SaveWritesExactlyTheBlockAndRemembersTheName) {
    const fs::path first = dir / "first.cfg";
    WriteBytes(first, Pattern(kConfigBlockSize, 8));
    dialogs.openAnswers.push_back(first.string());
    transfers.openConfig();
    ASSERT_TRUE(transfers.blockLoaded());
    list.entries.clear();

    transfers.saveConfig(); // cancelled
    EXPECT_EQ(list.entries, std::vector<std::string>{"Can't Execute SaveDialog"});
    const fs::path second = dir / "second.cfg";
    dialogs.saveAnswers.push_back(second.string());
    transfers.saveConfig();
    EXPECT_EQ(dialogs.savePresets, (std::vector<std::string>{first.string(), first.string()}));
    EXPECT_EQ(FileBytes(second), Pattern(kConfigBlockSize, 8));
    EXPECT_EQ(list.entries.back(), second.string());
    EXPECT_EQ(transfers.fileName(), second.string());

    // Saving again over it presets the new name and keeps only the one file.
    working.values[0] = 3.0f;
    dialogs.saveAnswers.push_back(second.string());
    transfers.saveConfig();
    EXPECT_EQ(dialogs.savePresets.back(), second.string());
    auto expected = Pattern(kConfigBlockSize, 8);
    expected[0] = 3;
    EXPECT_EQ(FileBytes(second), expected);
    EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 2);
}

TEST_F(TransfersTest, FailedSaveLeavesTheEarlierFileAsItWas) {
    KORVEX_NEEDS_FILE_SIZE_LIMIT();
    readFromDevice(Pattern(kConfigBlockSize, 10));
    const fs::path target = dir / "kept.cfg";
    WriteBytes(target, std::vector<uint8_t>(7, 0x55));

    dialogs.saveAnswers.push_back(target.string());
    {
        FileSizeLimit limit(100); // fails part-way through the temporary file
        transfers.saveConfig();
    }

    EXPECT_EQ(list.entries, std::vector<std::string>{"Can't save file"});
    EXPECT_EQ(FileBytes(target), std::vector<uint8_t>(7, 0x55));
    EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 1);

    // A folder that does not exist, and a folder in place of the file.
    list.entries.clear();
    dialogs.saveAnswers.push_back((dir / "no" / "such.cfg").string());
    dialogs.saveAnswers.push_back(dir.string());
    transfers.saveConfig();
    transfers.saveConfig();
    EXPECT_EQ(list.entries, (std::vector<std::string>{"Can't save file", "Can't save file"}));
    EXPECT_EQ(transfers.fileName(), dir.string());
}

TEST_F(TransfersTest, LongPathsSaveAndOpen) {
    fs::path deep = dir;
    for (int i = 0; i < 12; ++i) {
        deep /= std::string(200, char('a' + i));
    }
    fs::create_directories(deep);
    const fs::path file = deep / (std::string(250, 'z') + ".cfg");
    ASSERT_GT(file.string().size(), 2500u);
    readFromDevice(Pattern(kConfigBlockSize, 12));
    dialogs.saveAnswers.push_back(file.string());
    transfers.saveConfig();
    EXPECT_EQ(list.entries, std::vector<std::string>{file.string()});
    EXPECT_EQ(FileBytes(file), Pattern(kConfigBlockSize, 12));

    pars.block().fill(0);
    dialogs.openAnswers.push_back(file.string());
    transfers.openConfig();
    EXPECT_EQ(block(), Pattern(kConfigBlockSize, 12));

    // Deepest first: recursive removal cannot list folders this deep on Windows.
    fs::remove(file);
    for (; deep != dir; deep = deep.parent_path()) {
        fs::remove(deep);
    }
}

} // namespace
