// The real termios backend against the simulator on a pseudo-terminal.
#include "fakes/temp_dir.h"
#include "link/device_commands.h"
#include "link/posix/port_path.h"
#include "link/posix/posix_serial.h"
#include "sim/controller_sim.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <dirent.h>
#include <fcntl.h>
#include <filesystem>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kSimPort = 5;

int OpenDescriptors() {
    int n = 0;
    for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator("/proc/self/fd")) {
        ++n;
    }
    return n;
}

long ElapsedMs(Clock::time_point since) {
    return static_cast<long>(
        std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - since).count());
}

class PtyLink : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(sim.start()) << sim.error();
        ASSERT_TRUE(sim.linkAsCom(kSimPort)) << sim.error();
    }
    // Keeps the time-outs CommDevice set but shortens the read wait, for tests about
    // what arrives rather than about how long a silent line takes.
    void shortenReads(uint32_t ms) {
        CommTimeouts t{};
        ASSERT_TRUE(port.backend().getTimeouts(t));
        t.ReadTotalTimeoutConstant = ms;
        ASSERT_TRUE(port.backend().setTimeouts(t));
    }
    termios slaveTermios() {
        termios t{};
        const int fd = ::open(sim.slavePath().c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
        EXPECT_GE(fd, 0);
        EXPECT_EQ(::tcgetattr(fd, &t), 0);
        ::close(fd);
        return t;
    }

    TempDir home{TempDir::Use::Home};
    ControllerSim sim;
    CommDevice port;
};

TEST(PosixSerialPaths, LinksComeFirstThenTheFixedDevices) {
    TempDir home{TempDir::Use::Home};
    EXPECT_EQ(PortNumber("Com7"), 7);
    EXPECT_EQ(PortNumber("\\\\.\\COM123"), 123);
    EXPECT_EQ(PortNumber("COM"), -1);
    EXPECT_EQ(ResolvePortPath(1), "/dev/ttyS0");
    EXPECT_EQ(ResolvePortPath(2), "/dev/ttyS1");
    EXPECT_EQ(ResolvePortPath(3), "/dev/ttyACM0");
    EXPECT_EQ(ResolvePortPath(12), "/dev/ttyACM9");
    EXPECT_EQ(ResolvePortPath(0), "");
    std::filesystem::create_directories(home.file(".korvex/dosdevices"));
    std::filesystem::create_symlink("/nonexistent/tty", DosDeviceLink(3));
    EXPECT_EQ(ResolvePortPath(3), DosDeviceLink(3));

    CommDevice port;
    EXPECT_FALSE(port.open(3)); // a dangling link does not fall through to ttyACM0
    EXPECT_EQ(port.lastError(), ENOENT);
}

TEST(PosixSerialPaths, AFailedOpenStepReleasesTheDescriptorAndKeepsItsCode) {
    TempDir home{TempDir::Use::Home};
    std::filesystem::create_directories(home.file(".korvex/dosdevices"));
    std::filesystem::create_symlink("/dev/null", DosDeviceLink(4)); // opens, but is no tty
    CommDevice port;
    const int before = OpenDescriptors();
    EXPECT_FALSE(port.open(4));
    EXPECT_FALSE(port.isOpen());
    EXPECT_EQ(port.lastError(), ENOTTY);
    EXPECT_EQ(OpenDescriptors(), before);
}

TEST_F(PtyLink, ConnectAndFramesArriveAsTheSimulatorSendsThem) {
    ASSERT_TRUE(port.open(kSimPort));
    uint8_t answer[kFrameSize] = {};
    ASSERT_TRUE(port.write(&Cmd::Connect, 1));
    ASSERT_TRUE(port.read(answer, 1));
    EXPECT_EQ(answer[0], kConnectReady);

    ASSERT_TRUE(port.write(&Cmd::WordFrame, 1));
    ASSERT_TRUE(port.read(answer, kFrameSize));
    EXPECT_TRUE(std::equal(answer, answer + kFrameSize, ControllerSim::WordFrame(0).begin()));
    ASSERT_TRUE(port.write(&Cmd::ByteFrame, 1));
    ASSERT_TRUE(port.read(answer, kFrameSize));
    EXPECT_TRUE(std::equal(answer, answer + kFrameSize, ControllerSim::ByteFrame(1).begin()));
    EXPECT_EQ(sim.received(), (std::vector<uint8_t>{'3', '4', '5'}));
}

