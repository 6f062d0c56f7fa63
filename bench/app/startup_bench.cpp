// Time from start to the main window shown: the application object, the global
// objects and the main window with its creation handler, offscreen.
#include "app/globals.h"
#include "app/tform1.h"
#include "tests/support/fake_dialogs.h"
#include "ui/korvex_application.h"

#include <benchmark/benchmark.h>

#include <QTest>

static void BM_StartToMainWindowShown(benchmark::State& state) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    for (auto _ : state) {
        int argc = 1;
        char name[] = "korvex";
        char* argv[] = {name, nullptr};
        KorvexApplication app(argc, argv);
        Globals globals;
        FakeDialogs dialogs;
        TForm1 form(globals, dialogs);
        form.show();
        benchmark::DoNotOptimize(QTest::qWaitForWindowExposed(&form));
    }
}
BENCHMARK(BM_StartToMainWindowShown)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(20)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);

BENCHMARK_MAIN();
