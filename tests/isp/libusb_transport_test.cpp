// The real libusb against simulated bootloaders on umockdev's emulated USB bus (the
// test runs under umockdev's preload). The library's work runs on a second thread
// while this one answers the ioctls.

#include "fakes/temp_dir.h"
#include "firmware/firmware_image.h"
#include "isp/isp_session.h"
#include "isp/libusb_transport.h"
#include "sim/sim_isp_update.h"
#include "sim/usb_bus_sim.h"

#include <chrono>
#include <future>
#include <gtest/gtest.h>

namespace {

using Fault = DfuBootloaderSim::Fault;

class LibusbTest : public ::testing::Test {
  protected:
    LibusbTest() {
        std::string message;
        LoadFirmwareImage(image, state, message, 2);
    }
    // Runs a whole update through libusb while the bus answers.
    std::string update() {
        auto result = std::async(std::launch::async, [this] {
            return RunSessionUpdate(session, "ATmega32U4", image.data(), state.imageEndAddress,
                                    dir.path().string());
        });
        while (result.wait_for(std::chrono::seconds(0)) != std::future_status::ready) {
            bus.iterate(1);
        }
        return result.get();
    }
    std::string message() const { return session.lastErrorMessage(); }

    Buff image{Buff::kImageSize};
    FirmwareState state;
    UsbBusSim bus;
    DfuBootloaderSim device{kIspChips[0]};
    LibusbTransport transport;
    SteadyIspClock clock;
    IspSession session{transport, clock};
    TempDir dir;
};

TEST_F(LibusbTest, WholeUpdateThroughLibusbLeavesTheImageInFlash) {
    ASSERT_TRUE(bus.plug(device, 5)) << bus.error();
    ASSERT_EQ(update(), "") << message();
    const std::vector<uint8_t> flash = device.flash();
    EXPECT_TRUE(std::equal(image.data(), image.data() + state.imageEndAddress + 1, flash.begin()));
    EXPECT_TRUE(device.startedApplication());
}

TEST_F(LibusbTest, StallsAndAVanishedDeviceReachTheHostAsTheirOwnFailures) {
    device.setFault(Fault::StallBlock);
    ASSERT_TRUE(bus.plug(device, 5)) << bus.error();
    EXPECT_EQ(update(), "program");
    EXPECT_NE(message().find("write refused: writing at 0x0400: request stalled, device status "
                             "errWRITE"),
              std::string::npos)
        << message();

    DfuBootloaderSim vanishing(kIspChips[0]);
    vanishing.setFault(Fault::Vanish);
    bus.unplug(5);
    ASSERT_TRUE(bus.plug(vanishing, 7)) << bus.error();
    EXPECT_EQ(update(), "program");
    EXPECT_NE(message().find("device lost mid-transfer"), std::string::npos) << message();
}

TEST_F(LibusbTest, OfTwoBootloadersOnlyOneIsProgrammedAndTheOtherChipIsNotTaken) {
    DfuBootloaderSim other(kIspChips[0]);
    DfuBootloaderSim small(kIspChips[1]);
    ASSERT_TRUE(bus.plug(small, 4) && bus.plug(device, 5) && bus.plug(other, 6)) << bus.error();
    ASSERT_EQ(update(), "") << message();
    EXPECT_EQ(device.erases() + other.erases(), 1);
    EXPECT_EQ(small.erases(), 0);
}

} // namespace
