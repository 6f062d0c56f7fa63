#include "dyno/dyno_view.h"
#include "fakes/fake_dialogs.h"
#include "fakes/temp_dir.h"
#include "monitor/channel_chart.h"
#include "monitor/live_plot_window.h"
#include "monitor/log_plot_window.h"
#include "tests/support/qt_test_app.h"
#include "tests/support/recorded_log.h"

#include <QCheckBox>
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

TEST_F(LogPlotTest, ADamagedLogOpensWithOneMessageAndAForeignFileWithItsReason) {
    std::string text = ReadWholeFile(path);
    text.resize(text.size() - 3);
    std::ofstream(path, std::ios::trunc) << text;
    opened();
    EXPECT_EQ(dialogs.texts(), std::vector<std::string>{
                                   "Not everything could be read; skipped: line 402 (cut off)."});
    EXPECT_EQ(window.chart()->channelGraph(0)->dataCount(), 401);

    const std::string foreign = folder.file("other.txt");
    std::ofstream(foreign) << "hello\tworld\n";
    dialogs.openAnswers.push_back(foreign);
    window.OpenClick();
    EXPECT_EQ(dialogs.texts().back(),
              "This is not a KORVEX data log: its first line is not the log header.");
    EXPECT_EQ(window.path(), path); // the open log stays
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
