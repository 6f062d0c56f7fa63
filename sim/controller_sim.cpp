#include "sim/controller_sim.h"

#include "link/posix/port_path.h"

#include "link/device_commands.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <poll.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

namespace {

bool MakeRaw(int fd) {
    termios t{};
    if (::tcgetattr(fd, &t) != 0) {
        return false;
    }
    ::cfmakeraw(&t);
    t.c_cflag |= CLOCAL | CREAD;
    t.c_cc[VMIN] = 1;
    t.c_cc[VTIME] = 0;
    return ::tcsetattr(fd, TCSANOW, &t) == 0;
}

} // namespace

ControllerSim::ControllerSim() = default;

ControllerSim::~ControllerSim() {
    stop();
    if (trace_ != nullptr) {
        std::fclose(trace_);
    }
}

bool ControllerSim::start() {
    if (thread_.joinable()) {
        return true;
    }
    const int master = ::posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (master < 0) {
        error_ = std::string("posix_openpt: ") + std::strerror(errno);
        return false;
    }
    char name[128] = {};
    int slave = -1;
    if (::grantpt(master) != 0 || ::unlockpt(master) != 0 ||
        ::ptsname_r(master, name, sizeof name) != 0 ||
        (slave = ::open(name, O_RDWR | O_NOCTTY)) < 0 || !MakeRaw(slave) ||
        ::pipe(wakePipe_) != 0) {
        error_ = std::string("pty setup: ") + std::strerror(errno);
        if (slave >= 0) {
            ::close(slave);
        }
        ::close(master);
        return false;
    }
    {
        std::lock_guard lock(mutex_);
        slavePath_ = name;
    }
    // Holding a slave descriptor keeps the master from seeing a hang-up each time the
    // program closes its port.
    slaveHold_ = slave;
    master_ = master;
    stopping_ = false;
    thread_ = std::thread([this] { run(); });
    return true;
}

bool ControllerSim::traceFramesTo(const std::string& path) {
    std::lock_guard lock(mutex_);
    if (trace_ != nullptr) {
        std::fclose(trace_);
    }
    trace_ = std::fopen(path.c_str(), "w");
    return trace_ != nullptr;
}

void ControllerSim::traceFrame(char kind, const std::vector<uint8_t>& frame) {
    if (trace_ == nullptr) {
        return;
    }
    std::fputc(kind, trace_);
    std::fputc(' ', trace_);
    for (uint8_t b : frame) {
        std::fprintf(trace_, "%02X", b);
    }
    std::fputc('\n', trace_);
    std::fflush(trace_);
}

void ControllerSim::stop() {
    if (thread_.joinable()) {
        {
            std::lock_guard lock(mutex_);
            stopping_ = true;
        }
        wake_.notify_all();
        const char c = 's';
        [[maybe_unused]] auto n = ::write(wakePipe_[1], &c, 1);
        thread_.join();
    }
    closeMaster();
    if (slaveHold_ >= 0) {
        ::close(slaveHold_);
        slaveHold_ = -1;
    }
    for (int& fd : wakePipe_) {
        if (fd >= 0) {
            ::close(fd);
            fd = -1;
        }
    }
    unlinkCom();
}

bool ControllerSim::running() const {
    return thread_.joinable() && master_ >= 0;
}

std::string ControllerSim::slavePath() const {
    std::lock_guard lock(mutex_);
    return slavePath_;
}

std::string ControllerSim::ComLinkPath(int n) {
    return DosDeviceLink(n);
}

int ControllerSim::FirstFreeCom(int from) {
    for (int n = std::max(from, 1); n < 256; ++n) {
        struct stat st {};
        if (::lstat(ComLinkPath(n).c_str(), &st) != 0) {
            return n;
        }
    }
    return -1;
}

bool ControllerSim::linkAsCom(int n) {
    unlinkCom();
    const std::string slave = slavePath();
    if (slave.empty() || n < 1) {
        return false;
    }
    const std::filesystem::path link = ComLinkPath(n);
    std::error_code ec;
    std::filesystem::create_directories(link.parent_path(), ec);
    std::filesystem::remove(link, ec);
    std::filesystem::create_symlink(slave, link, ec);
    if (ec) {
        std::lock_guard lock(mutex_);
        error_ = "link " + link.string() + ": " + ec.message();
        return false;
    }
    std::lock_guard lock(mutex_);
    linkPath_ = link.string();
    return true;
}

void ControllerSim::unlinkCom() {
    std::string link;
    {
        std::lock_guard lock(mutex_);
        link.swap(linkPath_);
    }
    if (!link.empty()) {
        ::unlink(link.c_str());
    }
}

std::string ControllerSim::linkPath() const {
    std::lock_guard lock(mutex_);
    return linkPath_;
}

void ControllerSim::setBoardId(uint8_t id) {
    std::lock_guard lock(mutex_);
    model_.setBoardId(id);
}

void ControllerSim::setDateText(std::string_view text) {
    std::lock_guard lock(mutex_);
    model_.setDateText(text);
}

void ControllerSim::setConfigBlock(const Block& block) {
    std::lock_guard lock(mutex_);
    model_.setConfigBlock(block);
}

ControllerSim::Block ControllerSim::configBlock() const {
    std::lock_guard lock(mutex_);
    return model_.configBlock();
}

void ControllerSim::setFault(Fault fault) {
    std::lock_guard lock(mutex_);
    fault_ = fault;
}

void ControllerSim::setBursts(int count, int pauseMs) {
    std::lock_guard lock(mutex_);
    burstCount_ = std::max(count, 1);
    burstPauseMs_ = std::max(pauseMs, 0);
}