TEST_F(PtyLink, EveryByteValuePassesUnchangedBothWays) {
    ControllerSim::Block block{};
    for (size_t i = 0; i < block.size(); ++i) {
        block[i] = static_cast<uint8_t>(i); // 0x03, 0x0D, 0x11, 0x13, 0x1C ... all of them
    }
    sim.setConfigBlock(block);
    ASSERT_TRUE(port.open(kSimPort));
    uint8_t got[kConfigBlockSize] = {};
    ASSERT_TRUE(requestAnswer(port, Cmd::ReadConfig, kConfigBlockSize, got));
    EXPECT_TRUE(std::equal(got, got + kConfigBlockSize, block.begin()));

    uint8_t out[1 + kConfigBlockSize];
    out[0] = Cmd::WriteConfig;
    for (size_t i = 0; i < kConfigBlockSize; ++i) {
        out[1 + i] = static_cast<uint8_t>(255 - i % 256);
    }
    ASSERT_TRUE(port.write(out, sizeof out));
    // The simulator handles bytes in order, so the connect answer comes only after it
    // has taken in the whole block. (A purge here would discard what it had not read.)
    uint8_t ready = 0;
    ASSERT_TRUE(port.write(&Cmd::Connect, 1));
    ASSERT_TRUE(port.read(&ready, 1));
    const ControllerSim::Block stored = sim.configBlock();
    EXPECT_TRUE(std::equal(stored.begin(), stored.end(), out + 1));
}

TEST_F(PtyLink, ShortAnswerIsAFailedReadWithTheBytesThatCame) {
    sim.setFault(ControllerSim::Fault::Short);
    ASSERT_TRUE(port.open(kSimPort));
    shortenReads(150);
    uint8_t answer[kFrameSize] = {};
    ASSERT_TRUE(port.write(&Cmd::WordFrame, 1));
    EXPECT_FALSE(port.read(answer, kFrameSize));
    EXPECT_TRUE(std::equal(answer, answer + kFrameSize - 1, ControllerSim::WordFrame(0).begin()));
}

TEST_F(PtyLink, SilentDeviceEndsTheReadAfterItsTimeOut) {
    sim.setFault(ControllerSim::Fault::Silent);
    ASSERT_TRUE(port.open(kSimPort));
    uint8_t answer[kFrameSize];
    ASSERT_TRUE(port.write(&Cmd::WordFrame, 1));
    const auto start = Clock::now();
    EXPECT_FALSE(port.read(answer, kFrameSize));
    const long ms = ElapsedMs(start);
    EXPECT_GE(ms, 1990);
    EXPECT_LT(ms, 3000);
    EXPECT_EQ(sim.commandCount(Cmd::WordFrame), 1u);
}

TEST_F(PtyLink, BoardInfoInBurstsIsAssembledInOrder) {
    sim.setFault(ControllerSim::Fault::Bursts);
    sim.setBursts(3, 300);
    sim.setBoardId(4);
    sim.setDateText("Dec 31 20245"); // twelve characters: no zero byte in the range
    ASSERT_TRUE(port.open(kSimPort));
    std::string text;
    uint8_t info[kBoardInfoSize] = {};
    ASSERT_TRUE(requestBoardInfo(port, text, info));
    EXPECT_EQ(text, "");
    const ControllerSim::Frame expected = sim.BoardInfo();
    EXPECT_TRUE(std::equal(info, info + kBoardInfoSize, expected.begin()));
    EXPECT_EQ(info[kBoardInfoIdIndex], 4);
    EXPECT_EQ(BoardInfoDateText(info), "Dec 31 20245");
}

TEST_F(PtyLink, HangUpDuringAReadFailsPromptlyAndKeepsTheCode) {
    sim.setFault(ControllerSim::Fault::HangUp);
    ASSERT_TRUE(port.open(kSimPort));
    uint8_t answer[kFrameSize];
    const auto start = Clock::now();
    ASSERT_TRUE(port.write(&Cmd::WordFrame, 1));
    EXPECT_FALSE(port.read(answer, kFrameSize));
    EXPECT_EQ(port.lastError(), EIO);
    // Every later transfer fails at once as well, instead of waiting out its time-out.
    EXPECT_FALSE(requestAnswer(port, Cmd::BoardInfo, kBoardInfoSize, answer));
    EXPECT_FALSE(port.write(&Cmd::Connect, 1));
    EXPECT_EQ(port.lastError(), EIO);
    EXPECT_LT(ElapsedMs(start), 1500);
    EXPECT_TRUE(port.close());
}

