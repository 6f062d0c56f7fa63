#include "link/posix/termios_mapping.h"

#include <gtest/gtest.h>

namespace {

termios Cooked() {
    termios t{};
    t.c_iflag = ICRNL | IXON | INPCK;
    t.c_oflag = OPOST | ONLCR;
    t.c_lflag = ICANON | ECHO | ISIG | IEXTEN;
    t.c_cflag = CS7 | PARENB | PARODD | CSTOPB | CREAD;
    t.c_cc[VSTART] = 0x11;
    t.c_cc[VSTOP] = 0x13;
    t.c_cc[VEOF] = 0x04;
    ::cfsetispeed(&t, B9600);
    ::cfsetospeed(&t, B9600);
    return t;
}

TEST(TermiosMapping, DriverSettingsBecomeTheRecordAndKeepTheOtherMembers) {
    DCB d{};
    SetDcbFlag(d, DcbFlag::fAbortOnError, 1);
    d.EvtChar = 0x53;
    d.XonLim = 2048;
    DcbFromTermios(Cooked(), d);
    EXPECT_EQ(d.DCBlength, 28u);
    EXPECT_EQ(d.BaudRate, 9600u);
    EXPECT_EQ(d.ByteSize, 7);
    EXPECT_EQ(d.Parity, 1); // odd
    EXPECT_EQ(d.StopBits, 2);
    EXPECT_EQ(GetDcbFlag(d, DcbFlag::fBinary), 1u);
    EXPECT_EQ(GetDcbFlag(d, DcbFlag::fParity), 1u);
    EXPECT_EQ(GetDcbFlag(d, DcbFlag::fOutX), 1u);
    EXPECT_EQ(GetDcbFlag(d, DcbFlag::fOutxCtsFlow), 0u);
    EXPECT_EQ(GetDcbFlag(d, DcbFlag::fRtsControl), 1u);
    EXPECT_EQ(d.XonChar, 0x11);
    EXPECT_EQ(d.XoffChar, 0x13);
    EXPECT_EQ(d.EofChar, 0x04);
    EXPECT_EQ(GetDcbFlag(d, DcbFlag::fAbortOnError), 1u);
    EXPECT_EQ(d.EvtChar, 0x53);
    EXPECT_EQ(d.XonLim, 2048);
}

TEST(TermiosMapping, RecordBecomesRawTermiosWithItsLineSettings) {
    DCB d{};
    d.BaudRate = 115200;
    d.ByteSize = 8;
    SetDcbFlag(d, DcbFlag::fOutxCtsFlow, 1);
    SetDcbFlag(d, DcbFlag::fRtsControl, 2);
    SetDcbFlag(d, DcbFlag::fOutX, 1); // software flow control would eat 0x11 and 0x13
    termios t = Cooked();
    ASSERT_TRUE(TermiosFromDcb(d, t));
    EXPECT_EQ(::cfgetospeed(&t), speed_t{B115200});
    EXPECT_EQ(::cfgetispeed(&t), speed_t{B115200});
    EXPECT_EQ(t.c_cflag & (CSIZE | PARENB | PARODD | CSTOPB | CRTSCTS), tcflag_t{CS8 | CRTSCTS});
    EXPECT_NE(t.c_cflag & CLOCAL, 0u);
    EXPECT_NE(t.c_cflag & CREAD, 0u);
    EXPECT_EQ(t.c_iflag & (IXON | IXOFF | ICRNL | INPCK), 0u);
    EXPECT_EQ(t.c_lflag & (ICANON | ECHO | ISIG | IEXTEN), 0u);
    EXPECT_EQ(t.c_oflag & OPOST, 0u);
    EXPECT_EQ(t.c_cc[VMIN], 1);
    EXPECT_EQ(t.c_cc[VTIME], 0);

    d.Parity = 2;
    d.StopBits = 2;
    d.ByteSize = 7;
    SetDcbFlag(d, DcbFlag::fOutxCtsFlow, 0);
    SetDcbFlag(d, DcbFlag::fRtsControl, 1);
    ASSERT_TRUE(TermiosFromDcb(d, t));
    EXPECT_EQ(t.c_cflag & (CSIZE | PARENB | PARODD | CSTOPB | CRTSCTS),
              tcflag_t{CS7 | PARENB | CSTOPB});
    DCB back{};
    DcbFromTermios(t, back);
    EXPECT_EQ(back.Parity, 2);
    EXPECT_EQ(back.ByteSize, 7);
}

TEST(TermiosMapping, SettingsTermiosCannotExpressAreRefused) {
    termios t = Cooked();
    const termios before = t;
    DCB d{};
    d.ByteSize = 8;
    d.BaudRate = 12345;
    EXPECT_FALSE(TermiosFromDcb(d, t));
    d.BaudRate = 9600;
    d.ByteSize = 9;
    EXPECT_FALSE(TermiosFromDcb(d, t));
    d.ByteSize = 8;
    d.Parity = 5;
    EXPECT_FALSE(TermiosFromDcb(d, t));
    EXPECT_EQ(t.c_lflag, before.c_lflag); // untouched when refused
}

} // namespace
