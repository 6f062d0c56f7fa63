#include "bench_grid_view.h"
#include "core/my_err_log.h"
#include "dyno/dino.h"
#include "fakes/fake_serial.h"
#include "fakes/temp_dir.h"
#include "monitor/data_log.h"
#include "monitor/live_params.h"
#include "monitor/poll_cycle.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <memory>

namespace {

std::vector<uint8_t> Answer(uint8_t command) {
    if (command == Cmd::Connect) {
        return {kConnectReady};
    }
    std::vector<uint8_t> frame(kFrameSize);
    for (size_t i = 0; i < frame.size(); ++i) {
        frame[i] = static_cast<uint8_t>(i * 37 + command);
    }
    return frame;
}

std::tm FixedStamp() {
    std::tm t{};
    t.tm_mday = 1;
    t.tm_year = 123;
    return t;
}

// The tick that reads a frame and decodes it into the grid, and with range(0) 1 into
// the data log on a real file too; the send tick before it is kept out of the measurement.
void BM_FrameReadTick(benchmark::State& state) {
    const TempDir folder;
    FakeSerial::Shared serial;
    serial.autoAnswer = true;
    serial.responder = Answer;
    CommDevice port(std::make_unique<FakeSerial>(serial));
    port.open(7);
    MyErrLog log;
    Dino dino;
    DataLog dataLog(log, dino, FixedStamp, folder.path().string());
    GridView view;
    LiveGrid grid(view);
    PollCycle cycle(port, log, view);
    cycle.addListener(grid);
    cycle.addListener(dataLog);
    cycle.toggleRun();
    if (state.range(0) == 1 && !dataLog.ToggleDataLog(true)) {
        state.SkipWithError("cannot create the log file");
        return;
    }
    cycle.startTick();
    cycle.finishTick();
    cycle.startTick();
    cycle.finishTick();
    for (auto _ : state) {
        state.PauseTiming();
        cycle.startTick();
        cycle.finishTick(); // send
        serial.calls.clear();
        serial.written.clear();
        state.ResumeTiming();
        cycle.startTick();
        cycle.finishTick(); // read and decode
    }
    if (view.writes == 0 || cycle.state() != PollCycle::State::Polling) {
        state.SkipWithError("the cycle did not poll");
    }
}
BENCHMARK(BM_FrameReadTick)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond)->Repetitions(5);

// One log line: the word record (with the dyno estimate) and the byte record after it.
void BM_LogRecordPair(benchmark::State& state) {
    const TempDir folder;
    MyErrLog log;
    Dino dino;
    DataLog dataLog(log, dino, FixedStamp, folder.path().string());
    LiveFrame word{};
    LiveFrame bytes{};
    for (size_t i = 0; i < kFrameSize; ++i) {
        word[i] = static_cast<uint8_t>(i * 13);
        bytes[i] = static_cast<uint8_t>(255 - i);
    }
    if (!dataLog.ToggleDataLog(true)) {
        state.SkipWithError("cannot create the log file");
        return;
    }
    uint32_t tick = 0;
    for (auto _ : state) {
        dataLog.frameArrived(DecodeFrame(FrameKind::Word, word.data(), tick += 4));
        dataLog.frameArrived(DecodeFrame(FrameKind::Byte, bytes.data(), 0));
        if ((tick & 0x3FFFF) == 0) { // start a fresh file every ~64k lines
            state.PauseTiming();
            const std::string path = dataLog.path();
            dataLog.ToggleDataLog(true);
            std::remove(path.c_str());
            dataLog.ToggleDataLog(true);
            state.ResumeTiming();
        }
    }
    const std::string path = dataLog.path();
    dataLog.ToggleDataLog(true);
    std::remove(path.c_str());
}
BENCHMARK(BM_LogRecordPair)->Unit(benchmark::kNanosecond)->Repetitions(5);

} // namespace

BENCHMARK_MAIN();
