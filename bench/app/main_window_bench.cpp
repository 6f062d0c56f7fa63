// The main window's two recurring costs in a long session, with the real widgets on
// the offscreen platform: a new message log entry, and the tick that decodes a live
// frame into the grid, each including the repaint it causes.
#include "app/globals.h"
#include "app/tform1.h"
#include "fakes/fake_dialogs.h"
#include "fakes/fake_serial.h"
#include "link/device_commands.h"
#include "monitor/live_params.h"
#include "monitor/live_plot_window.h"
#include "ui/korvex_application.h"

#include <benchmark/benchmark.h>

#include <QListView>
#include <QTest>

#include <malloc.h>

namespace {

KorvexApplication& App() {
    static int argc = 1;
    static char name[] = "korvex";
    static char* argv[] = {name, nullptr};
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static KorvexApplication app(argc, argv);
    return app;
}

struct ShownMainWindow {
    KorvexApplication& app = App();
    FakeSerial::Shared serial;
    Globals g{std::make_unique<FakeSerial>(serial)};
    FakeDialogs dialogs;
    TForm1 form{g, dialogs};
    bool shown = [this] {
        form.show();
        return QTest::qWaitForWindowExposed(&form);
    }();
};

// One entry appended to a list already holding range(0) entries, laid out and painted.
void BM_MessageLogAppend(benchmark::State& state) {
    ShownMainWindow w;
    QCoreApplication::processEvents();
    const size_t heapBefore = mallinfo2().uordblks;
    for (int64_t i = 0; i < state.range(0); ++i) {
        w.g.log.append("Read ERR2 = ");
        w.g.log.appendLine(std::to_string(i));
    }
    QCoreApplication::processEvents();
    state.counters["heap_bytes_per_entry"] =
        double(mallinfo2().uordblks - heapBefore) / double(state.range(0));
    for (auto _ : state) {
        w.g.log.append("Read ERR2 = ");
        w.g.log.appendLine("5");
        QCoreApplication::processEvents();
    }
}
BENCHMARK(BM_MessageLogAppend)
    ->Arg(10)
    ->Arg(10000)
    ->Arg(100000)
    ->Unit(benchmark::kMillisecond)
    ->MinTime(1.0);

// Live frames whose every value moves from one frame to the next, the worst case for
// the grid.
std::vector<uint8_t> MovingAnswer(uint8_t command) {
    static uint8_t phase = 0;
    if (command == Cmd::Connect) {
        return {kConnectReady};
    }
    ++phase;
    std::vector<uint8_t> frame(kFrameSize);
    for (size_t i = 0; i < frame.size(); ++i) {
        frame[i] = static_cast<uint8_t>(i * 37 + phase);
    }
    return frame;
}

// A shown main window polling moving frames, standing before a send tick. With
// `everyListener` the data log writes (into the working folder) and the live plot is
// shown as well.
struct PollingMainWindow : ShownMainWindow {
    explicit PollingMainWindow(bool everyListener) {
        serial.autoAnswer = true;
        serial.responder = MovingAnswer;
        g.port.open(7);
        form.Button5Click();
        form.Timer1Timer();
        form.Timer1Timer();
        if (everyListener) {
            form.Button4Click();
            form.LivePlotClick();
            ready = QTest::qWaitForWindowExposed(form.livePlot()) &&
                    form.controller().dataLog().logging();
        }
        // Waiting let the window's own timer tick: stand before a send again.
        if (cycle().step() != PollCycle::Step::Send) {
            form.Timer1Timer();
        }
        // Posted events only from here: the window's own timer must not tick in between.
        QCoreApplication::sendPostedEvents();
        ready = ready && shown && cycle().state() == PollCycle::State::Polling;
    }
    PollCycle& cycle() { return form.controller().pollCycle(); }
    // The read tick alone; the send tick before it is kept out of the measurement, and
    // so is the repaint unless `withRepaint`.
    void measureReadTicks(benchmark::State& state, bool withRepaint) {
        for (auto _ : state) {
            state.PauseTiming();
            form.Timer1Timer(); // send
            QCoreApplication::sendPostedEvents();
            serial.calls.clear();
            serial.written.clear();
            state.ResumeTiming();
            form.Timer1Timer(); // read, decode, hand over
            if (!withRepaint) {
                state.PauseTiming();
            }
            QCoreApplication::sendPostedEvents();
            if (!withRepaint) {
                state.ResumeTiming();
            }
        }
        if (!ready) {
            state.SkipWithError("the cycle did not poll in a shown window with its listeners");
        }
    }
    bool ready = true;
};

// The tick that reads a frame and decodes it into the real grid, with (1) or without (0)
// the repaint of what it changed.
void BM_FrameReadTickWithRepaint(benchmark::State& state) {
    PollingMainWindow w(false);
    w.measureReadTicks(state, state.range(0) != 0);
}
BENCHMARK(BM_FrameReadTickWithRepaint)
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kMicrosecond)
    ->Repetitions(5);

// The same read tick with every consumer of live values at work: the grid repainted,
// the data log writing and the live plot shown and redrawn.
void BM_FrameReadTickEveryListener(benchmark::State& state) {
    PollingMainWindow w(true);
    w.measureReadTicks(state, true);
    w.form.livePlot()->close();
}
BENCHMARK(BM_FrameReadTickEveryListener)->Unit(benchmark::kMicrosecond)->Repetitions(5);

} // namespace

BENCHMARK_MAIN();