TEST_F(PtyLink, PurgeDiscardsAnAnswerNotYetRead) {
    ASSERT_TRUE(port.open(kSimPort));
    shortenReads(150);
    ASSERT_TRUE(port.write(&Cmd::Connect, 1));
    uint8_t byte = 0;
    ASSERT_TRUE(port.read(&byte, 1)); // the line works
    ASSERT_TRUE(port.write(&Cmd::BoardInfo, 1));
    ::usleep(100 * 1000); // let the 24-byte answer arrive
    EXPECT_TRUE(port.purge());
    EXPECT_FALSE(port.read(&byte, 1));
}

TEST_F(PtyLink, WrongConnectAnswerAndBootloaderSilence) {
    sim.setFault(ControllerSim::Fault::WrongConnect);
    ASSERT_TRUE(port.open(kSimPort));
    shortenReads(150);
    uint8_t byte = 0;
    ASSERT_TRUE(port.write(&Cmd::Connect, 1));
    ASSERT_TRUE(port.read(&byte, 1));
    EXPECT_EQ(byte, ControllerSim::kDefaultWrongConnect);
    sim.setFault(ControllerSim::Fault::None);
    ASSERT_TRUE(port.write(&Cmd::StartBootloader, 1));
    ASSERT_TRUE(port.write(&Cmd::Connect, 1));
    EXPECT_FALSE(port.read(&byte, 1));
    EXPECT_TRUE(sim.inBootloader());
}

TEST_F(PtyLink, SavedSettingsAreTheDriversAndAreRestoredOnClose) {
    {
        const int fd = ::open(sim.slavePath().c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
        ASSERT_GE(fd, 0);
        termios t{};
        ASSERT_EQ(::tcgetattr(fd, &t), 0);
        ::cfsetispeed(&t, B9600);
        ::cfsetospeed(&t, B9600);
        t.c_cflag |= CSTOPB; // a pty keeps speed and stop bits, not size or parity
        ASSERT_EQ(::tcsetattr(fd, TCSANOW, &t), 0);
        ::close(fd);
    }
    ASSERT_TRUE(port.open(kSimPort));
    const DCB& saved = port.savedSettings();
    EXPECT_EQ(saved.DCBlength, 28u);
    EXPECT_EQ(saved.BaudRate, 9600u);
    EXPECT_EQ(saved.StopBits, 2);
    EXPECT_EQ(saved.XonChar, 0x11);
    EXPECT_EQ(GetDcbFlag(saved, DcbFlag::fOutxCtsFlow), 0u);

    const termios live = slaveTermios();
    EXPECT_EQ(::cfgetospeed(&live), speed_t{B115200});
    EXPECT_EQ(live.c_cflag & (CSIZE | PARENB | CSTOPB | CRTSCTS), tcflag_t{CS8 | CRTSCTS});
    EXPECT_EQ(live.c_lflag & (ICANON | ECHO | ISIG), 0u);
    EXPECT_EQ(live.c_iflag & (IXON | ICRNL), 0u);
    DCB now{};
    ASSERT_TRUE(port.backend().getState(now));
    EXPECT_EQ(GetDcbFlag(now, DcbFlag::fAbortOnError), 1u); // kept in the record
    EXPECT_EQ(now.EvtChar, 0x53);
    EXPECT_EQ(GetDcbFlag(now, DcbFlag::fRtsControl), 2u);

    ASSERT_TRUE(port.close());
    const termios after = slaveTermios();
    EXPECT_EQ(::cfgetospeed(&after), speed_t{B9600});
}

TEST_F(PtyLink, ASecondOpenOfTheSamePortFailsUntilTheFirstCloses) {
    ASSERT_TRUE(port.open(kSimPort));
    CommDevice other;
    EXPECT_FALSE(other.open(kSimPort));
    EXPECT_FALSE(other.isOpen());
    EXPECT_EQ(other.lastError(), EBUSY);

    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        PosixSerial backend;
        ::_exit(backend.openDevice(DeviceName(kSimPort)) ? 1 : 0);
    }
    int status = -1;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "another process opened it";

    ASSERT_TRUE(port.close());
    EXPECT_TRUE(other.open(kSimPort));
    EXPECT_TRUE(other.close());
}

TEST(ControllerSimLink, LinkIsMadeAndRemoved) {
    TempDir home{TempDir::Use::Home};
    std::string link;
    {
        ControllerSim sim;
        ASSERT_TRUE(sim.start());
        EXPECT_EQ(ControllerSim::FirstFreeCom(3), 3);
        ASSERT_TRUE(sim.linkAsCom(3));
        link = DosDeviceLink(3);
        EXPECT_EQ(std::filesystem::read_symlink(link).string(), sim.slavePath());
        EXPECT_EQ(ControllerSim::FirstFreeCom(3), 4);
    }
    EXPECT_FALSE(std::filesystem::is_symlink(link));
}

} // namespace
