#include "core/my_err_log.h"
#include "tests/support/recording_list.h"

#include <gtest/gtest.h>

TEST(MyErrLog, AppendsAccumulateIntoOneEntryUntilFlush) {
    RecordingList list;
    MyErrLog log;
    log.attach(&list);
    log.append("Connect ERR = ");
    log.append("5");
    EXPECT_TRUE(list.entries.empty());
    log.flush();
    ASSERT_EQ(list.entries.size(), 1u);
    EXPECT_EQ(list.entries[0], "Connect ERR = 5");
    EXPECT_TRUE(log.line().empty());
}

TEST(MyErrLog, EmptyFlushAndConsecutiveLinesEachAddAnEntry) {
    RecordingList list;
    MyErrLog log;
    log.attach(&list);
    log.flush();
    log.appendLine("Cmd Connect");
    log.appendLine("Connected");
    EXPECT_EQ(list.entries, (std::vector<std::string>{"", "Cmd Connect", "Connected"}));
}

TEST(MyErrLog, KeepsBytesOfEightBitTextUnchanged) {
    RecordingList list;
    MyErrLog log;
    log.attach(&list);
    const std::string bytes("a\xff\x01z", 4);
    log.appendLine(bytes);
    EXPECT_EQ(list.entries.at(0), bytes);
}

TEST(MyErrLog, FlushBeforeAttachKeepsTheLine) {
    MyErrLog log;
    log.append("early");
    log.flush();
    RecordingList list;
    log.attach(&list);
    log.appendLine(" text");
    EXPECT_EQ(list.entries, (std::vector<std::string>{"early text"}));
}
