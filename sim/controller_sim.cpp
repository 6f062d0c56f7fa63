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

static_assert(kFrameSize == kBoardInfoSize, "frames and board information share one buffer type");

namespace {

void PutWord(ControllerSim::Frame& f, size_t index, uint16_t value) {
    f[2 * index] = static_cast<uint8_t>(value & 0xFF);
    f[2 * index + 1] = static_cast<uint8_t>(value >> 8);
}

// The driving state of frame n. Frames come every 50 ms while polling, so one cycle of
// 400 frames is 20 s: 15 s of steady acceleration from standstill to 100 km/h, then
// 5 s of braking back to standstill. Steering swings +-20 over 4 s.
struct Drive {
    uint32_t speed10; // tenths of km/h
    bool braking;
    int steer;
    uint32_t phase;
};

constexpr uint32_t kCycle = 400;
constexpr uint32_t kAccelFrames = 300;

Drive DriveAt(uint32_t n) {
    Drive d{};
    d.phase = n % kCycle;
    d.braking = d.phase >= kAccelFrames;
    d.speed10 = d.braking ? (kCycle - d.phase) * 1000 / (kCycle - kAccelFrames)
                          : d.phase * 1000 / kAccelFrames;
    const int s = static_cast<int>(n % 80);
    d.steer = s < 40 ? s - 20 : 60 - s;
    return d;
}

uint8_t Clip(uint32_t v) {
    return static_cast<uint8_t>(std::min<uint32_t>(v, 255));
}

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

ControllerSim::Frame ControllerSim::WordFrame(uint32_t n) {
    const Drive d = DriveAt(n);
    const uint32_t kmh = d.speed10 / 10;
    // Acceleration 100 km/h in 15 s = 1.852 m/s^2 = 11.89 units of 9.81/63 m/s^2; the
    // drive value is km/h times those units, none while braking.
    const uint32_t drive = d.braking ? 0 : kmh * 1189 / 100;
    const uint32_t left = kmh + (d.steer > 0 ? 1 : 0);
    const uint32_t right = kmh + (d.steer < 0 ? 1 : 0);
    Frame f{};
    PutWord(f, 0, static_cast<uint16_t>(left > right ? left - right : right - left));
    PutWord(f, 1, static_cast<uint16_t>(kmh));
    PutWord(f, 2, static_cast<uint16_t>(kmh * 36));
    PutWord(f, 3, static_cast<uint16_t>(d.speed10 * 7));
    PutWord(f, 4, static_cast<uint16_t>(d.speed10 * 7 + (d.phase % 3)));
    PutWord(f, 5, static_cast<uint16_t>(left));
    PutWord(f, 6, static_cast<uint16_t>(right));
    PutWord(f, 7, static_cast<uint16_t>(drive));
    PutWord(f, 8, static_cast<uint16_t>(left));
    PutWord(f, 9, static_cast<uint16_t>(right));
    PutWord(f, 10, static_cast<uint16_t>(static_cast<int16_t>(d.steer * 10)));
    PutWord(f, 11, static_cast<uint16_t>(n & 0xFFFF));
    return f;
}

ControllerSim::Frame ControllerSim::ByteFrame(uint32_t n) {
    const Drive d = DriveAt(n);
    const uint32_t kmh = d.speed10 / 10;
    const uint8_t throtV = d.braking ? 40 : static_cast<uint8_t>(128 + d.phase / 4); // x0.0196 V
    const uint8_t throtPct = static_cast<uint8_t>((throtV - 40) * 100 / 175);
    Frame f{};
    f[0] = 2;                                                        // cdiff_mode
    f[1] = 1;                                                        // led_dimmer
    f[2] = 1;                                                        // ee_dimmer
    f[3] = 2;                                                        // ee_cdiff_mode
    f[4] = 0;                                                        // i2c_error
    f[5] = static_cast<uint8_t>(128 + d.steer);                      // g_yaw
    f[6] = static_cast<uint8_t>(d.braking ? 128 - 30 : 128 + 12);    // g_longitudial
    f[7] = throtV;                                                   // throt_v
    f[8] = static_cast<uint8_t>(throtPct * 2);                       // pot
    f[9] = static_cast<uint8_t>(d.braking ? 10 : 25 + d.phase % 50); // i_coil, x0.04 A
    f[10] = static_cast<uint8_t>(d.steer != 0 ? 1 : 0);              // slip
    f[11] = 10;                                                      // g_mult
    f[12] = static_cast<uint8_t>(static_cast<int8_t>(d.steer));      // steering1b
    f[13] = d.steer < 0 ? 1 : 0;                                     // steer_sign
    f[14] = 5;                                                       // steer_mult
    f[15] = throtPct;                                                // throt
    f[16] = Clip(kmh + (d.steer > 0 ? 1 : 0));                       // can_fl
    f[17] = Clip(kmh + (d.steer < 0 ? 1 : 0));                       // can_fr
    f[18] = Clip(kmh);                                               // can_rl
    f[19] = Clip(kmh);                                               // can_rr
    f[20] = Clip(throtPct * 255u / 100u);                            // can_throt
    f[21] = 0;                                                       // can_h_brake
    f[22] = d.braking ? 80 : 0;                                      // can_brake
    f[23] = static_cast<uint8_t>((d.braking ? 0x01 : 0) | (d.speed10 == 0 ? 0x02 : 0));
    return f;
}

ControllerSim::Block ControllerSim::DefaultConfigBlock() {
    Block b{};
    for (size_t i = 0; i < b.size(); ++i) {
        b[i] = static_cast<uint8_t>(1 + (i * 37) % 200);
    }
    // The first system settings in their usual ranges.
    const uint8_t system[] = {1, 2, 1, 10, 240, 12, 230};
    std::copy(std::begin(system), std::end(system), b.begin());
    return b;
}

ControllerSim::ControllerSim() : block_(DefaultConfigBlock()) {
    setDateText(kDefaultDate);
}

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

void ControllerSim::traceFrame(char kind, const Frame& frame) {
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
    boardId_ = id;
}

void ControllerSim::setDateText(std::string_view text) {
    std::lock_guard lock(mutex_);
    date_.fill(0);
    std::copy_n(text.begin(), std::min(text.size(), date_.size()), date_.begin());
}

void ControllerSim::setConfigBlock(const Block& block) {
    std::lock_guard lock(mutex_);
    block_ = block;
}

ControllerSim::Block ControllerSim::configBlock() const {
    std::lock_guard lock(mutex_);
    return block_;
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
    return framesSent_;
}

bool ControllerSim::inBootloader() const {
    std::lock_guard lock(mutex_);
    return bootloader_;
}

ControllerSim::Frame ControllerSim::BoardInfo() const {
    std::lock_guard lock(mutex_);
    return boardInfoLocked();
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

ControllerSim::Frame ControllerSim::boardInfoLocked() const {
    Frame f{};
    const uint8_t head[] = {'K', 'V', 'X', 1, 0, 0};
    std::copy(std::begin(head), std::end(head), f.begin());
    std::copy(date_.begin(), date_.end(), f.begin() + kBoardInfoDateFirst);
    f[kBoardInfoIdIndex] = boardId_;
    return f;
}

void ControllerSim::handle(uint8_t byte) {
    std::unique_lock lock(mutex_);
    received_.push_back(byte);
    if (bootloader_) {
        return; // the application no longer runs
    }
    if (pendingBlockBytes_ > 0) {
        incoming_[kBlockBytes - pendingBlockBytes_] = byte;
        if (--pendingBlockBytes_ == 0) {
            block_ = incoming_;
        }
        return;
    }
    ++commandCounts_[byte];
    if (fault_ == Fault::HangUp) {
        closeMaster();
        return;
    }
    std::vector<uint8_t> reply;
    switch (byte) {
    case Cmd::Connect:
        reply.push_back(fault_ == Fault::WrongConnect ? wrongConnect_ : kConnectReady);
        break;
    case Cmd::WordFrame:
    case Cmd::ByteFrame:
        if (fault_ != Fault::Silent) {
            const Frame f =
                byte == Cmd::WordFrame ? WordFrame(framesSent_) : ByteFrame(framesSent_);
            ++framesSent_;
            reply.assign(f.begin(), f.end());
            traceFrame(byte == Cmd::WordFrame ? 'W' : 'B', f);
        }
        break;
    case Cmd::ReadConfig:
        reply.assign(block_.begin(), block_.end());
        break;
    case Cmd::WriteConfig:
        pendingBlockBytes_ = kBlockBytes;
        break;
    case Cmd::BoardInfo: {
        const Frame f = boardInfoLocked();
        reply.assign(f.begin(), f.end());
        break;
    }
    case Cmd::StartBootloader:
        bootloader_ = true;
        break;
    default: // reset and unknown bytes: nothing to say
        break;
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
