#include "link/posix/termios_mapping.h"

#include <cstdint>

namespace {

struct Speed {
    speed_t code;
    uint32_t baud;
};

constexpr Speed kSpeeds[] = {
    {B50, 50},           {B75, 75},           {B110, 110},         {B134, 134},
    {B150, 150},         {B200, 200},         {B300, 300},         {B600, 600},
    {B1200, 1200},       {B1800, 1800},       {B2400, 2400},       {B4800, 4800},
    {B9600, 9600},       {B19200, 19200},     {B38400, 38400},     {B57600, 57600},
    {B115200, 115200},   {B230400, 230400},   {B460800, 460800},   {B500000, 500000},
    {B576000, 576000},   {B921600, 921600},   {B1000000, 1000000}, {B1152000, 1152000},
    {B1500000, 1500000}, {B2000000, 2000000}, {B2500000, 2500000}, {B3000000, 3000000},
    {B3500000, 3500000}, {B4000000, 4000000},
};

uint32_t BaudOf(speed_t code) {
    for (const Speed& s : kSpeeds) {
        if (s.code == code) {
            return s.baud;
        }
    }
    return 0;
}

bool CodeOf(uint32_t baud, speed_t& code) {
    for (const Speed& s : kSpeeds) {
        if (s.baud == baud) {
            code = s.code;
            return true;
        }
    }
    return false;
}

constexpr uint8_t kOneStopBit = 0;
constexpr uint8_t kTwoStopBits = 2;
constexpr uint32_t kDtrEnable = 1;
constexpr uint32_t kRtsEnable = 1;
constexpr uint32_t kRtsHandshake = 2;

} // namespace

void DcbFromTermios(const termios& t, DCB& dcb) {
    dcb.DCBlength = sizeof(DCB);
    dcb.BaudRate = BaudOf(::cfgetospeed(&t));
    SetDcbFlag(dcb, DcbFlag::fBinary, 1);
    SetDcbFlag(dcb, DcbFlag::fParity, (t.c_iflag & INPCK) != 0);
    const bool handshake = (t.c_cflag & CRTSCTS) != 0;
    SetDcbFlag(dcb, DcbFlag::fOutxCtsFlow, handshake);
    SetDcbFlag(dcb, DcbFlag::fRtsControl, handshake ? kRtsHandshake : kRtsEnable);
    SetDcbFlag(dcb, DcbFlag::fDtrControl, kDtrEnable); // open raises DTR
    SetDcbFlag(dcb, DcbFlag::fOutX, (t.c_iflag & IXON) != 0);
    SetDcbFlag(dcb, DcbFlag::fInX, (t.c_iflag & IXOFF) != 0);
    switch (t.c_cflag & CSIZE) {
    case CS5:
        dcb.ByteSize = 5;
        break;
    case CS6:
        dcb.ByteSize = 6;
        break;
    case CS7:
        dcb.ByteSize = 7;
        break;
    default:
        dcb.ByteSize = 8;
        break;
    }
    dcb.Parity = 0;
    if ((t.c_cflag & PARENB) != 0) {
        const bool odd = (t.c_cflag & PARODD) != 0;
        if ((t.c_cflag & CMSPAR) != 0) {
            dcb.Parity = odd ? 3 : 4; // mark, space
        } else {
            dcb.Parity = odd ? 1 : 2;
        }
    }
    dcb.StopBits = (t.c_cflag & CSTOPB) != 0 ? kTwoStopBits : kOneStopBit;
    dcb.XonChar = static_cast<char>(t.c_cc[VSTART]);
    dcb.XoffChar = static_cast<char>(t.c_cc[VSTOP]);
    dcb.EofChar = static_cast<char>(t.c_cc[VEOF]);
}

bool TermiosFromDcb(const DCB& dcb, termios& t) {
    speed_t speed{};
    if (!CodeOf(dcb.BaudRate, speed) || dcb.ByteSize < 5 || dcb.ByteSize > 8 || dcb.Parity > 4 ||
        dcb.StopBits > kTwoStopBits) {
        return false;
    }
    // Binary answers need raw mode: otherwise 0x11/0x13 vanish as flow control,
    // 0x0D turns into 0x0A and signal characters flush the queue.
    ::cfmakeraw(&t);
    t.c_cflag |= CLOCAL | CREAD;
    t.c_cc[VMIN] = 1; // with 0 an empty read would look like a hang-up
    t.c_cc[VTIME] = 0;
    ::cfsetispeed(&t, speed);
    ::cfsetospeed(&t, speed);
    static constexpr tcflag_t kSizes[] = {CS5, CS6, CS7, CS8};
    t.c_cflag = (t.c_cflag & ~CSIZE) | kSizes[dcb.ByteSize - 5];
    t.c_cflag &= ~(PARENB | PARODD | CMSPAR | CSTOPB | CRTSCTS);
    if (dcb.Parity != 0) {
        t.c_cflag |= PARENB;
        t.c_cflag |= (dcb.Parity == 1 || dcb.Parity == 3) ? PARODD : 0;
        t.c_cflag |= dcb.Parity >= 3 ? CMSPAR : 0;
    }
    t.c_cflag |= dcb.StopBits != kOneStopBit ? CSTOPB : 0;
    // cfmakeraw leaves input parity checking as the driver had it.
    t.c_iflag = (t.c_iflag & ~INPCK) | (GetDcbFlag(dcb, DcbFlag::fParity) != 0 ? INPCK : 0);
    if (GetDcbFlag(dcb, DcbFlag::fOutxCtsFlow) != 0 ||
        GetDcbFlag(dcb, DcbFlag::fRtsControl) == kRtsHandshake) {
        t.c_cflag |= CRTSCTS;
    }
    return true;
}
