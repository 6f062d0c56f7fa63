#include "fakes/fake_serial.h"
#include "link/device_commands.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

namespace {

struct CommandRig {
    FakeSerial::Shared shared;
    std::unique_ptr<CommDevice> port;
    CommandRig() : port(std::make_unique<CommDevice>(std::make_unique<FakeSerial>(shared))) {}
    size_t reads() const {
        return static_cast<size_t>(std::count(shared.calls.begin(), shared.calls.end(), "read"));
    }
};

TEST(SendCommand, ReportsOkOrTheErrorCode) {
    CommandRig rig;
    std::string text;
    EXPECT_FALSE(sendCommand(*rig.port, Cmd::StartBootloader, text));
    EXPECT_EQ(text, "Send ERR=0"); // closed: no platform call, the last code stands
    EXPECT_TRUE(rig.shared.written.empty());

    ASSERT_TRUE(rig.port->open(7));
    EXPECT_TRUE(sendCommand(*rig.port, Cmd::StartBootloader, text));
    EXPECT_EQ(text, "Send OK");
    EXPECT_EQ(rig.shared.written, std::vector<uint8_t>{'6'});

    rig.shared.failStep = "write";
    rig.shared.errorCode = 31;
    EXPECT_FALSE(sendCommand(*rig.port, Cmd::Reset, text));
    EXPECT_EQ(text, "Send ERR=31");
}

TEST(RequestAnswer, CollectsAcrossEmptyReadsAndGivesUpAfterTwoInARow) {
    CommandRig rig;
    ASSERT_TRUE(rig.port->open(7));
    uint8_t dest[3] = {};
    rig.shared.reads = {{1}, {}, {2}, {}, {3}};
    EXPECT_TRUE(requestAnswer(*rig.port, Cmd::BoardInfo, 3, dest));
    EXPECT_EQ(dest[0], 1);
    EXPECT_EQ(dest[1], 2);
    EXPECT_EQ(dest[2], 3);
    EXPECT_EQ(rig.shared.written, std::vector<uint8_t>{'9'});
    EXPECT_EQ(rig.shared.calls[6], "purge:15"); // after the six open steps, before the byte

    rig.shared.calls.clear();
    rig.shared.reads = {{4}, {}, {}, {5}};
    EXPECT_FALSE(requestAnswer(*rig.port, Cmd::ReadConfig, 3, dest));
    EXPECT_EQ(rig.reads(), 3u);

    rig.shared.calls.clear();
    EXPECT_FALSE(requestAnswer(*rig.port, Cmd::BoardInfo, 0, dest));
    EXPECT_EQ(rig.reads(), 0u);
}

TEST(RequestAnswer, GivesUpAtOnceOnAClosedPort) {
    CommandRig rig;
    uint8_t dest[1] = {};
    EXPECT_FALSE(requestAnswer(*rig.port, Cmd::BoardInfo, 1, dest));
    EXPECT_TRUE(rig.shared.calls.empty());
}

TEST(RequestBoardInfo, ClosedPortAndSilentDeviceGiveTheirTexts) {
    CommandRig rig;
    std::string text = "x";
    uint8_t answer[kBoardInfoSize] = {};
    EXPECT_FALSE(requestBoardInfo(*rig.port, text, answer));
    EXPECT_EQ(text, "xCOM is't open");
    EXPECT_TRUE(rig.shared.calls.empty());
    EXPECT_TRUE(rig.shared.written.empty());

    ASSERT_TRUE(rig.port->open(7));
    text.clear();
    EXPECT_FALSE(requestBoardInfo(*rig.port, text, answer));
    EXPECT_EQ(text, "Read err");

    std::vector<uint8_t> full(kBoardInfoSize, 0x30);
    full[kBoardInfoIdIndex] = 4;
    rig.shared.reads = {full};
    text.clear();
    EXPECT_TRUE(requestBoardInfo(*rig.port, text, answer));
    EXPECT_EQ(text, "");
    EXPECT_EQ(answer[kBoardInfoIdIndex], 4);
}

TEST(BoardInfoDateText, EndsAtTheFirstZeroOrAfterByteSeventeen) {
    uint8_t answer[kBoardInfoSize] = {};
    std::fill(std::begin(answer), std::end(answer), 'X');
    std::copy_n("Apr 22 2022", 12, answer + kBoardInfoDateFirst); // with its zero
    EXPECT_EQ(BoardInfoDateText(answer), "Apr 22 2022");
    std::fill(answer + kBoardInfoDateFirst, answer + kBoardInfoDateLast + 1, 'D');
    EXPECT_EQ(BoardInfoDateText(answer), std::string(12, 'D'));
    answer[kBoardInfoDateFirst] = 0;
    EXPECT_EQ(BoardInfoDateText(answer), "");
}

} // namespace
