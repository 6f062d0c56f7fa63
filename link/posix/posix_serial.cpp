#include "link/posix/posix_serial.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

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

using Clock = std::chrono::steady_clock;

// Milliseconds left until `deadline`, rounded up so a poll never wakes just early.
int MsLeft(Clock::time_point deadline) {
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
    return static_cast<int>(std::clamp<int64_t>(left.count(), 0, 1'000'000'000));
}

// Modem-line ioctls are refused by ptys and some adapters; that is not an error here.
bool ModemLineRefused(int code) {
    return code == ENOTTY || code == EINVAL;
}

constexpr uint32_t kNoGapTimeout = 0xFFFFFFFFu;
constexpr uint8_t kOneStopBit = 0;
constexpr uint8_t kTwoStopBits = 2;
constexpr uint32_t kDtrEnable = 1;
constexpr uint32_t kRtsEnable = 1;
constexpr uint32_t kRtsHandshake = 2;

} // namespace

PosixSerial::~PosixSerial() {
    closeDevice();
}

bool PosixSerial::fail(int code) {
    error_ = code;
    return false;
}

int PosixSerial::PortNumber(const std::string& deviceName) {
    size_t first = deviceName.size();
    while (first > 0 && deviceName[first - 1] >= '0' && deviceName[first - 1] <= '9') {
        --first;
    }
    const size_t digits = deviceName.size() - first;
    if (digits == 0 || digits > 6) {
        return -1;
    }
    return std::atoi(deviceName.c_str() + first);
}

std::string PosixSerial::ResolvePath(int port) {
    if (port < 1) {
        return {};
    }
    if (const char* home = std::getenv("HOME"); home != nullptr && *home != '\0') {
        std::string link = std::string(home) + "/.korvex/dosdevices/com" + std::to_string(port);
        struct stat st {};
        // The entry itself decides, even when it dangles: then the open fails with
        // ENOENT rather than silently reaching some other device.
        if (::lstat(link.c_str(), &st) == 0) {
            return link;
        }
    }
    if (port <= 2) {
        return "/dev/ttyS" + std::to_string(port - 1);
    }
    return "/dev/ttyACM" + std::to_string(port - 3);
}

bool PosixSerial::openDevice(const std::string& deviceName) {
    closeDevice();
    const std::string path = ResolvePath(PortNumber(deviceName));
    if (path.empty()) {
        return fail(ENOENT);
    }
    const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (fd < 0) {
        return fail(errno);
    }
    int code = 0;
    if (::tcgetattr(fd, &original_) != 0) {
        code = errno;
    } else if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        // Another KORVEX (or another port object here) holds it.
        code = errno == EWOULDBLOCK ? EBUSY : errno;
    } else if (::ioctl(fd, TIOCEXCL) != 0 && !ModemLineRefused(errno)) {
        code = errno;
    }
    if (code != 0) {
        ::close(fd);
        return fail(code);
    }
    fd_ = fd;
    haveRecord_ = false;
    record_ = DCB{};
    timeouts_ = CommTimeouts{};
    return true;
}

bool PosixSerial::setupQueues(uint32_t, uint32_t) {
    // The tty layer sizes its own buffers; the step only needs an open port.
    return fd_ >= 0 || fail(EBADF);
}

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

bool PosixSerial::getState(DCB& dcb) {
    termios t{};
    if (fd_ < 0) {
        return fail(EBADF);
    }
    if (::tcgetattr(fd_, &t) != 0) {
        return fail(errno);
    }
    dcb = haveRecord_ ? record_ : DCB{};
    DcbFromTermios(t, dcb);
    return true;
}

bool PosixSerial::setState(const DCB& dcb) {
    termios t{};
    if (fd_ < 0) {
        return fail(EBADF);
    }
    if (::tcgetattr(fd_, &t) != 0) {
        return fail(errno);
    }
    if (!TermiosFromDcb(dcb, t)) {
        return fail(EINVAL);
    }
    if (::tcsetattr(fd_, TCSANOW, &t) != 0) {
        return fail(errno);
    }
    int dtr = TIOCM_DTR;
    const unsigned long request = GetDcbFlag(dcb, DcbFlag::fDtrControl) != 0 ? TIOCMBIS : TIOCMBIC;
    if (::ioctl(fd_, request, &dtr) != 0 && !ModemLineRefused(errno)) {
        return fail(errno);
    }
    record_ = dcb;
    haveRecord_ = true;
    return true;
}

bool PosixSerial::getTimeouts(CommTimeouts& timeouts) {
    if (fd_ < 0) {
        return fail(EBADF);
    }
    timeouts = timeouts_;
    return true;
}

bool PosixSerial::setTimeouts(const CommTimeouts& timeouts) {
    if (fd_ < 0) {
        return fail(EBADF);
    }
    timeouts_ = timeouts;
    return true;
}

