#include "isp/dfu_engine.h"
#include "sim/dfu_bootloader_sim.h"
#include "sim/sim_isp_update.h"

#include <gtest/gtest.h>

#include <tuple>

namespace {

TEST(DfuProtocol, DecodesStatusAndBlankAddressFromPlainBytes) {
    const uint8_t answer[6] = {0x09, 0x34, 0x12, 0x01, 0x04, 0x00};
    const auto status = dfu::DecodeStatus(answer, 6);
    ASSERT_TRUE(status);
    EXPECT_EQ(status->status, dfu::ErrNotDone);
    EXPECT_EQ(status->pollTimeoutMs, 0x011234u); // 24 bits, low byte first
    EXPECT_EQ(status->state, dfu::DnBusy);
    EXPECT_FALSE(dfu::DecodeStatus(answer, 5));
    EXPECT_FALSE(dfu::DecodeStatus(nullptr, 6));

    const uint8_t address[2] = {0x1A, 0x2C};
    EXPECT_EQ(dfu::DecodeBlankCheckAddress(address, 2), 0x1A2C); // high byte first
    EXPECT_FALSE(dfu::DecodeBlankCheckAddress(address, 1));
    EXPECT_EQ(dfu::StatusName(0x03), "errWRITE (0x03)");
    EXPECT_EQ(dfu::StatusName(0x42), "status (0x42)");
}

TEST(DfuProtocol, ProgramBlockAlignsItsDataWithFillerAndEndsWithTheSuffix) {
    const uint8_t data[3] = {0xA1, 0xA2, 0xA3};
    const auto block = dfu::ProgramFlashBlock(0x00AF, data, 3);
    ASSERT_EQ(block.size(), 48u + 15 + 3); // 0xAF mod 32 = 15 filler bytes
    EXPECT_EQ((std::vector<uint8_t>(block.begin(), block.begin() + 6)),
              (std::vector<uint8_t>{0x01, 0x00, 0x00, 0xAF, 0x00, 0xB1}));
    EXPECT_EQ(block[32 + 15], 0xA1);
    EXPECT_EQ(block[32 + 17], 0xA3);
    EXPECT_EQ(block[block.size() - 11], 'D');
}

// What a host's "read configuration" asks, chip by chip; an index the bootloader
// does not know is refused without disturbing the next read.
TEST(DfuBootloaderSim, AnswersEveryReadCommandOfBothChips) {
    using namespace dfu;
    for (const IspChip& chip : kIspChips) {
        DfuBootloaderSim device(chip);
        SimDfuTransport transport({&device});
        SimIspClock clock;
        DfuEngine engine(transport, clock);
        transport.open(kBootloaderVendorId, chip.productId);
        const std::tuple<uint8_t, uint8_t, uint8_t> reads[] = {
            {kInfoBootloader, kIndexVersion, 0x20},
            {kInfoBootloader, kIndexBootId1, 0xDC},
            {kInfoBootloader, kIndexBootId2, 0xFB},
            {kInfoSignature, kIndexManufacturer, 0x58},
            {kInfoSignature, kIndexFamily, 0x1E},
            {kInfoSignature, kIndexProductName, chip.signature[1]},
            {kInfoSignature, kIndexProductRevision, chip.signature[2]},
        };
        for (const auto& [group, index, expected] : reads) {
            uint8_t value = 0;
            EXPECT_FALSE(engine.readInfo(group, index, value)) << chip.name << " " << int(index);
            EXPECT_EQ(value, expected) << chip.name << " " << int(index);
        }
        uint8_t value = 0;
        const IspFailure unknown = engine.readInfo(kInfoBootloader, 0x03, value);
        EXPECT_NE(unknown.message.find("errADDRESS"), std::string::npos) << unknown.message;
        EXPECT_FALSE(engine.readInfo(kInfoSignature, kIndexFamily, value));
    }
}

class EngineTest : public ::testing::Test {
  protected:
    EngineTest() : transport({&device}), engine(transport, clock) {
        transport.open(kBootloaderVendorId, device.chip().productId);
    }
    DfuBootloaderSim device{kIspChips[0]};
    SimDfuTransport transport;
    SimIspClock clock;
    DfuEngine engine;
};

TEST_F(EngineTest, LockedWriteIsRefusedWithTheDeviceStatusAndTheDeviceRecovers) {
    ASSERT_FALSE(engine.makeIdle());
    const uint8_t data[128] = {};
    const IspFailure refused = engine.programBlock(0, data, sizeof data);
    EXPECT_EQ(refused.error, IspError::WriteRefused);
    EXPECT_NE(refused.message.find("stalled, device status errWRITE (0x03)"), std::string::npos)
        << refused.message;
    // The error state was cleared: erase and the same block now go through.
    EXPECT_FALSE(engine.eraseChip());
    EXPECT_FALSE(engine.programBlock(0, data, sizeof data));
    uint8_t back[4] = {1, 1, 1, 1};
    EXPECT_FALSE(engine.readFlash(0x7E, back, 4));
    EXPECT_EQ((std::vector<uint8_t>(back, back + 4)), (std::vector<uint8_t>{0, 0, 0xFF, 0xFF}));
}

TEST_F(EngineTest, AddressBeyondTheApplicationAreaIsReportedAndCleared) {
    ASSERT_FALSE(engine.eraseChip());
    const uint8_t data[2] = {};
    const IspFailure refused = engine.programBlock(0x7000, data, 2);
    EXPECT_EQ(refused.error, IspError::WriteRefused);
    EXPECT_NE(refused.message.find("at 0x7000: device status errADDRESS"), std::string::npos)
        << refused.message;
    EXPECT_FALSE(engine.makeIdle());
}

TEST_F(EngineTest, EraseWaitsOutTheBusyPhaseHonouringThePollTimeout) {
    device.setFault(DfuBootloaderSim::Fault::SlowErase);
    device.setBusyPolls(3);
    device.setPollTimeoutMs(250);
    ASSERT_FALSE(engine.eraseChip());
    EXPECT_GE(clock.now, 3u * 250);
    device.setBusyPolls(1000); // never done: the engine gives up instead of hanging
    const IspFailure stuck = engine.eraseChip();
    EXPECT_EQ(stuck.error, IspError::NoAnswer);
    EXPECT_NE(stuck.message.find("still busy"), std::string::npos);
}

TEST_F(EngineTest, StartLeavesTheBusAndLaterRequestsSayTheDeviceIsGone) {
    ASSERT_FALSE(engine.startApplication());
    EXPECT_TRUE(device.startedApplication());
    uint8_t value = 0;
    EXPECT_EQ(engine.readInfo(dfu::kInfoBootloader, 0, value).error, IspError::DeviceLost);
}

} // namespace