void ControllerSim::setConnectAnswer(uint8_t byte) {
    std::lock_guard lock(mutex_);
    wrongConnect_ = byte;
}

void ControllerSim::hangUp() {
    if (!thread_.joinable()) {
        closeMaster();
        return;
    }
    std::unique_lock lock(mutex_);
    hangUpRequested_ = true;
    wake_.notify_all();
    const char c = 'h';
    [[maybe_unused]] auto n = ::write(wakePipe_[1], &c, 1);
    wake_.wait_for(lock, std::chrono::seconds(2), [this] { return master_ < 0; });
}

std::vector<uint8_t> ControllerSim::received() const {
    std::lock_guard lock(mutex_);
    return received_;
}

uint32_t ControllerSim::commandCount(uint8_t command) const {
    std::lock_guard lock(mutex_);
    return commandCounts_[command];
}

uint32_t ControllerSim::framesSent() const {
    std::lock_guard lock(mutex_);
    return model_.framesSent();
}

bool ControllerSim::inBootloader() const {
    std::lock_guard lock(mutex_);
    return model_.inBootloader();
}

ControllerSim::Frame ControllerSim::BoardInfo() const {
    std::lock_guard lock(mutex_);
    return model_.boardInfo();
}

void ControllerSim::closeMaster() {
    const int fd = master_.exchange(-1);
    if (fd >= 0) {
        ::close(fd);
    }
    wake_.notify_all();
}

void ControllerSim::run() {
    uint8_t buf[256];
    while (!stopping_) {
        bool hangUpNow = false;
        {
            std::lock_guard lock(mutex_);
            hangUpNow = hangUpRequested_;
            hangUpRequested_ = false;
        }
        if (hangUpNow) {
            std::lock_guard lock(mutex_);
            closeMaster();
        }
        pollfd p[2] = {{wakePipe_[0], POLLIN, 0}, {master_, POLLIN, 0}};
        const nfds_t count = master_ >= 0 ? 2 : 1;
        if (::poll(p, count, -1) < 0 && errno != EINTR) {
            break;
        }
        if ((p[0].revents & POLLIN) != 0) {
            char drain[16];
            [[maybe_unused]] auto n = ::read(wakePipe_[0], drain, sizeof drain);
            continue;
        }
        if (count < 2 || p[1].revents == 0) {
            continue;
        }
        const ssize_t n = ::read(master_, buf, sizeof buf);
        if (n > 0) {
            for (ssize_t i = 0; i < n && master_ >= 0; ++i) {
                handle(buf[i]);
            }
        } else if (n == 0 || (errno != EAGAIN && errno != EINTR)) {
            // No slave side left at all; wait for a stop or hang-up request only.
            pauseFor(100);
        }
    }
}

void ControllerSim::handle(uint8_t byte) {
    std::unique_lock lock(mutex_);
    received_.push_back(byte);
    if (model_.absorb(byte)) {
        return;
    }
    ++commandCounts_[byte];
    if (fault_ == Fault::HangUp) {
        closeMaster();
        return;
    }
    const bool silent = fault_ == Fault::Silent;
    const std::vector<uint8_t> reply =
        model_.answer(byte, fault_ == Fault::WrongConnect ? wrongConnect_ : kConnectReady, silent);
    if (!silent && (byte == Cmd::WordFrame || byte == Cmd::ByteFrame)) {
        traceFrame(byte == Cmd::WordFrame ? 'W' : 'B', reply);
    }
    const Fault fault = fault_;
    const int bursts = burstCount_;
    const int pauseMs = burstPauseMs_;
    lock.unlock();
    if (fault != Fault::Silent && !reply.empty()) {
        answer(reply.data(), reply.size(), fault, bursts, pauseMs);
    }
}

void ControllerSim::answer(const uint8_t* bytes, size_t count, Fault fault, int bursts,
                           int pauseMs) {
    if (fault == Fault::Short) {
        sendAll(bytes, count - 1);
        return;
    }
    if (fault != Fault::Bursts) {
        sendAll(bytes, count);
        return;
    }
    const size_t pieces = std::min<size_t>(static_cast<size_t>(bursts), count);
    size_t sent = 0;
    for (size_t i = 0; i < pieces; ++i) {
        const size_t end = count * (i + 1) / pieces;
        if (i > 0 && !pauseFor(pauseMs)) {
            return;
        }
        if (!sendAll(bytes + sent, end - sent)) {
            return;
        }
        sent = end;
    }
}

bool ControllerSim::sendAll(const uint8_t* bytes, size_t count) {
    size_t sent = 0;
    int stalls = 0;
    while (sent < count && !stopping_) {
        const int fd = master_;
        if (fd < 0) {
            return false;
        }
        const ssize_t n = ::write(fd, bytes + sent, count - sent);
        if (n > 0) {
            sent += static_cast<size_t>(n);
            continue;
        }
        if (n < 0 && errno != EAGAIN && errno != EINTR) {
            return false;
        }
        // The program is not reading; give up on this answer after about a second.
        pollfd p{fd, POLLOUT, 0};
        if (::poll(&p, 1, 200) == 0 && ++stalls >= 5) {
            return false;
        }
    }
    return sent == count;
}

bool ControllerSim::pauseFor(int ms) {
    std::unique_lock lock(mutex_);
    wake_.wait_for(lock, std::chrono::milliseconds(ms),
                   [this] { return stopping_.load() || hangUpRequested_; });
    return !stopping_ && !hangUpRequested_;
}
