#include "monitor/poll_cycle.h"

#include "core/my_err_log.h"
#include "dyno/dino.h"
#include "fakes/fake_serial.h"
#include "fakes/recording_list.h"
#include "fakes/temp_dir.h"
#include "monitor/data_log.h"
#include "monitor/live_params.h"
#include "tests/monitor/recording_poll_view.h"

#include <gtest/gtest.h>

#include <memory>
#include <sstream>

namespace {

using Entries = std::vector<std::string>;

// Byte j holds j * 11; the status byte has both switches closed.
std::vector<uint8_t> ByteFrame() {
    std::vector<uint8_t> frame(kFrameSize);
    for (size_t j = 0; j < kByteParCount; ++j) {
        frame[j] = static_cast<uint8_t>(j * 11);
    }
    frame[kSwitchByteIndex] = 0x03;
    return frame;
}

// Word i holds i + 1, speed_kmh 100, dino 1000 and steering2b -1.
std::vector<uint8_t> WordFrame() {
    std::vector<uint8_t> frame(kFrameSize);
    for (size_t i = 0; i < kWordParCount; ++i) {
        frame[2 * i] = static_cast<uint8_t>(i + 1);
    }
    frame[2] = 100;
    frame[14] = 1000 & 0xFF;
    frame[15] = 1000 >> 8;
    frame[20] = frame[21] = 0xFF;
    return frame;
}

std::tm FixedTime() {
    std::tm t{};
    t.tm_mday = 6;
    t.tm_mon = 11;
    t.tm_year = 122;
    return t;
}

// What a later listener is handed: frame kind, its last value, the tick.
struct RecordingListener : FrameListener {
    void frameArrived(const DecodedFrame& frame) override {
        seen.push_back({frame.kind, frame.values[frame.count - 1], frame.tick});
    }
    struct Seen {
        FrameKind kind;
        int last;
        uint32_t tick;
        bool operator==(const Seen&) const = default;
    };
    std::vector<Seen> seen;
};

class PollCycleTest : public ::testing::Test {
  protected:
    void SetUp() override {
        log.attach(&list);
        ASSERT_TRUE(port.open(7));
        cycle.addListener(grid);
        cycle.addListener(dataLog);
    }
    void ticks(int n) {
        for (int i = 0; i < n; ++i) {
            cycle.startTick();
            cycle.finishTick();
        }
    }
    void answer(const std::vector<uint8_t>& bytes) { serial.reads.push_back(bytes); }
    std::string written() const {
        return std::string(serial.written.begin(), serial.written.end());
    }
    // Start and complete the connect exchange: the cycle then stands at a polling send.
    void startConnected() {
        cycle.toggleRun();
        answer({kConnectReady});
        ticks(2);
        ASSERT_EQ(cycle.state(), PollCycle::State::Polling);
    }
    std::vector<std::string> lines(const std::string& text) const {
        std::vector<std::string> out;
        std::istringstream in(text);
        for (std::string line; std::getline(in, line);) {
            out.push_back(line);
        }
        return out;
    }

