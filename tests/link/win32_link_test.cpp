// The Win32 backend under wine against korvex-sim running natively on a pty, reached
// through wine's dosdevices/comN links. tests/link/run_with_sim.sh starts the
// simulators and names their COM numbers in the environment.
#include "fakes/recording_list.h"
#include "link/device_commands.h"
#include "link/port_selection.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>

namespace {

int ComFromEnvironment(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? std::atoi(value) : -1;
}

long ElapsedMs(std::chrono::steady_clock::time_point since) {
    return static_cast<long>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                 std::chrono::steady_clock::now() - since)
                                 .count());
}

class Win32Link : public ::testing::Test {
  protected:
    void SetUp() override {
        if (ComFromEnvironment("KORVEX_SIM_COM") < 0) {
            GTEST_SKIP() << "run through run_with_sim.sh";
        }
    }
    void TearDown() override { port.close(); }

    CommDevice port;
};

TEST_F(Win32Link, TalksToTheSimulatorWithTheDriversSettingsSaved) {
    // Two digits: the \\.\COMnn form of the name.
    ASSERT_TRUE(port.open(ComFromEnvironment("KORVEX_SIM_COM"))) << port.lastError();
    EXPECT_EQ(port.savedSettings().DCBlength, sizeof(DCB));
    EXPECT_NE(port.savedSettings().BaudRate, 0u);

    uint8_t answer = 0;
    ASSERT_TRUE(requestAnswer(port, Cmd::Connect, 1, &answer));
    EXPECT_EQ(answer, kConnectReady);
    uint8_t frame[kFrameSize] = {};
    ASSERT_TRUE(port.write(&Cmd::WordFrame, 1));
    EXPECT_TRUE(port.read(frame, kFrameSize)); // one ReadFile takes the whole frame
    std::string text;
    uint8_t info[kBoardInfoSize] = {};
    EXPECT_TRUE(requestBoardInfo(port, text, info));
    EXPECT_EQ(BoardInfoDateText(info), "Apr 22 2022");
}

TEST_F(Win32Link, ComWithoutLinkIsOpenComErrWithCodeTwo) {
    MyErrLog log;
    RecordingList list;
    log.attach(&list);
    const std::string portText = "COM" + std::to_string(ComFromEnvironment("KORVEX_ABSENT_COM"));
    OpenDeviceShort(port, log, portText, false);
    EXPECT_FALSE(port.isOpen());
    EXPECT_EQ(port.lastError(), 2); // ERROR_FILE_NOT_FOUND
    ASSERT_FALSE(list.entries.empty());
    EXPECT_EQ(list.entries.back(), "Open Com ERR");
}

TEST_F(Win32Link, SilentPeerEndsTheReadAfterTheTotalTimeOut) {
    ASSERT_TRUE(port.open(ComFromEnvironment("KORVEX_SILENT_COM"))) << port.lastError();
    ASSERT_TRUE(port.write(&Cmd::Connect, 1));
    uint8_t frame[kFrameSize] = {};
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(port.read(frame, kFrameSize));
    EXPECT_GE(ElapsedMs(start), 1900);
}

TEST_F(Win32Link, PeerThatHangsUpFailsTheTransfer) {
    ASSERT_TRUE(port.open(ComFromEnvironment("KORVEX_HANGUP_COM"))) << port.lastError();
    uint8_t answer = 0;
    EXPECT_FALSE(requestAnswer(port, Cmd::Connect, 1, &answer));
}

} // namespace
