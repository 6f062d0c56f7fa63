#include "fakes/fake_serial.h"
#include "link/comm_device.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <memory>

namespace {

struct PortRig {
    FakeSerial::Shared shared;
    FakeSerial* fake = nullptr;
    std::unique_ptr<CommDevice> port;

    PortRig() {
        auto backend = std::make_unique<FakeSerial>(shared);
        fake = backend.get();
        port = std::make_unique<CommDevice>(std::move(backend));
    }
    size_t count(const std::string& call) const {
        return static_cast<size_t>(std::count(shared.calls.begin(), shared.calls.end(), call));
    }
};

TEST(DeviceName, ShortFormBelowTenLongFormFromTen) {
    EXPECT_EQ(DeviceName(7), "Com7");
    EXPECT_EQ(DeviceName(0), "Com0");
    EXPECT_EQ(DeviceName(10), "\\\\.\\COM10");
    EXPECT_EQ(DeviceName(123), "\\\\.\\COM123");
    EXPECT_EQ(std::string(DeviceName(12)).size(), 9u); // two backslashes, point, backslash
}

TEST(CommDeviceOpen, RunsEveryStepInOrderWithTheNameOfThePort) {
    for (int port : {7, 10, 123}) {
        PortRig rig;
        rig.shared.existing = {DeviceName(port)};
        ASSERT_TRUE(rig.port->open(port));
        EXPECT_TRUE(rig.port->isOpen());
        const std::vector<std::string> expected{"open:" + DeviceName(port),
                                                "setupQueues",
                                                "getState",
                                                "setState",
                                                "getTimeouts",
                                                "setTimeouts"};
        EXPECT_EQ(rig.shared.calls, expected);
    }
}

TEST(CommDeviceOpen, ChangesOnlyTheLineSettingsItOwnsAndSavesTheDriversOnes) {
    PortRig rig;
    DCB driver{};
    driver.DCBlength = 99;
    driver.BaudRate = 9600;
    driver.flags = 0xFFFFFFFFu; // every flag set, so cleared ones show
    driver.wReserved = 3;
    driver.XonLim = 2048;
    driver.XoffLim = 512;
    driver.ByteSize = 7;
    driver.Parity = 2;
    driver.StopBits = 2;
    driver.XonChar = 0x11;
    driver.XoffChar = 0x13;
    driver.ErrorChar = '?';
    driver.EofChar = 0x1A;
    driver.EvtChar = 1;
    driver.wReserved1 = 77;
    rig.shared.driverState = driver;
    ASSERT_TRUE(rig.port->open(7));

    EXPECT_EQ(std::memcmp(&rig.port->savedSettings(), &driver, sizeof(DCB)), 0);
    const DCB& a = rig.fake->applied;
    EXPECT_EQ(a.DCBlength, 28u);
    EXPECT_EQ(a.BaudRate, 115200u);
    EXPECT_EQ(a.ByteSize, 8);
    EXPECT_EQ(a.Parity, 0);
    EXPECT_EQ(a.StopBits, 0);
    EXPECT_EQ(a.EvtChar, 0x53);
    EXPECT_EQ(GetDcbFlag(a, DcbFlag::fParity), 0u);
    EXPECT_EQ(GetDcbFlag(a, DcbFlag::fOutxCtsFlow), 1u);
    EXPECT_EQ(GetDcbFlag(a, DcbFlag::fOutxDsrFlow), 0u);
    EXPECT_EQ(GetDcbFlag(a, DcbFlag::fDtrControl), 1u);
    EXPECT_EQ(GetDcbFlag(a, DcbFlag::fRtsControl), 2u);
    EXPECT_EQ(GetDcbFlag(a, DcbFlag::fAbortOnError), 1u);
    for (DcbField f : {DcbFlag::fBinary, DcbFlag::fDsrSensitivity, DcbFlag::fTXContinueOnXoff,
                       DcbFlag::fOutX, DcbFlag::fInX, DcbFlag::fErrorChar, DcbFlag::fNull}) {
        EXPECT_EQ(GetDcbFlag(a, f), 1u) << "flag at bit " << int(f.shift);
    }
    EXPECT_EQ(GetDcbFlag(a, DcbFlag::fDummy2), 0x1FFFFu);
    EXPECT_EQ(a.XonLim, 2048);
    EXPECT_EQ(a.XoffLim, 512);
    EXPECT_EQ(a.XonChar, 0x11);
    EXPECT_EQ(a.XoffChar, 0x13);
    EXPECT_EQ(a.ErrorChar, '?');
    EXPECT_EQ(a.EofChar, 0x1A);
    EXPECT_EQ(a.wReserved, 3);
    EXPECT_EQ(a.wReserved1, 77);

    const CommTimeouts& t = rig.fake->timeouts;
    EXPECT_EQ(t.ReadIntervalTimeout, 0xFFFFFFFFu);
    EXPECT_EQ(t.ReadTotalTimeoutMultiplier, 0u);
    EXPECT_EQ(t.ReadTotalTimeoutConstant, 2000u);
    EXPECT_EQ(t.WriteTotalTimeoutMultiplier, 1000u);
    EXPECT_EQ(t.WriteTotalTimeoutConstant, 1000u);
}

TEST(CommDeviceOpen, AFailingStepEndsClosedReleasesTheDeviceAndKeepsItsCode) {
    for (const char* step : {"setupQueues", "getState", "setState", "getTimeouts", "setTimeouts"}) {
        PortRig rig;
        rig.shared.failStep = step;
        rig.shared.errorCode = 87;
        EXPECT_FALSE(rig.port->open(7)) << step;
        EXPECT_FALSE(rig.port->isOpen()) << step;
        EXPECT_EQ(rig.shared.calls.back(), "close") << step; // released, nothing leaked
        EXPECT_EQ(rig.port->lastError(), 87) << step;
    }
}

TEST(CommDeviceOpen, AnAbsentDeviceEndsClosedWithoutRelease) {
    PortRig rig;
    EXPECT_FALSE(rig.port->open(8));
    EXPECT_FALSE(rig.port->isOpen());
    EXPECT_EQ(rig.shared.calls, std::vector<std::string>{"open:Com8"});
    EXPECT_EQ(rig.port->lastError(), 2);
}

TEST(CommDeviceOpen, ReopeningClosesTheOldPortFirstAndAFailureLeavesItClosed) {
    PortRig rig;
    ASSERT_TRUE(rig.port->open(7));
    rig.shared.calls.clear();
    EXPECT_FALSE(rig.port->open(8));
    EXPECT_FALSE(rig.port->isOpen());
    EXPECT_EQ(rig.shared.calls, (std::vector<std::string>{"purge:15", "close", "open:Com8"}));

    // Even an old port that refuses to close does not keep the object open.
    ASSERT_TRUE(rig.port->open(7));
    rig.shared.failStep = "close";
    EXPECT_FALSE(rig.port->open(8));
    EXPECT_FALSE(rig.port->isOpen());
}

TEST(CommDeviceClosed, CloseSucceedsAndTransfersFailWithoutPlatformCalls) {
    PortRig rig;
    uint8_t byte = '3';
    EXPECT_TRUE(rig.port->close());
    EXPECT_FALSE(rig.port->purge());
    EXPECT_FALSE(rig.port->write(&byte, 1));
    EXPECT_FALSE(rig.port->read(&byte, 1));
    EXPECT_TRUE(rig.shared.calls.empty());
    const DCB zero{};
    EXPECT_EQ(std::memcmp(&rig.port->savedSettings(), &zero, sizeof(DCB)), 0);
}

TEST(CommDeviceOpenPort, CloseAndTransfersUseTheDocumentedSteps) {
    PortRig rig;
    ASSERT_TRUE(rig.port->open(7));
    rig.shared.calls.clear();
    const uint8_t cmd[2] = {'8', 1};
    EXPECT_TRUE(rig.port->write(cmd, 2));
    EXPECT_TRUE(rig.port->purge());
    EXPECT_EQ(rig.shared.calls, (std::vector<std::string>{"flush", "write", "purge:15"}));
    EXPECT_EQ(rig.shared.written, (std::vector<uint8_t>{'8', 1}));

    rig.shared.reads = {{1, 2, 3}};
    uint8_t dest[4] = {};
    EXPECT_FALSE(rig.port->read(dest, 4)); // short read: false, the bytes still arrive
    EXPECT_EQ(dest[2], 3);
    rig.shared.reads = {{9, 8, 7, 6}};
    EXPECT_TRUE(rig.port->read(dest, 4));

    rig.shared.failStep = "close";
    EXPECT_FALSE(rig.port->close());
    EXPECT_TRUE(rig.port->isOpen());
    rig.shared.failStep.clear();
    EXPECT_TRUE(rig.port->close());
    EXPECT_FALSE(rig.port->isOpen());
}

} // namespace
