#include "dyno/dyno_view.h"
#include "fakes/fake_dialogs.h"
#include "fakes/temp_dir.h"
#include "monitor/channel_chart.h"
#include "monitor/live_plot_window.h"
#include "monitor/log_plot_window.h"
#include "tests/support/qt_test_app.h"
#include "tests/support/recorded_log.h"

#include <QCheckBox>
#include <QDoubleSpinBox>
#include <QFileInfo>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>

#include <gtest/gtest.h>

namespace {

class LogPlotTest : public ::testing::Test {
  protected:
    LogPlotTest() {
        // 30 s cruising at 80 km/h, then a pull from 50 to 150 km/h, 10 km/h a second.
        RecordedLog log(folder.path().string());
        uint32_t tick = 400;
        for (; tick < 1600; tick += 4) {
            log.add(tick, 80, 0);
        }
        for (uint16_t speed = 50; speed <= 150; ++speed, tick += 4) {
            log.add(tick, speed, 1000);
        }
        path = log.close();
    }
    LogPlotWindow& opened() {
        EXPECT_TRUE(window.openLog(path));
        window.show();
        return window;
    }
    QApplication& app = TestApp();
    TempDir folder;
    std::string path;
    FakeDialogs dialogs;
    LogPlotWindow window{dialogs};
};

TEST_F(LogPlotTest, OpensALogWithSpeedAndPowerChosenAndACursorOverAllChannels) {
    opened();
    EXPECT_TRUE(dialogs.messages.empty());
    EXPECT_EQ(window.channelList()->count(), 39);
    EXPECT_EQ(window.chosenChannels(), (QStringList{"speed_kmh", "dino_total"}));
    ChannelChart* chart = window.chart();
    ASSERT_EQ(chart->channelCount(), 2);
    EXPECT_EQ(chart->channelGraph(0)->dataCount(), 401);
    EXPECT_EQ(chart->axisRectCount(), 2);
    EXPECT_DOUBLE_EQ(chart->timeRange().lower, 10.0);
    EXPECT_DOUBLE_EQ(chart->timeRange().upper, 50.0);

    window.chooseChannels({"speed_kmh", "dino_total", "throt"});
    window.stackedBox()->setChecked(false);
    EXPECT_EQ(chart->axisRectCount(), 1);
    EXPECT_EQ(chart->channelCount(), 3);
    chart->setCursorTime(45.04);
    EXPECT_EQ(chart->cursorText(), "t = 45.0 s   speed_kmh 100   dino_total 118   throt 15");
    QTest::mouseMove(chart, QPoint(int(chart->pixelOfTime(20.0)), chart->height() / 2));
    EXPECT_TRUE(window.cursorLabel()->text().startsWith("t = 20.0 s   speed_kmh 80"));
}

TEST_F(LogPlotTest, KeysAndFitMoveTheTimeAxis) {
    ChannelChart* chart = opened().chart();
    chart->setFocus();
    QTest::keyClick(chart, Qt::Key_Plus);
    EXPECT_NEAR(chart->timeRange().size(), 40 / 1.5, 1e-9);
    const double lower = chart->timeRange().lower;
    QTest::keyClick(chart, Qt::Key_Right);
    EXPECT_NEAR(chart->timeRange().lower, lower + 4 / 1.5, 1e-9);
    window.findChild<QPushButton*>("FitButton")->click();
    EXPECT_DOUBLE_EQ(chart->timeRange().size(), 40.0);
}

TEST_F(LogPlotTest, TwoPullsGoToTheDynoViewWithTheirPeaks) {
    opened();
    auto* pull1 = window.findChild<QPushButton*>("Pull1Button");
    EXPECT_FALSE(pull1->isEnabled());
    window.selectSpan(40.0, 50.0);
    ASSERT_TRUE(pull1->isEnabled());
    pull1->click();
    window.selectSpan(40.0, 45.0); // the same log cut at 100 km/h stands in for a second run
    window.findChild<QPushButton*>("Pull2Button")->click();
    DynoView* dyno = window.dynoView();
    EXPECT_TRUE(dyno->isVisible());
    EXPECT_EQ(dyno->curve(0).points.size(), 101u);
    EXPECT_EQ(dyno->curve(1).points.size(), 51u);
    EXPECT_EQ(dyno->peakText(1).toStdString().substr(0, 18), "Pull 2: 118 hp at ");
    EXPECT_EQ(dyno->plot()->graphCount(), 4);
    // Pull 1 peaks at its last speed, at the right edge: its text must still fit whole.
    QCustomPlot* plot = dyno->plot();
    plot->replot();
    for (int i = 0; i < plot->itemCount(); ++i) {
        auto* text = qobject_cast<QCPItemText*>(plot->item(i));
        if (text == nullptr) {
            continue;
        }
        const int width = QFontMetrics(text->font()).horizontalAdvance(text->text());
        const double x = text->position->pixelPosition().x();
        const Qt::Alignment side = text->positionAlignment();
        const double left = side & Qt::AlignRight  ? x - width
                            : side & Qt::AlignLeft ? x
                                                   : x - width / 2.0;
        EXPECT_GE(left, plot->axisRect()->left()) << text->text().toStdString();
        EXPECT_LE(left + width, plot->axisRect()->right()) << text->text().toStdString();
    }
    dyno->smoothing()->setValue(3);
    EXPECT_EQ(dyno->curve(0).points.size(), 101u);
    EXPECT_LT(dyno->curve(0).peak.total, dyno->curve(0).points.back().total + 1);
}

TEST_F(LogPlotTest, ThePictureIsSavedAsPng) {
    opened();
    const std::string png = folder.file("view");
    dialogs.saveAnswers.push_back(png);
    window.findChild<QPushButton*>("SavePngButton")->click();
    EXPECT_EQ(dialogs.savePresets.back(), path.substr(0, path.size() - 4) + ".png");
    EXPECT_EQ(ReadWholeFile(png + ".png").substr(1, 3), "PNG");
    dialogs.saveAnswers.push_back(folder.file("no/such/folder/x.png"));
    window.findChild<QPushButton*>("SavePngButton")->click();
    EXPECT_EQ(dialogs.texts().back(),
              "Can't save the picture " + folder.file("no/such/folder/x.png"));
}

std::vector<std::string> Split(const std::string& text, char at) {
    std::vector<std::string> parts(1);
    for (char c : text) {
        if (c == at) {
            parts.emplace_back();
        } else {
            parts.back() += c;
        }
    }
    return parts;
}

std::string Join(const std::vector<std::string>& parts, char with) {
    std::string text;
    for (size_t i = 0; i < parts.size(); ++i) {
        text += (i > 0 ? std::string(1, with) : std::string()) + parts[i];
    }
    return text;
}

// Line 6 (10.5 s) gets a speed of 9999 and one kind of damage; the last line, also at
// 9999, is cut as a log being written leaves it. Neither may show anywhere.
TEST_F(LogPlotTest, WhatTheMessageNamesAsSkippedIsNeitherDrawnNorInTheValueLine) {
    const std::string original = ReadWholeFile(path);
    const std::vector<std::pair<std::string, void (*)(std::vector<std::string>&)>> damages = {
        {"text in a number field", [](std::vector<std::string>& f) { f[1] = "x"; }},
        {"too few fields", [](std::vector<std::string>& f) { f.erase(f.end() - 6, f.end() - 1); }},
        {"cut off", [](std::vector<std::string>& f) { f.back() = "1"; }},
    };
    for (const auto& [kind, damage] : damages) {
        std::vector<std::string> lines = Split(original, '\n');
        for (const size_t line : {size_t{5}, lines.size() - 1}) {
            std::vector<std::string> fields = Split(lines[line], '\t');
            fields[2] = "9999";
            lines[line] = Join(fields, '\t');
        }
        std::vector<std::string> sixth = Split(lines[5], '\t');
        damage(sixth);
        lines[5] = Join(sixth, '\t');
        lines.back().resize(lines.back().size() - 3);
        std::ofstream(path, std::ios::trunc) << Join(lines, '\n');
        dialogs.messages.clear();
        opened();

        EXPECT_EQ(dialogs.texts(),
                  std::vector<std::string>{"Not everything could be read; skipped: line 6 (" +
                                           kind + ")."});
        ChannelChart* chart = window.chart();
        EXPECT_EQ(chart->channelGraph(0)->dataCount(), 399);
        EXPECT_LE(chart->channelGraph(0)->valueAxis()->range().upper, 200);
        chart->setCursorTime(10.5);
        EXPECT_TRUE(chart->cursorText().startsWith("t = 10.5 s   speed_kmh 80   ")) << kind;
        chart->setCursorTime(chart->timeRange().upper);
        EXPECT_TRUE(chart->cursorText().startsWith("t = 49.9 s   speed_kmh 149")) << kind;
        EXPECT_EQ(PullFromLog(window.data(), 49, 51).speed.back(), 149);
    }
}

TEST_F(LogPlotTest, AGrowingLogIsFollowedByReloadAndAForeignFileSaysWhy) {
    RecordedLog growing(folder.path().string());
    ASSERT_TRUE(window.openLog(growing.path()));
    EXPECT_EQ(window.cursorLabel()->text(), "The log holds no records yet.");
    for (uint32_t tick = 0; tick < 40; tick += 4) {
        growing.add(tick, 70, 0);
    }
    growing.addWords(40, 71, 0);
    window.ReloadClick();
    EXPECT_EQ(window.chart()->channelGraph(0)->dataCount(), 11);
    EXPECT_DOUBLE_EQ(window.chart()->timeRange().upper, 1.0);
    growing.add(44, 72, 0);
    window.ReloadClick();
    EXPECT_EQ(window.chart()->channelGraph(0)->dataCount(), 12);
    EXPECT_TRUE(dialogs.messages.empty());

    const std::string foreign = folder.file("other.txt");
    std::ofstream(foreign) << "hello\tworld\n";
    dialogs.openAnswers.push_back(foreign);
    window.OpenClick();
    EXPECT_EQ(dialogs.texts().back(),
              "This is not a KORVEX data log: its first line is not the log header.");
    EXPECT_EQ(window.path(), growing.path()); // the open log stays
}

// The CSV read back as numbers must be the log's own records in view, row for row.
TEST_F(LogPlotTest, CsvExportHoldsTheChosenChannelsOfTheTimeInView) {
    opened();
    window.chart()->setTimeRange(QCPRange(39.95, 40.25));
    const std::string csv = folder.file("drive.csv");
    dialogs.saveAnswers.push_back(csv);
    window.findChild<QPushButton*>("ExportCsvButton")->click();
    EXPECT_EQ(dialogs.savePresets.back(), path.substr(0, path.size() - 4) + ".csv");
    std::vector<std::string> rows = Split(ReadWholeFile(csv), '\n');
    ASSERT_EQ(rows.size(), 5u);
    EXPECT_EQ(rows[0], "time_s,speed_kmh,dino_total\r");
    EXPECT_EQ(rows[2].substr(0, 8), "40.1,51,");
    EXPECT_EQ(rows[4], "");
    const LogData& data = window.data();
    for (size_t r = 1; r < 4; ++r) {
        const std::vector<std::string> cells = Split(rows[r].substr(0, rows[r].size() - 1), ',');
        const size_t record = 300 + r - 1;
        EXPECT_DOUBLE_EQ(std::stod(cells[0]), data.seconds[record]);
        EXPECT_EQ(std::stof(cells[1]), data.channels[1][record]);
        EXPECT_EQ(std::stof(cells[2]), data.channels[12][record]);
    }

    window.chooseChannels({});
    dialogs.saveAnswers.push_back(csv);
    window.findChild<QPushButton*>("ExportCsvButton")->click();
    rows = Split(ReadWholeFile(csv), '\n');
    EXPECT_EQ(Split(rows[0], ',').size(), 40u);
    EXPECT_EQ(Split(rows[1], ',')[39], "1\r"); // h_brake_sw

    dialogs.saveAnswers.push_back(folder.file("no/such/folder/x.csv"));
    window.findChild<QPushButton*>("ExportCsvButton")->click();
    EXPECT_EQ(dialogs.texts().back(), "Can't save " + folder.file("no/such/folder/x.csv"));
}

TEST_F(LogPlotTest, ASecondLogLiesOverTheFirstFromZeroSecondsAndMovesByItsOffset) {
    opened();
    RecordedLog second(folder.path().string());
    for (uint32_t i = 0; i < 20; ++i) {
        second.add(800 + 4 * i, static_cast<uint16_t>(30 + i), 0);
    }
    const std::string other = second.close();
    dialogs.openAnswers.push_back(other);
    window.findChild<QPushButton*>("AddLogButton")->click();
    ChannelChart* chart = window.chart();
    ASSERT_TRUE(chart->hasOverlay());
    EXPECT_DOUBLE_EQ(chart->channelGraph(0)->data()->constBegin()->key, 0.0);
    EXPECT_DOUBLE_EQ(chart->overlayGraph(1)->data()->constBegin()->key, 0.0);
    EXPECT_EQ(chart->overlayGraph(0)->dataCount(), 20);
    auto* legend = qobject_cast<QCPLegend*>(chart->axisRect(0)->insetLayout()->elementAt(0));
    ASSERT_NE(legend, nullptr);
    EXPECT_EQ(legend->itemCount(), 2);
    const QString first = QFileInfo(QString::fromStdString(path)).fileName();
    const QString added = QFileInfo(QString::fromStdString(other)).fileName();
    chart->setCursorTime(1.0);
    EXPECT_TRUE(chart->cursorText().contains("speed_kmh (" + first + ") 80   "))
        << chart->cursorText().toStdString();
    EXPECT_TRUE(chart->cursorText().contains("speed_kmh (" + added + ") 40   "));

    window.offsetBox()->setValue(2.0);
    EXPECT_DOUBLE_EQ(chart->overlayGraph(0)->data()->constBegin()->key, 2.0);
    const QCPRange view = chart->timeRange();
    const int y = chart->height() / 4;
    QTest::mousePress(chart, Qt::LeftButton, Qt::ShiftModifier,
                      QPoint(int(chart->pixelOfTime(10)), y));
    QTest::mouseMove(chart, QPoint(int(chart->pixelOfTime(15)), y));
    QTest::mouseRelease(chart, Qt::LeftButton, Qt::ShiftModifier,
                        QPoint(int(chart->pixelOfTime(15)), y));
    EXPECT_NEAR(window.offsetBox()->value(), 7.0, 0.2);
    EXPECT_DOUBLE_EQ(chart->timeRange().lower, view.lower); // the drag moved the log, not the view

    window.selectSpan(30.0, 40.0); // the first log's 40 to 50 s
    window.findChild<QPushButton*>("Pull1Button")->click();
    EXPECT_EQ(window.dynoView()->curve(0).points.size(), 101u);

    window.openLog(other);
    EXPECT_FALSE(window.chart()->hasOverlay());
}

TEST(LivePlotTest, DrawsChosenValuesWhileShownAndKeepsTheirMinuteWhileHidden) {
    TestApp();
    FakeDialogs dialogs;
    LivePlotWindow window{dialogs};
    LiveFrame words{};
    LiveFrame bytes{};
    auto feed = [&](uint32_t from, uint32_t to) {
        for (uint32_t tick = from; tick < to; tick += 4) {
            words[2] = static_cast<uint8_t>(tick / 40);
            bytes[15] = 42;
            window.frameArrived(DecodeFrame(FrameKind::Byte, bytes.data(), tick));
            window.frameArrived(DecodeFrame(FrameKind::Word, words.data(), tick + 2));
        }
    };
    feed(0, 400); // hidden: history only
    EXPECT_EQ(window.chart()->channelGraph(0)->dataCount(), 0);
    window.show();
    window.chooseChannels({"speed_kmh", "throt"});
    EXPECT_EQ(window.chart()->channelGraph(0)->dataCount(), 100);
    feed(400, 4000);
    QCPGraph* speed = window.chart()->channelGraph(0);
    EXPECT_EQ(speed->dataCount(), 601);
    EXPECT_DOUBLE_EQ(speed->data()->constBegin()->key, 39.95);
    EXPECT_DOUBLE_EQ((speed->data()->constEnd() - 1)->value, 99);
    EXPECT_EQ(window.chart()->channelGraph(1)->data()->constBegin()->value, 42);
    EXPECT_DOUBLE_EQ(window.chart()->timeRange().upper, 99.95);
    EXPECT_GE(speed->valueAxis()->range().upper, 99);
}

} // namespace
