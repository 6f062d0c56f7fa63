#include "monitor/log_reader.h"

#include "fakes/temp_dir.h"
#include "monitor/log_layout.h"
#include "tests/support/recorded_log.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <fstream>

namespace {

size_t Channel(const LogData& data, const std::string& name) {
    for (size_t c = 0; c < data.names.size(); ++c) {
        if (data.names[c] == name) {
            return c;
        }
    }
    ADD_FAILURE() << "no channel " << name;
    return 0;
}

float Value(const LogData& data, const std::string& name, size_t record) {
    return data.channels[Channel(data, name)][record];
}

void Overwrite(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << text;
}

class LogReaderTest : public ::testing::Test {
  protected:
    TempDir folder;
};

TEST_F(LogReaderTest, ReadsEveryRecordOfTheWritersLogByHeaderName) {
    RecordedLog log(folder.path().string());
    log.add(400, 100, 1000, 200);
    log.add(404, 120, 0, 10);
    log.addWords(408, 150, 3000); // the byte frame of this pair never arrived
    log.add(412, 0, 0);
    const LogData data = ReadDataLog(log.close());

    ASSERT_EQ(data.failure, "");
    EXPECT_EQ(data.problemText(), "");
    const auto& columns = LogColumnNames();
    EXPECT_EQ(data.names, std::vector<std::string>(columns.begin() + 1, columns.end()));
    ASSERT_EQ(data.records(), 4u);
    EXPECT_DOUBLE_EQ(data.seconds[0], 10.0);
    EXPECT_DOUBLE_EQ(data.seconds[3], 10.3);
    EXPECT_EQ(Value(data, "speed_kmh", 1), 120);
    EXPECT_EQ(Value(data, "steering2b", 0), -1);
    EXPECT_EQ(Value(data, "dino_total", 0), 118);
    EXPECT_EQ(Value(data, "dino_aero", 2), 44);
    EXPECT_EQ(Value(data, "cdiff_mode", 0), 200);
    EXPECT_EQ(Value(data, "can_brake", 1), 32);
    EXPECT_EQ(Value(data, "h_brake_sw", 0), 1);
    EXPECT_EQ(Value(data, "brake_sw", 0), 0);
    EXPECT_TRUE(std::isnan(Value(data, "cdiff_mode", 2)));
    EXPECT_TRUE(std::isnan(Value(data, "h_brake_sw", 2)));
    EXPECT_EQ(Value(data, "speed_kmh", 3), 0);
}

TEST_F(LogReaderTest, DamagedLinesAreSkippedAndNamedInOneMessage) {
    RecordedLog log(folder.path().string());
    for (uint32_t i = 0; i < 6; ++i) {
        log.add(4 * i, static_cast<uint16_t>(50 + i), 0);
    }
    const std::string path = log.close();
    std::string text = ReadWholeFile(path);
    auto lineStart = [&text](int line) {
        size_t at = 0;
        for (int n = 1; n < line; ++n) {
            at = text.find('\n', at) + 1;
        }
        return at;
    };
    text.replace(lineStart(3) + 2, 1, "x"); // line 3: text in the d_cdiff field
    text.erase(lineStart(4), lineStart(5) - lineStart(4) - 1);
    text.insert(lineStart(4), "7\t1\t2\t"); // line 4: too few fields
    text.erase(lineStart(6) - 2, 1);        // line 5: cut in its last field
    text.resize(text.size() - 3);           // line 7: still being written
    Overwrite(path, text);

    const LogData data = ReadDataLog(path);
    ASSERT_EQ(data.failure, "");
    EXPECT_EQ(data.problemText(),
              "Not everything could be read; skipped: line 4 (too few fields); line 3 (text in a "
              "number field); line 5 (cut off).");
    // Nothing of a skipped or unfinished line reaches any column.
    ASSERT_EQ(data.records(), 2u);
    EXPECT_EQ(data.seconds, (LogColumn<double>{0.0, 0.4}));
    for (const auto& column : data.channels) {
        ASSERT_EQ(column.size(), 2u);
    }
    EXPECT_EQ(Value(data, "speed_kmh", 0), 50);
    EXPECT_EQ(Value(data, "speed_kmh", 1), 54);
    EXPECT_EQ(Value(data, "h_brake_sw", 1), 1);

    // A file comes in blocks: a line split between two of them reads as one.
    for (const size_t piece : {1, 2, 7, 100}) {
        const LogData pieces = ParseDataLog(text, piece);
        EXPECT_EQ(pieces.problemText(), data.problemText()) << piece;
        EXPECT_EQ(pieces.seconds, data.seconds) << piece;
        EXPECT_EQ(pieces.channels, data.channels) << piece;
    }
}

// A long log is read in two halves, split at the line break after its middle.
TEST_F(LogReaderTest, ALongLogReadsAsInOnePassWithDamageOnBothSidesOfItsMiddle) {
    RecordedLog log(folder.path().string());
    for (uint32_t i = 0; i < 12000; ++i) {
        log.add(4 * i, static_cast<uint16_t>(i % 300), static_cast<uint16_t>(i % 1000));
    }
    const std::string path = log.close();
    std::string text = ReadWholeFile(path);
    ASSERT_GT(text.size(), size_t{1} << 20);
    const size_t split = text.find('\n', text.size() / 2);
    text[split - 2] = 'x';              // the last line before the split: text in a number
    text[text.find('\t', split)] = 'x'; // the first line after it: two fields run together
    text.resize(text.size() - 3);       // the last line: still being written
    Overwrite(path, text);

    const LogData whole = ParseDataLog(text);
    const LogData halves = ReadDataLog(path);
    const auto before = static_cast<size_t>(std::count(text.begin(), text.begin() + split, '\n'));
    EXPECT_EQ(halves.problemText(), "Not everything could be read; skipped: line " +
                                        std::to_string(before + 2) + " (too few fields); line " +
                                        std::to_string(before + 1) + " (text in a number field).");
    EXPECT_EQ(halves.problemText(), whole.problemText());
    EXPECT_EQ(halves.records(), 11997u);
    EXPECT_EQ(halves.seconds, whole.seconds);
    EXPECT_EQ(halves.channels, whole.channels);
}

TEST_F(LogReaderTest, ALogStillBeingWrittenGivesEveryFinishedRecordAndNoComplaint) {
    RecordedLog log(folder.path().string());
    for (uint32_t i = 0; i < 3; ++i) {
        log.add(4 * i, static_cast<uint16_t>(i + 60), 0);
    }
    log.addWords(12, 63, 0); // its byte frame is yet to come
    const LogData data = ReadDataLog(log.path());
    ASSERT_EQ(data.failure, "");
    EXPECT_EQ(data.problemText(), "");
    ASSERT_EQ(data.records(), 4u);
    EXPECT_EQ(Value(data, "speed_kmh", 3), 63);
    EXPECT_TRUE(std::isnan(Value(data, "h_brake_sw", 3)));
}

TEST_F(LogReaderTest, FilesThatAreNoLogSayWhy) {
    EXPECT_EQ(ParseDataLog("").failure, "The file is empty.");
    EXPECT_EQ(ParseDataLog("a\tb\tc\t\n1\t2\t3\t").failure,
              "This is not a KORVEX data log: its first line is not the log header.");
    const LogData headerOnly = ParseDataLog(LogHeaderText());
    EXPECT_EQ(headerOnly.failure, "The log holds no records yet.");
    EXPECT_TRUE(headerOnly.awaitingRecords);
    EXPECT_EQ(ReadDataLog(folder.file("none.txt")).failure,
              "Can't open " + folder.file("none.txt") + ": No such file or directory");
    // Only the header's first 40 names are a fixed part of the file.
    EXPECT_EQ(ParseDataLog(LogHeaderText().substr(1)).failure.substr(0, 20),
              "This is not a KORVEX");
}

TEST_F(LogReaderTest, LinesEndedWithCarriageReturnsRead) {
    RecordedLog log(folder.path().string());
    log.add(40, 77, 0);
    log.add(44, 78, 0);
    std::string text = ReadWholeFile(log.close());
    std::string crlf;
    for (char c : text) {
        crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
    }
    const LogData data = ParseDataLog(crlf + "\r\n");
    EXPECT_EQ(data.problemText(), "");
    ASSERT_EQ(data.records(), 2u);
    EXPECT_EQ(Value(data, "speed_kmh", 1), 78);
    EXPECT_EQ(Value(data, "h_brake_sw", 1), 1);
    // Also when the CR and the LF arrive in different blocks.
    EXPECT_EQ(ParseDataLog(crlf + "\r\n", 1).problemText(), "");
}

} // namespace

