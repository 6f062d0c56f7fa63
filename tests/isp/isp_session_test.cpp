#include "fakes/temp_dir.h"
#include "firmware/firmware_image.h"
#include "isp/isp_session.h"
#include "sim/dfu_bootloader_sim.h"
#include "sim/sim_isp_update.h"

#include <fstream>
#include <gtest/gtest.h>

namespace {

using Fault = DfuBootloaderSim::Fault;

class SessionTest : public ::testing::Test {
  protected:
    SessionTest() : transport({&device, &second}), session(transport, clock) {
        std::string message;
        LoadFirmwareImage(image, state, message, 4); // the largest image
        second.setFault(Fault::Vanish);              // only used when put on the bus
    }
    std::string update(const char* chip = "ATmega32U4") {
        return RunSessionUpdate(session, chip, image.data(), state.imageEndAddress,
                                dir.path().string());
    }
    std::string message() const { return session.lastErrorMessage(); }
    IspError error() const { return static_cast<IspError>(session.lastError()); }

    Buff image{Buff::kImageSize};
    FirmwareState state;
    DfuBootloaderSim device{kIspChips[0]};
    DfuBootloaderSim second{kIspChips[0]};
    SimDfuTransport transport;
    SimIspClock clock;
    IspSession session;
    TempDir dir;
};

TEST_F(SessionTest, CompleteUpdateLeavesTheImageInFlashPaddedToItsPageAndStartsIt) {
    ASSERT_EQ(state.imageEndAddress, 18023u);
    transport = SimDfuTransport({&device});
    ASSERT_EQ(update(), "") << message();
    const std::vector<uint8_t> flash = device.flash();
    EXPECT_TRUE(std::equal(image.data(), image.data() + 18024, flash.begin()));
    EXPECT_TRUE(
        std::all_of(flash.begin() + 18024, flash.end(), [](uint8_t b) { return b == 0xFF; }));
    EXPECT_EQ(device.erases(), 1);
    EXPECT_TRUE(device.startedApplication());
    EXPECT_STREQ(session.lastResult(), "20");
    EXPECT_EQ(session.progressPercent(), 100);
}

struct FaultCase {
    Fault fault;
    const char* failedStep;
    IspError error;
    const char* text;
};

TEST_F(SessionTest, EveryDeviceFaultEndsTheUpdateWithItsMessage) {
    const FaultCase cases[] = {
        {Fault::Vanish, "program", IspError::DeviceLost,
         "the device left the bus while writing at 0x0400"},
        {Fault::FlipByte, "program", IspError::VerifyMismatch,
         "verify mismatch: at 0x0200: written 0x"},
        {Fault::StallBlock, "program", IspError::WriteRefused,
         "write refused: writing at 0x0400: request stalled, device status errWRITE"},
        {Fault::WrongSignature, "open", IspError::WrongChip,
         "ATmega32U4 expected (signature 1E 95 87), the device reports 1E 94 88"},
        {Fault::ReadProtected, "program", IspError::ReadProtected,
         "reading at 0x0000: device status errFILE"},
    };
    for (const FaultCase& c : cases) {
        DfuBootloaderSim faulty(kIspChips[0]);
        faulty.setFault(c.fault);
        transport = SimDfuTransport({&faulty});
        EXPECT_EQ(update(), c.failedStep) << message();
        EXPECT_EQ(error(), c.error);
        EXPECT_NE(message().find(c.text), std::string::npos) << message();
        if (c.fault == Fault::WrongSignature) {
            EXPECT_EQ(faulty.erases(), 0); // checked before anything is erased
        }
    }
}

TEST_F(SessionTest, MissingBootloaderIsWaitedForThenNamedAndAnotherChipIsCalledWrong) {
    transport = SimDfuTransport({});
    EXPECT_EQ(update(), "open");
    EXPECT_EQ(error(), IspError::NoBootloader);
    EXPECT_EQ(message(),
              "no bootloader found: no USB device 03eb:2ff4 (ATmega32U4) appeared within 10 s");
    EXPECT_GE(clock.now, IspSession::kBootloaderWaitMs);

    DfuBootloaderSim small(kIspChips[1]);
    transport = SimDfuTransport({&small});
    EXPECT_EQ(update(), "open");
    EXPECT_EQ(error(), IspError::WrongChip);
    EXPECT_NE(message().find("03eb:2ff3 (ATmega16U4)"), std::string::npos) << message();
}

TEST_F(SessionTest, RefusedPermissionNamesTheUdevRule) {
    transport.denyAccess = true;
    EXPECT_EQ(update(), "open");
    EXPECT_EQ(error(), IspError::NoPermission);
    EXPECT_NE(message().find("70-korvex.rules"), std::string::npos) << message();
}

TEST_F(SessionTest, ImageBeyondTheChipIsRefusedBeforeAnythingIsErased) {
    DfuBootloaderSim small(kIspChips[1]);
    transport = SimDfuTransport({&small});
    EXPECT_EQ(update("ATmega16U4"), "parse");
    EXPECT_EQ(error(), IspError::BeyondApplicationArea);
    EXPECT_NE(message().find("data up to 0x4667, the ATmega16U4's application area ends at 0x2FFF"),
              std::string::npos)
        << message();
    EXPECT_EQ(small.erases(), 0);

    // A fill beyond the parsed range sticks: programming refuses without erasing.
    ASSERT_TRUE(session.selectDevice("ATmega16U4") && session.openUsbPort());
    ASSERT_TRUE(session.eraseDevice());
    const std::string path = dir.file("one.hex");
    std::ofstream(path) << ":0100000000FF\r\n:00000001FF\r\n";
    ASSERT_TRUE(session.parseHexFile(path.c_str()));
    EXPECT_FALSE(session.fillBufferAddrRange(1, 1, "AB"));
    EXPECT_FALSE(session.programDevice());
    EXPECT_EQ(error(), IspError::BeyondApplicationArea);
    EXPECT_EQ(small.erases(), 0);
}

TEST_F(SessionTest, SeveralBootloadersTheFirstIsUsedAndFailuresSaySo) {
    device.setFault(Fault::StallBlock);
    EXPECT_EQ(update(), "program");
    EXPECT_FALSE(second.gone()); // the second one was never touched
    EXPECT_NE(message().find("(2 bootloaders 03eb:2ff4 on the bus; the first"), std::string::npos)
        << message();
}

TEST_F(SessionTest, StepsOutOfOrderFailInsteadOfTouchingTheDevice) {
    EXPECT_FALSE(session.openUsbPort());
    EXPECT_EQ(error(), IspError::NoDeviceSelected);
    EXPECT_FALSE(session.selectDevice("ATmega8"));
    EXPECT_EQ(message(), "unknown device: ATmega8");
    ASSERT_TRUE(session.selectDevice("ATmega32U4"));
    EXPECT_FALSE(session.selectCommHardware(0));
    EXPECT_FALSE(session.programDevice());
    EXPECT_EQ(error(), IspError::NotOpen);
    EXPECT_FALSE(session.parseHexFile(dir.file("missing.hex").c_str()));
    EXPECT_EQ(error(), IspError::HexFileUnreadable);
}

} // namespace
