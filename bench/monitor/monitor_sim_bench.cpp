#include "bench_grid_view.h"
#include "core/my_err_log.h"
#include "dyno/dino.h"
#include "fakes/temp_dir.h"
#include "monitor/data_log.h"
#include "monitor/poll_cycle.h"
#include "monitor/tick.h"
#include "sim/controller_sim.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <thread>

namespace {

// Frame pairs per second with the real serial port against the simulator, the tick
// driven from a 25 ms steady-clock schedule as the window's timer would. Ticks that
// fall due while one is still running are skipped, not made up.
void BM_SimulatorFramePairsPerSecond(benchmark::State& state) {
    // A private home keeps the COM link away from anyone else's.
    const TempDir home(TempDir::Use::Home);

    ControllerSim sim;
    const int com = ControllerSim::FirstFreeCom();
    if (!sim.start() || !sim.linkAsCom(com)) {
        state.SkipWithError(("simulator: " + sim.error()).c_str());
        return;
    }
    CommDevice port;
    if (!port.open(com)) {
        state.SkipWithError("cannot open the simulator's port");
        return;
    }
    MyErrLog log;
    Dino dino;
    DataLog dataLog(log, dino);
    GridView view;
    LiveGrid grid(view);
    PollCycle cycle(port, log, view);
    cycle.addListener(grid);
    cycle.addListener(dataLog);

    const auto period = std::chrono::milliseconds(kTickMilliseconds);
    const auto seconds = std::chrono::seconds(state.range(0));
    double pairs = 0;
    for (auto _ : state) {
        cycle.toggleRun();
        const long before = view.writes;
        const auto begin = std::chrono::steady_clock::now();
        auto next = begin;
        while (std::chrono::steady_clock::now() - begin < seconds) {
            cycle.startTick();
            cycle.finishTick();
            next += period;
            const auto now = std::chrono::steady_clock::now();
            while (next < now) {
                next += period;
            }
            std::this_thread::sleep_until(next);
        }
        const double elapsed =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count();
        // A pair is one byte frame (23 cells) and one word frame (12 cells).
        pairs = static_cast<double>(view.writes - before) / 35.0 / elapsed;
        cycle.toggleRun();
    }
    state.counters["pairs_per_s"] = pairs;
    port.close();
}
BENCHMARK(BM_SimulatorFramePairsPerSecond)
    ->Arg(30)
    ->Iterations(1)
    ->Unit(benchmark::kSecond)
    ->UseRealTime();

} // namespace

BENCHMARK_MAIN();
