#include "link/posix/posix_serial.h"

#include "link/posix/port_path.h"
#include "link/posix/termios_mapping.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace {

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

} // namespace

PosixSerial::~PosixSerial() {
    closeDevice();
}

bool PosixSerial::fail(int code) {
    error_ = code;
    return false;
}

bool PosixSerial::openDevice(const std::string& deviceName) {
    closeDevice();
    const std::string path = ResolvePortPath(PortNumber(deviceName));
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
    // Every write starts here, so the usual case, nothing left from the last one, costs
    // one call; a hung-up line refuses it with EIO.
    int queued = 0;
    if (::ioctl(fd_, TIOCOUTQ, &queued) != 0) {
        return fail(errno);
    }
    if (queued <= 0) {
        return true;
    }
    if (hungUp()) {
        return fail(EIO);
    }
    // tcdrain alone can wait forever for a peer that never lowers CTS; wait for the
    // output queue to empty against the write constant, then drain the last byte.
    const auto deadline =
        Clock::now() +
        std::chrono::milliseconds(std::max<uint32_t>(timeouts_.WriteTotalTimeoutConstant, 1000));
    while (::ioctl(fd_, TIOCOUTQ, &queued) == 0 && queued > 0) {
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

template <typename Step>
bool PosixSerial::transfer(short events, uint32_t count, bool endless, uint64_t totalMs,
                           uint32_t& done, Step step) {
    done = 0;
    if (fd_ < 0) {
        return fail(EBADF);
    }
    const auto deadline = Clock::now() + std::chrono::milliseconds(totalMs);
    while (done < count) {
        const ssize_t n = step(done);
        if (n > 0) {
            done += static_cast<uint32_t>(n);
            continue;
        }
        if (n == 0 && events == POLLIN) {
            return fail(EIO); // VMIN is 1, so 0 only comes from a hang-up
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
        pollfd p{fd_, events, 0};
        const int r = ::poll(&p, 1, wait);
        if (r < 0 && errno != EINTR) {
            return fail(errno);
        }
        if (r > 0 && (p.revents & events) == 0) {
            return fail(EIO); // hung up: POLLHUP returns at once, so never spin here
        }
    }
    return true;
}

bool PosixSerial::write(const uint8_t* bytes, uint32_t count, uint32_t& done) {
    const uint64_t totalMs = uint64_t{timeouts_.WriteTotalTimeoutMultiplier} * count +
                             timeouts_.WriteTotalTimeoutConstant;
    return transfer(POLLOUT, count, totalMs == 0, totalMs, done,
                    [&](uint32_t at) { return ::write(fd_, bytes + at, count - at); });
}

bool PosixSerial::read(uint8_t* dest, uint32_t count, uint32_t& done) {
    const bool immediate = timeouts_.ReadIntervalTimeout == kNoGapTimeout &&
                           timeouts_.ReadTotalTimeoutMultiplier == 0 &&
                           timeouts_.ReadTotalTimeoutConstant == 0;
    const uint64_t totalMs =
        uint64_t{timeouts_.ReadTotalTimeoutMultiplier} * count + timeouts_.ReadTotalTimeoutConstant;
    return transfer(POLLIN, count, !immediate && totalMs == 0, totalMs, done,
                    [&](uint32_t at) { return ::read(fd_, dest + at, count - at); });
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
