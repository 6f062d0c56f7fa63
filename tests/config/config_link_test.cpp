#include "config/config_transfers.h"

#include "config/config_compare.h"

#include "config/value_codec.h"
#include "fakes/fake_dialogs.h"
#include "fakes/recording_list.h"
#include "fakes/temp_dir.h"
#include "sim/controller_sim.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <thread>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

ControllerSim::Block Numbered(uint8_t seed) {
    ControllerSim::Block b{};
    for (size_t i = 0; i < b.size(); ++i) {
        b[i] = uint8_t(i * 3 + seed);
    }
    return b;
}

// The controller simulator behind a real tty, reached as COM port `com`, with HOME in a
// private folder so the link it makes touches nothing of the user's.
class ConfigLinkTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(sim.start()) << sim.error();
        com = ControllerSim::FirstFreeCom();
        ASSERT_TRUE(sim.linkAsCom(com));
        ASSERT_TRUE(port.open(com));
    }
    void TearDown() override {
        port.close();
        sim.stop();
    }
    bool waitForBlock(const ControllerSim::Block& expected) {
        for (int i = 0; i < 300 && sim.configBlock() != expected; ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return sim.configBlock() == expected;
    }

    TempDir homeDir{TempDir::Use::Home};
    const fs::path home = homeDir.path();
    ControllerSim sim;
    int com = 0;
    CommDevice port;
    GfgPars pars;
    WorkingValues working;
    FakeDialogs dialogs;
    RecordingList list;
    int refreshes = 0;
    ConfigTransfers transfers{pars, working, port, dialogs, list, [this](bool) { ++refreshes; }};
};

TEST_F(ConfigLinkTest, ReadEditWriteRoundTrip) {
    sim.setConfigBlock(Numbered(2));
    transfers.readDevice();
    ASSERT_EQ(list.entries.size(), 520u);
    EXPECT_EQ(list.entries.front(), "#0 2");
    EXPECT_EQ(list.entries[518], "#518 " + std::to_string(Numbered(2)[518]));
    EXPECT_EQ(list.entries.back(), "Read OK");
    EXPECT_TRUE(std::equal(pars.block().begin(), pars.block().end(), Numbered(2).begin()));

    working.values[65] = -128.0f; // steering_ofs
    const size_t before = sim.received().size();
    transfers.writeDevice();
    EXPECT_EQ(list.entries.back(), "Write Ok");
    auto expected = Numbered(2);
    expected[65] = 0x80;
    ASSERT_TRUE(waitForBlock(expected));
    const auto received = sim.received();
    ASSERT_EQ(received.size() - before, 520u);
    EXPECT_EQ(received[before], 0x38);
}

TEST_F(ConfigLinkTest, ShortFileAfterDeviceReadKeepsTheDeviceBytes) {
    sim.setConfigBlock(Numbered(5));
    transfers.readDevice();
    ASSERT_TRUE(transfers.blockLoaded());
    const fs::path file = home / "ten.cfg";
    {
        std::ofstream out(file, std::ios::binary);
        out.write("\x01\x02\x03\x04\x05\x06\x07\x08\x09\x0a", 10);
    }
    dialogs.openAnswers.push_back(file.string());
    transfers.openConfig();
    for (size_t i = 0; i < 10; ++i) {
        EXPECT_EQ(pars.block()[i], i + 1);
    }
    for (size_t i = 10; i < kConfigBlockSize; ++i) {
        ASSERT_EQ(pars.block()[i], Numbered(5)[i]) << i;
    }
}

TEST_F(ConfigLinkTest, AnswerInBurstsIsAssembled) {
    sim.setConfigBlock(Numbered(7));
    sim.setBursts(3, 300);
    sim.setFault(ControllerSim::Fault::Bursts);
    ConfigBlock copy{};
    ASSERT_TRUE(ReadDevice(pars, port, copy));
    EXPECT_TRUE(std::equal(copy.begin(), copy.end(), Numbered(7).begin()));
}

TEST_F(ConfigLinkTest, ShortAnswerGivesUpAndChangesNothing) {
    sim.setConfigBlock(Numbered(1));
    transfers.readDevice();
    ASSERT_TRUE(transfers.blockLoaded());
    list.entries.clear();
    working.values[0] = 200.0f;

    sim.setConfigBlock(Numbered(9));
    sim.setFault(ControllerSim::Fault::Short);
    transfers.readDevice(); // 518 bytes, then two empty reads of 2000 ms
    EXPECT_EQ(list.entries,
              std::vector<std::string>{"Read Device failed: short answer, 518 of 519 bytes"});
    EXPECT_TRUE(std::equal(pars.block().begin(), pars.block().end(), Numbered(1).begin()));
    EXPECT_EQ(working.values[0], 200.0f);
    EXPECT_EQ(refreshes, 2);
}

TEST_F(ConfigLinkTest, CompareWithTheDeviceLeavesTheEditorsBlock) {
    ConfigCompare compare(pars, working, transfers, port, dialogs, list, '.');
    sim.setConfigBlock(Numbered(1));
    transfers.readDevice();
    auto other = Numbered(1);
    other[0] = 42;
    sim.setConfigBlock(other);
    list.entries.clear();
    ASSERT_TRUE(compare.CompareWithDevice());
    EXPECT_EQ(list.entries,
              std::vector<std::string>{"Compared with the device: 1 differing element in 1 "
                                       "parameter"});
    EXPECT_EQ(compare.differences().parameters.at(0).elements.at(0).theirs, "42");
    EXPECT_EQ(pars.block()[0], Numbered(1)[0]);

    sim.setFault(ControllerSim::Fault::Silent);
    EXPECT_FALSE(compare.CompareWithDevice()); // two empty reads of 2000 ms
    EXPECT_EQ(list.entries.back(), "Read Device failed: no answer");
    EXPECT_EQ(pars.block()[0], Numbered(1)[0]);
    EXPECT_EQ(compare.differences().elementCount(), 1u); // the last result stays
}

TEST_F(ConfigLinkTest, WriteToAControllerThatHungUpSaysSo) {
    transfers.readDevice();
    sim.hangUp();
    list.entries.clear();
    transfers.writeDevice();
    ASSERT_EQ(list.entries.size(), 1u);
    EXPECT_EQ(list.entries[0].rfind("Write Device failed: ERR = ", 0), 0u) << list.entries[0];
    EXPECT_NE(list.entries[0], "Write Device failed: ERR = 0");
}

} // namespace
