#include "monitor/data_log.h"

#include "fakes/recording_list.h"
#include "fakes/temp_dir.h"
#include "monitor/live_params.h"
#include "tests/support/live_frames.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstring>
#include <filesystem>
#include <sstream>

#ifndef _WIN32
#include <sys/resource.h>
#endif

namespace {

using Entries = std::vector<std::string>;

const char* const kHeader =
    "time\td_cdiff\tspeed_kmh\tgearbox_speed\tvrs0\tvrs1\tspeed0L_kmh\tspeed1R_kmh\tdino\t"
    "speedFL_kmh\tspeedFR_kmh\tsteering2b\tpar2b\tdino_total\tdino_aero\tcdiff_mode\tled_dimmer\t"
    "ee_dimmer\tee_cdiff_mode\ti2c_error\tg_yaw\tg_longitudial\tthrot_v\tpot\ti_coil\tslip\t"
    "g_mult\tsteering1b\tsteer_sign\tsteer_mult\tthrot\tcan_fl\tcan_fr\tcan_rl\tcan_rr\t"
    "can_throt\tcan_h_brake\tcan_brake\tbrake_sw\th_brake_sw\t";

// Words 3 and 10 are 0xFFFF, so only steering2b reads as signed.
LiveFrame WordFrame(uint16_t speed = 0, uint16_t drive = 0) {
    LiveFrame frame = MakeWordFrame(speed, drive);
    PutFrameWord(frame.data(), kVrs0Word, 0xFFFF);
    return frame;
}

// Byte j holds 200 + j (above 127, so signed or scaled display would differ).
LiveFrame ByteFrame(uint8_t status) {
    return MakeByteFrame(200, status);
}

std::string ByteFields(const char* switches) {
    std::string text;
    for (int j = 0; j < 23; ++j) {
        text += std::to_string(200 + j) + "\t";
    }
    return text + switches;
}

std::vector<std::string> Fields(const std::string& line) {
    std::vector<std::string> out;
    std::istringstream in(line);
    for (std::string field; std::getline(in, field, '\t');) {
        out.push_back(field);
    }
    return out;
}

class DataLogTest : public ::testing::Test {
  protected:
    DataLogTest() {
        stamp.tm_mday = 6;
        stamp.tm_mon = 11;
        stamp.tm_year = 122;
        stamp.tm_hour = 18;
        stamp.tm_min = 36;
        stamp.tm_sec = 12;
        log.attach(&list);
    }
    DataLog::Clock clock() {
        return [this] { return stamp; };
    }
    std::string logPath(const std::string& name) const {
        return folder.path().string() + "/" + name;
    }

