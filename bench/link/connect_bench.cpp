// One connect exchange ("3", then the one-byte answer) through CommDevice, the termios
// backend and the simulator on a pty: the cost of every poll cycle's first step.
#include "fakes/temp_dir.h"
#include "link/comm_device.h"
#include "link/device_commands.h"
#include "sim/controller_sim.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>

namespace {

void BM_ConnectExchange(benchmark::State& state) {
    // Links live in a throw-away HOME, never in the user's own.
    const TempDir home(TempDir::Use::Home);
    {
        ControllerSim sim;
        CommDevice port;
        if (!sim.start() || !sim.linkAsCom(3) || !port.open(3)) {
            state.SkipWithError("simulator not reachable");
        } else {
            uint8_t answer = 0;
            for (auto _ : state) {
                if (!port.write(&Cmd::Connect, 1) || !port.read(&answer, 1) ||
                    answer != kConnectReady) {
                    state.SkipWithError("connect failed");
                    break;
                }
                benchmark::DoNotOptimize(answer);
            }
            port.close();
        }
    }
}

BENCHMARK(BM_ConnectExchange)->Unit(benchmark::kMicrosecond)->UseRealTime();

} // namespace

BENCHMARK_MAIN();
