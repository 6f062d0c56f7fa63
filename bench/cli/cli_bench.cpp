#include "cli/korvex_cli.h"
#include "fakes/temp_dir.h"
#include "link/device_commands.h"
#include "sim/controller_sim.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <fcntl.h>
#include <spawn.h>
#include <sstream>
#include <sys/resource.h>
#include <sys/wait.h>

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;

double ThreadCpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_THREAD, &usage);
    const auto seconds = [](const timeval& t) {
        return double(t.tv_sec) + double(t.tv_usec) / 1e6;
    };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

// CPU of `korvex-cli log` against the simulator, scaled to a minute: the command's own
// thread only, the simulator runs on another. range(0) is the measured run in seconds.
void BM_LogCpuPerMinute(benchmark::State& state) {
    const TempDir home(TempDir::Use::Home);
    const TempDir work(TempDir::Use::WorkingFolder);
    ControllerSim sim;
    if (!sim.start() || !sim.linkAsCom(5)) {
        state.SkipWithError(("simulator: " + sim.error()).c_str());
        return;
    }
    const std::string duration = std::to_string(state.range(0));
    const char* argv[] = {"korvex-cli", "log", "--port", "COM5", "--duration", duration.c_str()};
    double cpu = 0;
    double wall = 0;
    for (auto _ : state) {
        std::ostringstream out;
        std::ostringstream err;
        const double cpuBefore = ThreadCpuSeconds();
        const auto begin = Clock::now();
        if (RunKorvexCli(6, argv, {out, err, false}) != 0) {
            state.SkipWithError(err.str().c_str());
            return;
        }
        wall += std::chrono::duration<double>(Clock::now() - begin).count();
        cpu += ThreadCpuSeconds() - cpuBefore;
    }
    state.counters["cpu_percent_of_core"] = 100 * cpu / wall;
    state.counters["cpu_ms_per_minute"] = 1000 * cpu / wall * 60;
}
BENCHMARK(BM_LogCpuPerMinute)->Arg(20)->Iterations(1)->Unit(benchmark::kSecond);

double RunProgramSeconds(const char* const* argv) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    const auto begin = Clock::now();
    pid_t pid = 0;
    int status = -1;
    if (posix_spawn(&pid, argv[0], &actions, nullptr, const_cast<char* const*>(argv), environ) ==
        0) {
        waitpid(pid, &status, 0);
    }
    posix_spawn_file_actions_destroy(&actions);
    return status == 0 ? std::chrono::duration<double>(Clock::now() - begin).count() : -1;
}

// `korvex-cli info` as a script starts it, from start to exit, less what the device
// itself takes to answer: an open of the port and the board-information request.
void BM_InfoBeyondAnswer(benchmark::State& state) {
    const TempDir home(TempDir::Use::Home);
    ControllerSim sim;
    if (!sim.start() || !sim.linkAsCom(5)) {
        state.SkipWithError(("simulator: " + sim.error()).c_str());
        return;
    }
    const char* argv[] = {KORVEX_CLI_PROGRAM, "info", "--port", "COM5", nullptr};
    double beyond = 0;
    for (auto _ : state) {
        const auto begin = Clock::now();
        CommDevice port;
        uint8_t answer[kBoardInfoSize] = {};
        std::string text;
        if (!port.open(5) || !requestBoardInfo(port, text, answer)) {
            state.SkipWithError("the simulator did not answer");
            return;
        }
        port.close();
        const double device = std::chrono::duration<double>(Clock::now() - begin).count();
        const double program = RunProgramSeconds(argv);
        if (program < 0) {
            state.SkipWithError("korvex-cli info failed");
            return;
        }
        beyond += program - device;
    }
    state.counters["beyond_answer_ms"] = 1000 * beyond / double(state.iterations());
}
BENCHMARK(BM_InfoBeyondAnswer)->Iterations(20)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