bool PosixSerial::purge(uint32_t actions) {
    if (fd_ < 0) {
        return fail(EBADF);
    }
    const bool rx = (actions & kPurgeRxClear) != 0;
    const bool tx = (actions & kPurgeTxClear) != 0;
    if (!rx && !tx) {
        return true; // aborts: every transfer here is synchronous, nothing is pending
    }
    if (::tcflush(fd_, rx && tx ? TCIOFLUSH : (rx ? TCIFLUSH : TCOFLUSH)) != 0) {
        return fail(errno);
    }
    return true;
}

bool PosixSerial::hungUp() const {
    pollfd p{fd_, POLLOUT, 0};
    return ::poll(&p, 1, 0) > 0 && (p.revents & (POLLHUP | POLLERR | POLLNVAL)) != 0;
}

bool PosixSerial::flush() {
    if (fd_ < 0) {
        return fail(EBADF);
    }
    if (hungUp()) {
        return fail(EIO);
    }
    // tcdrain alone can wait forever for a peer that never lowers CTS; wait for the
    // output queue to empty against the write constant, then drain the last byte.
    const auto deadline =
        Clock::now() +
        std::chrono::milliseconds(std::max<uint32_t>(timeouts_.WriteTotalTimeoutConstant, 1000));
    for (;;) {
        int queued = 0;
        if (::ioctl(fd_, TIOCOUTQ, &queued) != 0 || queued <= 0) {
            break;
        }
        if (MsLeft(deadline) == 0) {
            return fail(ETIMEDOUT);
        }
        ::usleep(2000);
    }
    if (::tcdrain(fd_) != 0) {
        return fail(errno);
    }
    return true;
}

bool PosixSerial::write(const uint8_t* bytes, uint32_t count, uint32_t& done) {
    done = 0;
    if (fd_ < 0) {
        return fail(EBADF);
    }
    const uint64_t totalMs = uint64_t{timeouts_.WriteTotalTimeoutMultiplier} * count +
                             timeouts_.WriteTotalTimeoutConstant;
    const bool endless = totalMs == 0;
    const auto deadline = Clock::now() + std::chrono::milliseconds(totalMs);
    while (done < count) {
        const ssize_t n = ::write(fd_, bytes + done, count - done);
        if (n > 0) {
            done += static_cast<uint32_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0 && errno != EAGAIN) {
            return fail(errno);
        }
        const int wait = endless ? -1 : MsLeft(deadline);
        if (wait == 0) {
            return true; // time-out: the caller sees done < count
        }
        pollfd p{fd_, POLLOUT, 0};
        const int r = ::poll(&p, 1, wait);
        if (r < 0 && errno != EINTR) {
            return fail(errno);
        }
        if (r > 0 && (p.revents & POLLOUT) == 0) {
            return fail(EIO); // hung up
        }
    }
    return true;
}

bool PosixSerial::read(uint8_t* dest, uint32_t count, uint32_t& done) {
    done = 0;
    if (fd_ < 0) {
        return fail(EBADF);
    }
    const bool immediate = timeouts_.ReadIntervalTimeout == kNoGapTimeout &&
                           timeouts_.ReadTotalTimeoutMultiplier == 0 &&
                           timeouts_.ReadTotalTimeoutConstant == 0;
    const uint64_t totalMs =
        uint64_t{timeouts_.ReadTotalTimeoutMultiplier} * count + timeouts_.ReadTotalTimeoutConstant;
    const bool endless = !immediate && totalMs == 0;
    const auto deadline = Clock::now() + std::chrono::milliseconds(totalMs);
    while (done < count) {
        const ssize_t n = ::read(fd_, dest + done, count - done);
        if (n > 0) {
            done += static_cast<uint32_t>(n);
            continue;
        }
        if (n == 0) {
            return fail(EIO); // VMIN is 1, so 0 only comes from a hang-up
        }
        if (errno == EINTR) {
            continue;
        }
        if (errno != EAGAIN) {
            return fail(errno);
        }
        const int wait = endless ? -1 : MsLeft(deadline);
        if (wait == 0) {
            return true; // time-out: the caller sees done < count
        }
        pollfd p{fd_, POLLIN, 0};
        const int r = ::poll(&p, 1, wait);
        if (r < 0 && errno != EINTR) {
            return fail(errno);
        }
        if (r > 0 && (p.revents & POLLIN) == 0) {
            return fail(EIO); // hung up: POLLHUP returns at once, so never spin here
        }
    }
    return true;
}

bool PosixSerial::closeDevice() {
    if (fd_ < 0) {
        return true;
    }
    // Best effort: a hung-up line refuses these, and their codes must not hide the
    // code of the step that made the caller release the port.
    ::tcsetattr(fd_, TCSANOW, &original_);
    ::ioctl(fd_, TIOCNXCL);
    const int fd = fd_;
    fd_ = -1; // Linux frees the descriptor even when close reports an error
    if (::close(fd) != 0) {
        return fail(errno);
    }
    return true;
}

std::unique_ptr<SerialBackend> MakePlatformSerialBackend() {
    return std::make_unique<PosixSerial>();
}
