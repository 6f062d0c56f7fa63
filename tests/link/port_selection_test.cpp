#include "fakes/fake_serial.h"
#include "fakes/recording_list.h"
#include "link/port_selection.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

namespace {

struct SelectionRig {
    FakeSerial::Shared shared;
    std::unique_ptr<CommDevice> port;
    RecordingList log;
    RecordingList listBox2;
    MyErrLog errLog;
    SelectionRig() : port(std::make_unique<CommDevice>(std::make_unique<FakeSerial>(shared))) {
        errLog.attach(&log);
    }
    std::vector<std::string> opens() const {
        std::vector<std::string> out;
        std::copy_if(shared.calls.begin(), shared.calls.end(), std::back_inserter(out),
                     [](const std::string& c) { return c.rfind("open:", 0) == 0; });
        return out;
    }
};

TEST(PortFromText, TakesTheTextAfterThreeCharactersAsDecimal) {
    EXPECT_EQ(PortFromText("COM7"), 7);
    EXPECT_EQ(PortFromText("COM12"), 12);
    EXPECT_EQ(PortFromText("xyz5"), 5); // the first three characters are dropped unread
    EXPECT_EQ(PortFromText("COM300"), 44);
    EXPECT_EQ(PortFromText("COM-1"), 255);
    EXPECT_EQ(PortFromText("COM+9"), 9);
    for (const char* bad : {"", "CO", "COM", "COMx", "COM 5", "COM5 ", "COM1.5", "COM+-3",
                            "COM99999999999999999999", "COM0x10"}) {
        EXPECT_EQ(PortFromText(bad), 7) << bad;
    }
}

TEST(PortFromLastChar, TakesOnlyTheLastDigit) {
    EXPECT_EQ(PortFromLastChar("COM12"), 2);
    EXPECT_EQ(PortFromLastChar("COM7"), 7);
    EXPECT_EQ(PortFromLastChar("COMx"), 7);
    EXPECT_EQ(PortFromLastChar(""), 7);
}

TEST(OpenDevice, ChosenPortOpensAndTheSettingsAreDumped) {
    SelectionRig rig;
    rig.shared.existing = {"\\\\.\\COM12"};
    rig.shared.driverState.BaudRate = 9600;
    OpenDevice(*rig.port, rig.errLog, rig.listBox2, "COM12", false);
    EXPECT_EQ(rig.opens(), std::vector<std::string>{"open:\\\\.\\COM12"});
    EXPECT_EQ(rig.log.entries, std::vector<std::string>{"Open Com OK"});
    ASSERT_EQ(rig.listBox2.entries.size(), 27u);
    EXPECT_EQ(rig.listBox2.entries[0], "Struct DCB");
    EXPECT_EQ(rig.listBox2.entries[2], "BaudRate=9600"); // the driver's, not 115200

    OpenDevice(*rig.port, rig.errLog, rig.listBox2, "COM12", false);
    EXPECT_EQ(rig.listBox2.entries.size(), 54u); // never cleared
}

TEST(OpenDevice, UnreadableOrLargeNumbersPickTheirPort) {
    SelectionRig rig;
    OpenDevice(*rig.port, rig.errLog, rig.listBox2, "COM", false);
    OpenDevice(*rig.port, rig.errLog, rig.listBox2, "COM300", false);
    EXPECT_EQ(rig.opens(), (std::vector<std::string>{"open:Com7", "open:\\\\.\\COM44"}));
    EXPECT_EQ(rig.log.entries, (std::vector<std::string>{"Open Com OK", "Open Com ERR"}));
}

TEST(OpenDevice, AutoSearchReportsOnlyThePortThatOpened) {
    SelectionRig rig;
    rig.shared.existing = {"Com5", "Com6"};
    OpenDevice(*rig.port, rig.errLog, rig.listBox2, "COM12", true);
    EXPECT_EQ(rig.opens(), (std::vector<std::string>{"open:Com3", "open:Com4", "open:Com5"}));
    EXPECT_EQ(rig.log.entries, std::vector<std::string>{"Open Com OK, COM5"});
    EXPECT_TRUE(rig.port->isOpen());
}

TEST(OpenDevice, AutoSearchFindingNothingSaysSoAndStillDumps) {
    SelectionRig rig;
    rig.shared.existing.clear();
    OpenDevice(*rig.port, rig.errLog, rig.listBox2, "COM7", true);
    EXPECT_EQ(rig.opens().size(), 97u);
    EXPECT_EQ(rig.opens().back(), "open:\\\\.\\COM99");
    EXPECT_EQ(rig.log.entries, std::vector<std::string>{"Open Com ERR"});
    ASSERT_EQ(rig.listBox2.entries.size(), 27u);
    EXPECT_EQ(rig.listBox2.entries[1], "DCBlength=0"); // nothing ever opened
}

TEST(OpenDeviceShort, UsesTheLastCharacterAndSearchesOnlyUpToTen) {
    SelectionRig rig;
    rig.shared.existing = {"Com2"};
    OpenDeviceShort(*rig.port, rig.errLog, "COM12", false);
    EXPECT_EQ(rig.opens(), std::vector<std::string>{"open:Com2"});
    EXPECT_EQ(rig.log.entries, std::vector<std::string>{"Open Com OK"});

    rig.shared.calls.clear();
    rig.shared.existing = {"\\\\.\\COM11"};
    OpenDeviceShort(*rig.port, rig.errLog, "COM12", true);
    EXPECT_EQ(rig.opens().size(), 8u); // 3..10
    EXPECT_EQ(rig.log.entries.back(), "Open Com ERR");

    rig.shared.existing = {"\\\\.\\COM10"};
    OpenDeviceShort(*rig.port, rig.errLog, "COM12", true);
    EXPECT_EQ(rig.log.entries.back(), "Open Com OK, COM10");
    EXPECT_TRUE(rig.listBox2.entries.empty());
}

TEST(CloseDevice, ReportsTheOutcome) {
    SelectionRig rig;
    CloseDevice(*rig.port, rig.errLog);
    EXPECT_EQ(rig.log.entries, std::vector<std::string>{"Close Com OK"});
    ASSERT_TRUE(rig.port->open(7));
    rig.shared.failStep = "close";
    CloseDevice(*rig.port, rig.errLog);
    EXPECT_EQ(rig.log.entries.back(), "Close Com ERR");
}

TEST(DcbDump, LabelsEveryMemberInOrderWithUnsignedValues) {
    DCB d{};
    d.DCBlength = 28;
    d.BaudRate = 115200;
    SetDcbFlag(d, DcbFlag::fBinary, 1);
    SetDcbFlag(d, DcbFlag::fDtrControl, 3);
    SetDcbFlag(d, DcbFlag::fRtsControl, 2);
    SetDcbFlag(d, DcbFlag::fDummy2, 0x1FFFF);
    d.XonLim = 65535;
    d.XoffLim = 512;
    d.ByteSize = 8; // not shown
    d.Parity = 2;
    d.StopBits = 1;
    d.XonChar = 0x11;
    d.XoffChar = static_cast<char>(0xC8);
    d.ErrorChar = static_cast<char>(0xFF);
    d.EofChar = 0x1A;
    d.EvtChar = 0x53;
    d.wReserved1 = 40000;
    const std::vector<std::string> expected{
        "Struct DCB",          "DCBlength=28",   "BaudRate=115200",
        "fBinary=1",           "fParity=0",      "fOutxCtsFlow=0",
        "fOutxDsrFlow=0",      "fDtrControl=3",  "fDsrSensitivity=0",
        "fTXContinueOnXoff=0", "fOutX=0",        "fInX=0",
        "fErrorChar=0",        "fNull=0",        "fRtsControl=2",
        "fAbortOnError=0",     "fDummy2=131071", "XonLim=65535",
        "XoffLim=512",         "Parity=2",       "StopBits=1",
        "XonChar=17",          "XoffChar=200",   "ErrorChar=255",
        "EofChar=26",          "EvtChar=83",     "wReserved1=40000"};
    EXPECT_EQ(DcbDump(d), expected);
}

} // namespace