namespace {

TEST_F(LogReaderTest, APullOfARecordedLogChartsAsTheDynoModelComputedIt) {
    RecordedLog log(folder.path().string());
    uint32_t tick = 0;
    for (uint16_t speed = 0; speed <= 200; speed += 5, tick += 4) {
        log.add(tick, speed, 0); // cruising up
    }
    const double pullStart = tick / 40.0;
    for (uint16_t speed = 50; speed <= 150; ++speed, tick += 4) {
        log.add(tick, speed, 1000);
    }
    const double pullEnd = (tick - 4) / 40.0;
    log.add(tick, 150, 3000); // just after the pull
    const LogData data = ReadDataLog(log.close());

    const DynoCurve curve = MakeDynoCurve(PullFromLog(data, pullStart, pullEnd));
    ASSERT_EQ(curve.points.size(), 101u);
    EXPECT_DOUBLE_EQ(curve.points[50].speed, 100);
    EXPECT_DOUBLE_EQ(curve.points[50].total, 118);
    EXPECT_DOUBLE_EQ(curve.points[50].aero, 13);
    Dino dino;
    dino.Compute(150, 1000);
    EXPECT_DOUBLE_EQ(curve.peak.speed, 150);
    EXPECT_DOUBLE_EQ(curve.peak.total, dino.Total());
}

} // namespace