    FakeSerial::Shared serial;
    CommDevice port{std::make_unique<FakeSerial>(serial)};
    RecordingList list;
    MyErrLog log;
    Dino dino;
    TempDir folder;
    DataLog dataLog{log, dino, FixedTime, folder.path().string()};
    RecordingPollView view;
    LiveGrid grid{view};
    PollCycle cycle{port, log, view};
};

TEST_F(PollCycleTest, StartWithThePortClosedOnlyAsksToOpenIt) {
    port.close();
    cycle.toggleRun();
    ticks(3);
    EXPECT_EQ(list.entries, Entries{"Try to Open Com"});
    EXPECT_FALSE(cycle.runFlag());
    EXPECT_TRUE(view.captions.empty());
    EXPECT_TRUE(serial.written.empty());
}

TEST_F(PollCycleTest, ConnectsThenFillsByteColumnOnFourthTickAndWordColumnTwoLater) {
    answer({kConnectReady});
    answer(ByteFrame());
    answer(WordFrame());
    RecordingListener listener;
    cycle.addListener(listener);
    cycle.toggleRun();
    EXPECT_EQ(view.captions, Entries{"Stop"});

    ticks(1);
    EXPECT_EQ(written(), "3");
    EXPECT_EQ(list.entries, Entries{"Cmd Connect"});
    ticks(1);
    EXPECT_EQ(list.entries, (Entries{"Cmd Connect", "Connected"}));
    ticks(1);
    EXPECT_EQ(written(), "35"); // the first frame command is always the byte frame
    EXPECT_EQ(view.cellWrites, 0);
    ticks(1);
    EXPECT_EQ(view.cellWrites, 23); // the byte column, through the grid
    EXPECT_EQ(view.cell(4, 23), "242");
    ticks(1);
    EXPECT_EQ(written(), "354");
    ticks(1);
    EXPECT_EQ(view.cellWrites, 35);
    EXPECT_EQ(view.cell(2, 2), "100");
    EXPECT_EQ(list.entries.size(), 2u);
    using Seen = RecordingListener::Seen;
    EXPECT_EQ(listener.seen,
              (std::vector<Seen>{{FrameKind::Byte, 1, 4}, {FrameKind::Word, 12, 6}}));
}

TEST_F(PollCycleTest, FrameCommandsAlternateAcrossAReconnect) {
    startConnected();
    ticks(2); // "5" sent, its answer never comes
    answer({kConnectReady});
    ticks(3);
    EXPECT_EQ(written(), "3534");
    EXPECT_EQ(cycle.lastPollCommand(), Cmd::WordFrame);
    EXPECT_TRUE(cycle.runFlag());
}

TEST_F(PollCycleTest, SilentControllerReconnectsOnceThenStops) {
    startConnected();
    ticks(2);
    EXPECT_EQ(list.entries, (Entries{"Cmd Connect", "Connected", "Read ERR2 = 0", "Time=0m0s"}));
    EXPECT_TRUE(cycle.runFlag()); // a failed frame keeps the cycle going
    ticks(1);
    EXPECT_EQ(list.entries.back(), "Cmd Connect");
    ticks(1);
    EXPECT_EQ(list.entries, (Entries{"Cmd Connect", "Connected", "Read ERR2 = 0", "Time=0m0s",
                                     "Cmd Connect", "Read ERR0 = 0", "Time=0m0s"}));
    EXPECT_FALSE(cycle.runFlag());
    EXPECT_EQ(view.captions, (Entries{"Stop", "Start"}));
    ticks(5);
    EXPECT_EQ(written(), "353");
}

TEST_F(PollCycleTest, PortClosedWhilePollingFailsTheSendThenTheConnect) {
    startConnected();
    port.close();
    ticks(1);
    EXPECT_EQ(list.entries.at(2), "Read ERR1 = 0");
    EXPECT_EQ(list.entries.at(3), "Time=0m0s");
    EXPECT_EQ(cycle.lastPollCommand(), Cmd::ByteFrame); // chosen although not sent
    EXPECT_EQ(cycle.state(), PollCycle::State::Connecting);
    ticks(1);
    EXPECT_EQ(list.entries.at(4), "Connect ERR = 0");
    EXPECT_EQ(list.entries.at(5), "Time=0m0s");
    EXPECT_EQ(list.entries.size(), 6u);
    EXPECT_FALSE(cycle.runFlag());
    EXPECT_EQ(view.captions.back(), "Start");
}

TEST_F(PollCycleTest, ErrorsCarryThePortsCodeReadRightAfterTheFailure) {
    startConnected();
    answer(ByteFrame());
    ticks(1); // "5" sent
    serial.failStep = "read";
    serial.errorCode = 121;
    ticks(1);
    EXPECT_EQ(list.entries.at(2), "Read ERR2 = 121");
    ticks(2);
    EXPECT_EQ(list.entries.at(5), "Read ERR0 = 121");

    serial.failStep = "write";
    serial.errorCode = 31;
    cycle.toggleRun();
    ticks(1);
    EXPECT_EQ(list.entries.at(7), "Connect ERR = 31");
    EXPECT_FALSE(cycle.runFlag());
}

TEST_F(PollCycleTest, ConnectAnswerOtherThanReadyStopsSilently) {
    answer({0x41});
    cycle.toggleRun();
    ticks(4);
    EXPECT_EQ(list.entries, Entries{"Cmd Connect"});
    EXPECT_EQ(view.captions, (Entries{"Stop", "Start"}));
    EXPECT_FALSE(cycle.runFlag());
    EXPECT_EQ(written(), "3");
}

TEST_F(PollCycleTest, StopThenStartLaterReconnectsWithTheOtherFrameCommand) {
    startConnected();
    answer(ByteFrame());
    ticks(2);
    cycle.toggleRun();
    EXPECT_EQ(list.entries.back(), "Diconnected");
    EXPECT_EQ(view.captions.back(), "Start");
    ticks(3);
    EXPECT_EQ(cycle.state(), PollCycle::State::Idle);
    EXPECT_EQ(written(), "35");

    cycle.toggleRun();
    answer({kConnectReady});
    ticks(3);
    EXPECT_EQ(written(), "3534");
    EXPECT_EQ(view.captions.back(), "Stop");
}

TEST_F(PollCycleTest, StopAndStartWithinOneTickKeepPollingWithoutConnect) {
    startConnected();
    answer(ByteFrame());
    ticks(2);
    cycle.toggleRun();
    cycle.toggleRun();
    ticks(1);
    EXPECT_EQ(written(), "354");
    EXPECT_EQ(list.entries, (Entries{"Cmd Connect", "Connected", "Diconnected"}));
}

TEST_F(PollCycleTest, StopWhileTheConnectAnswerIsAwaitedStillCompletesIt) {
    answer({kConnectReady});
    cycle.toggleRun();
    ticks(1);
    cycle.toggleRun();
    ticks(1);
    EXPECT_EQ(list.entries, (Entries{"Cmd Connect", "Diconnected", "Connected"}));
    ticks(2);
    EXPECT_EQ(cycle.state(), PollCycle::State::Idle);
    EXPECT_EQ(written(), "3");
}

TEST_F(PollCycleTest, ElapsedTimeCountsTicksInSecondsMinutesAndHours) {
    ticks(39);
    EXPECT_EQ(view.elapsed, "Time=0m0s");
    ticks(1);
    EXPECT_EQ(view.elapsed, "Time=0m1s");
    ticks(143999 - 40);
    EXPECT_EQ(view.elapsed, "Time=59m59s");
    ticks(1);
    EXPECT_EQ(view.elapsed, "Time=1h0m0s");
    EXPECT_EQ(cycle.tickCount(), 144000u);
    EXPECT_EQ(view.heartbeats, 144000);
    EXPECT_EQ(ElapsedTimeText(40 * 3723), "Time=1h2m3s");
    EXPECT_EQ(ElapsedTimeText(40 * 720), "Time=12m0s");
}

TEST_F(PollCycleTest, WithoutLoggingTheGridUpdatesButNoRecordAndNoDyno) {
    startConnected();
    answer(ByteFrame());
    answer(WordFrame());
    ticks(4);
    EXPECT_EQ(view.cell(2, 2), "100");
    EXPECT_EQ(dino.Total(), 0);
    EXPECT_EQ(dino.Aero(), 0);
    EXPECT_EQ(folder.fileCount(), 0);
}

TEST_F(PollCycleTest, LogReceivesEveryFrameAndStaysOpenAcrossStopAndStart) {
    startConnected();
    ASSERT_TRUE(dataLog.ToggleDataLog(cycle.runFlag()));
    answer(ByteFrame());
    answer(WordFrame());
    answer(ByteFrame());
    ticks(6); // ticks 3 to 8: byte, word, byte
    cycle.toggleRun();
    ticks(1);
    cycle.toggleRun();
    answer({kConnectReady});
    answer(WordFrame());
    answer(ByteFrame());
    ticks(6); // ticks 10 to 15: connect, word, byte
    const std::string path = dataLog.path();
    EXPECT_FALSE(dataLog.ToggleDataLog(cycle.runFlag()));

    const auto text = lines(ReadWholeFile(path));
    ASSERT_EQ(text.size(), 3u);
    EXPECT_EQ(text[1].rfind("1\t1\t100\t3\t", 0), 0u) << text[1]; // tick 6
    EXPECT_EQ(text[2].rfind("3\t1\t100\t3\t", 0), 0u) << text[2]; // tick 13
    for (const auto& line : {text[1], text[2]}) {
        EXPECT_EQ(std::count(line.begin(), line.end(), '\t'), 40);
        EXPECT_EQ(line.substr(line.size() - 4), "1\t1\t");
    }
    Dino reference;
    reference.Compute(100, 1000);
    EXPECT_EQ(dino.Total(), reference.Total());
    EXPECT_NE(dino.Total(), 0);
}

} // namespace
