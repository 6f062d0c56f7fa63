// The plot windows with the real widgets on the offscreen platform: opening and
// drawing a 10-hour data log written by the real DataLog, one pan or zoom step on
// it, and the live plot's cost for each frame the poll cycle hands it.
#include "core/my_err_log.h"
#include "dyno/dino.h"
#include "fakes/fake_dialogs.h"
#include "fakes/temp_dir.h"
#include "monitor/channel_chart.h"
#include "monitor/data_log.h"
#include "monitor/live_plot_window.h"
#include "monitor/log_csv.h"
#include "monitor/log_plot_window.h"
#include "monitor/tick.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QTest>

#include <cmath>
#include <memory>

namespace {

QApplication& App() {
    static int argc = 1;
    static char name[] = "korvex";
    static char* argv[] = {name, nullptr};
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static QApplication app(argc, argv);
    return app;
}

// A frame pair as a drive would give it: speed and throttle moving with time.
void DriveFrames(uint32_t tick, LiveFrame& words, LiveFrame& bytes) {
    const double t = TickSeconds(tick);
    const auto speed = static_cast<uint16_t>(90 + 60 * std::sin(t / 30));
    const auto drive = static_cast<uint16_t>(500 + 400 * std::sin(t / 7));
    for (size_t i = 0; i < kWordParCount; ++i) {
        const uint16_t word = i == kSpeedWord   ? speed
                              : i == kDriveWord ? drive
                                                : uint16_t(i * 100 + tick % 50);
        PutFrameWord(words.data(), i, word);
    }
    for (size_t j = 0; j < kByteParCount; ++j) {
        bytes[j] = static_cast<uint8_t>(tick / 4 + j * 9);
    }
    bytes[kSwitchByteIndex] = static_cast<uint8_t>(tick / 400 % 4);
}

// 360,000 records, written once per run of the benchmark program.
const std::string& TenHourLog() {
    static TempDir folder;
    static const std::string path = [] {
        MyErrLog errors;
        Dino dino;
        DataLog log(
            errors, dino, [] { return std::tm{}; }, folder.path().string());
        log.ToggleDataLog(true);
        LiveFrame words{}, bytes{};
        for (uint32_t tick = 0; tick < 360000u * 4; tick += 4) {
            DriveFrames(tick, words, bytes);
            log.frameArrived(DecodeFrame(FrameKind::Word, words.data(), tick));
            log.frameArrived(DecodeFrame(FrameKind::Byte, bytes.data(), 0));
        }
        log.ToggleDataLog(true);
        return log.path();
    }();
    return path;
}

struct ShownLogPlot {
    QApplication& app = App();
    FakeDialogs dialogs;
    LogPlotWindow window{dialogs};
    bool shown = [this] {
        window.show();
        return QTest::qWaitForWindowExposed(&window);
    }();
};

// From the file to the first drawn chart (speed and power, stacked). The reader parses
// a long log on two threads, so these benchmarks report the whole process's CPU time,
// and the figure the user waits for is the wall time.
void BM_OpenAndPlotTenHourLog(benchmark::State& state) {
    const std::string& path = TenHourLog();
    for (auto _ : state) {
        state.PauseTiming(); // making and closing the window are not part of it
        auto w = std::make_unique<ShownLogPlot>();
        state.ResumeTiming();
        if (!w->window.openLog(path)) {
            state.SkipWithError("the log did not open");
        }
        w->window.chart()->repaint();
        state.PauseTiming();
        w.reset();
        state.ResumeTiming();
    }
    state.SetLabel("360000 records");
}
BENCHMARK(BM_OpenAndPlotTenHourLog)
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime()
    ->UseRealTime()
    ->Iterations(3);

// The reader alone: the share of the open that is not drawing.
void BM_ReadTenHourLog(benchmark::State& state) {
    const std::string& path = TenHourLog();
    for (auto _ : state) {
        benchmark::DoNotOptimize(ReadDataLog(path).records());
    }
}
BENCHMARK(BM_ReadTenHourLog)
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime()
    ->UseRealTime()
    ->Iterations(3);

// The 10-hour log laid over itself (a second drive of the same length), drawn.
void BM_OverlayTwoTenHourLogs(benchmark::State& state) {
    const std::string& path = TenHourLog();
    for (auto _ : state) {
        state.PauseTiming();
        auto w = std::make_unique<ShownLogPlot>();
        state.ResumeTiming();
        if (!w->window.openLog(path) || !w->window.addLog(path)) {
            state.SkipWithError("the logs did not open");
        }
        w->window.chart()->repaint();
        state.PauseTiming();
        w.reset();
        state.ResumeTiming();
    }
    state.SetLabel("2 x 360000 records");
}
BENCHMARK(BM_OverlayTwoTenHourLogs)
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime()
    ->UseRealTime()
    ->Iterations(3);

// Every channel of the whole 10-hour log to a CSV file, through the safe replacement.
void BM_CsvExportTenHourLog(benchmark::State& state) {
    const LogData data = ReadDataLog(TenHourLog());
    std::vector<size_t> all(data.names.size());
    for (size_t c = 0; c < all.size(); ++c) {
        all[c] = c;
    }
    const TempDir folder;
    const std::string csv = folder.file("drive.csv");
    for (auto _ : state) {
        if (!ExportLogCsv(csv, data, all, 0, 1e9)) {
            state.SkipWithError("the export failed");
        }
    }
    state.SetLabel(std::to_string(all.size()) + " channels");
}
BENCHMARK(BM_CsvExportTenHourLog)->Unit(benchmark::kMillisecond)->Iterations(3);

// One pan (arrow key) or zoom (+/-) step, drawn: the whole drive in view, or ten minutes.
void BM_PanZoomStep(benchmark::State& state) {
    ShownLogPlot w;
    w.window.openLog(TenHourLog());
    w.window.chooseChannels({"speed_kmh", "dino_total", "throt", "i_coil"});
    ChannelChart* chart = w.window.chart();
    const double span = static_cast<double>(state.range(0));
    chart->setTimeRange(QCPRange(3600, 3600 + span));
    int step = 0;
    for (auto _ : state) {
        switch (step++ % 4) {
        case 0:
            chart->panTime(0.1);
            break;
        case 1:
            chart->zoomTime(1 / 1.5);
            break;
        case 2:
            chart->panTime(-0.1);
            break;
        default:
            chart->zoomTime(1.5);
        }
        chart->repaint();
    }
    state.SetLabel(std::to_string(state.range(0)) + " s in view, 4 channels");
}
BENCHMARK(BM_PanZoomStep)->Arg(36000)->Arg(600)->Unit(benchmark::kMillisecond)->MinTime(1.0);

struct ShownLivePlot {
    QApplication& app = App();
    FakeDialogs dialogs;
    LivePlotWindow window{dialogs};
    bool shown = [this] {
        window.show();
        return QTest::qWaitForWindowExposed(&window);
    }();
    LiveFrame words{}, bytes{};
    uint32_t tick = 0;
    void frame() {
        tick += 2;
        DriveFrames(tick, words, bytes);
        const bool word = tick % 4 == 0;
        window.frameArrived(word ? DecodeFrame(FrameKind::Word, words.data(), tick)
                                 : DecodeFrame(FrameKind::Byte, bytes.data(), tick));
    }
};

// What the tick pays for each frame with the live plot open (range(0) channels chosen);
// the drawing waits for the event loop.
void BM_LivePlotFrame(benchmark::State& state) {
    ShownLivePlot w;
    QStringList names;
    for (int64_t i = 0; i < state.range(0); ++i) {
        names << QString::fromStdString(LiveHistory::ChannelNames()[static_cast<size_t>(i)]);
    }
    w.window.chooseChannels(names);
    for (int i = 0; i < 2400; ++i) { // a full minute in view
        w.frame();
    }
    QCoreApplication::processEvents();
    for (auto _ : state) {
        w.frame();
    }
    QCoreApplication::processEvents();
}
BENCHMARK(BM_LivePlotFrame)->Arg(2)->Arg(37)->Unit(benchmark::kMicrosecond);

// The drawing itself, once per frame pair at most: a full minute of the chosen channels.
void BM_LivePlotRedraw(benchmark::State& state) {
    ShownLivePlot w;
    QStringList names;
    for (int64_t i = 0; i < state.range(0); ++i) {
        names << QString::fromStdString(LiveHistory::ChannelNames()[static_cast<size_t>(i)]);
    }
    w.window.chooseChannels(names);
    for (int i = 0; i < 2400; ++i) {
        w.frame();
    }
    for (auto _ : state) {
        w.frame();
        w.frame();
        QCoreApplication::processEvents();
    }
}
BENCHMARK(BM_LivePlotRedraw)->Arg(2)->Arg(8)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