    TempDir folder;
    RecordingList list;
    MyErrLog log;
    Dino dino;
    std::tm stamp{};
    DataLog dataLog{log, dino, clock(), folder.path().string()};
};

TEST_F(DataLogTest, LogStoppedBeforeAnyFrameHoldsOnlyTheHeader) {
    EXPECT_EQ(DataLog::CaptionFor(dataLog.ToggleDataLog(true)), "StopLog");
    EXPECT_EQ(dataLog.path(), logPath("pars06122022_183612.txt"));
    EXPECT_EQ(DataLog::CaptionFor(dataLog.ToggleDataLog(true)), "StartLog");
    EXPECT_EQ(ReadWholeFile(dataLog.path()), kHeader);
    EXPECT_TRUE(list.entries.empty());

    stamp = std::tm{};
    stamp.tm_mday = 1;
    stamp.tm_year = 123;
    stamp.tm_sec = 5;
    EXPECT_EQ(dataLog.MakeLogTimeName(), "01012023_000005");
}

TEST_F(DataLogTest, WithoutARunningCycleNothingIsCreated) {
    EXPECT_EQ(DataLog::CaptionFor(dataLog.ToggleDataLog(false)), "StartLog");
    EXPECT_EQ(list.entries, Entries{"Can't log, Try Start"});
    EXPECT_FALSE(dataLog.logging());
    EXPECT_EQ(folder.fileCount(), 0);
    // Stopping needs no running cycle.
    ASSERT_TRUE(dataLog.ToggleDataLog(true));
    EXPECT_EQ(DataLog::CaptionFor(dataLog.ToggleDataLog(false)), "StartLog");
    EXPECT_EQ(list.entries.size(), 1u);
}

TEST_F(DataLogTest, RecordsFollowTheHeaderColumnByColumn) {
    ASSERT_TRUE(dataLog.ToggleDataLog(true));
    dataLog.frameArrived(DecodeFrame(FrameKind::Byte, ByteFrame(0x02).data(),
                                     0)); // first frame joins the header line
    dataLog.frameArrived(DecodeFrame(FrameKind::Word, WordFrame().data(), 1003));
    dataLog.frameArrived(DecodeFrame(FrameKind::Byte, ByteFrame(0x03).data(), 0));
    dataLog.frameArrived(DecodeFrame(FrameKind::Word, WordFrame().data(), 1007));
    dataLog.frameArrived(DecodeFrame(FrameKind::Byte, ByteFrame(0xFC).data(), 0));
    dataLog.ToggleDataLog(true);

    const std::string words = "0\t0\t2\t65535\t4\t5\t6\t0\t8\t9\t-1\t11\t0\t0\t";
    const std::string expected = std::string(kHeader) + ByteFields("0\t1\t") + "\n250\t" + words +
                                 ByteFields("1\t1\t") + "\n251\t" + words + ByteFields("0\t0\t");
    EXPECT_EQ(ReadWholeFile(dataLog.path()), expected);
}

TEST_F(DataLogTest, DynoEstimatesKeepTheirLowSixteenBits) {
    // No drag; the acceleration part of drive 1000 times whp2bhp lands just above 65536.
    auto& v = dino.Values();
    v[0] = 0.0f;
    v[5] = 1.0f;
    v[6] = 1000.0f;
    v[7] = 1515.16f;
    Dino reference;
    reference.Values() = v;
    reference.Compute(50, 1000);
    ASSERT_EQ(reference.Total(), 65536);

    ASSERT_TRUE(dataLog.ToggleDataLog(true));
    dataLog.frameArrived(DecodeFrame(FrameKind::Word, WordFrame(50, 1000).data(), 0));
    v[7] = -1.0f;
    reference.Values()[7] = -1.0f;
    reference.Compute(50, 1000);
    ASSERT_EQ(reference.Total(), -43);
    dataLog.frameArrived(DecodeFrame(FrameKind::Word, WordFrame(50, 1000).data(), 0));
    dataLog.ToggleDataLog(true);

    std::istringstream in(ReadWholeFile(dataLog.path()));
    std::string line;
    std::getline(in, line); // header
    std::getline(in, line);
    EXPECT_EQ(Fields(line).at(13), "0");
    EXPECT_EQ(Fields(line).at(14), "0");
    std::getline(in, line);
    EXPECT_EQ(Fields(line).at(13), "65493");
}

TEST_F(DataLogTest, FileThatCannotBeCreatedLeavesLoggingOffAndWritesNothing) {
    for (const std::string& bad :
         {folder.file("missing/deeper"), folder.file(std::string(5000, 'x'))}) {
        list.entries.clear();
        DataLog failing(log, dino, clock(), bad);
        EXPECT_EQ(DataLog::CaptionFor(failing.ToggleDataLog(true)), "StartLog");
        EXPECT_EQ(list.entries, Entries{"Can't create log file"});
        EXPECT_FALSE(failing.logging());
        failing.frameArrived(DecodeFrame(FrameKind::Word, WordFrame(200, 1000).data(), 8));
        failing.frameArrived(DecodeFrame(FrameKind::Byte, ByteFrame(0x03).data(), 0));
        EXPECT_EQ(dino.Total(), 0); // the dyno only runs for a record being written
    }
    EXPECT_EQ(folder.fileCount(), 0);
}

#ifndef _WIN32
// A full disk, as the file-size limit of the process gives it: the lost records are told
// once, not left to be found missing after the drive.
TEST_F(DataLogTest, AWriteThatFailsIsToldOnce) {
    ASSERT_TRUE(dataLog.ToggleDataLog(true));
    rlimit before{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &before), 0);
    rlimit full = before;
    full.rlim_cur = std::strlen(kHeader);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &full), 0);
    for (uint32_t tick = 0; tick < 12; tick += 4) {
        dataLog.frameArrived(DecodeFrame(FrameKind::Word, WordFrame().data(), tick));
        dataLog.frameArrived(DecodeFrame(FrameKind::Byte, ByteFrame(0).data(), 0));
    }
    setrlimit(RLIMIT_FSIZE, &before);
    std::signal(SIGXFSZ, oldHandler);
    EXPECT_EQ(list.entries, Entries{"Can't write log file: File too large"});
    EXPECT_TRUE(dataLog.logging());
}
#endif

TEST_F(DataLogTest, ALogOfTheSameSecondNeverEmptiesTheEarlierOne) {
    ASSERT_TRUE(dataLog.ToggleDataLog(true));
    dataLog.frameArrived(DecodeFrame(FrameKind::Word, WordFrame().data(), 40));
    dataLog.ToggleDataLog(true);
    ASSERT_TRUE(dataLog.ToggleDataLog(true));
    EXPECT_EQ(dataLog.path(), logPath("pars06122022_183612_2.txt"));
    dataLog.ToggleDataLog(true);
    ASSERT_TRUE(dataLog.ToggleDataLog(true));
    EXPECT_EQ(dataLog.path(), logPath("pars06122022_183612_3.txt"));
    dataLog.ToggleDataLog(true);

    const std::string first = ReadWholeFile(logPath("pars06122022_183612.txt"));
    EXPECT_EQ(first.rfind(std::string(kHeader) + "\n10\t", 0), 0u);
    EXPECT_EQ(ReadWholeFile(logPath("pars06122022_183612_2.txt")), kHeader);
}

// A crash between two ticks loses nothing that was logged: another reader of the open
// file sees each frame's text as soon as frameArrived returns.
TEST_F(DataLogTest, EachFrameIsInTheFileBeforeTheNextTick) {
    ASSERT_TRUE(dataLog.ToggleDataLog(true));
    EXPECT_EQ(ReadWholeFile(dataLog.path()), kHeader);
    std::string expected = kHeader;
    for (uint32_t tick = 0; tick < 20; tick += 4) {
        dataLog.frameArrived(DecodeFrame(FrameKind::Word, WordFrame().data(), tick));
        expected +=
            "\n" + std::to_string(tick / 4) + "\t0\t0\t2\t65535\t4\t5\t6\t0\t8\t9\t-1\t11\t0\t0\t";
        EXPECT_EQ(ReadWholeFile(dataLog.path()), expected);
        dataLog.frameArrived(DecodeFrame(FrameKind::Byte, ByteFrame(0).data(), 0));
        expected += ByteFields("0\t0\t");
        EXPECT_EQ(ReadWholeFile(dataLog.path()), expected);
    }
    dataLog.ToggleDataLog(true);
    EXPECT_EQ(ReadWholeFile(dataLog.path()), expected);
}

} // namespace
