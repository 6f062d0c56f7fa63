#include "config/config_difference.h"
#include "config/config_history.h"
#include "config/config_text.h"
#include "config/config_undo.h"
#include "config/value_codec.h"
#include "core/file_replace.h"
#include "fakes/temp_dir.h"

#include <benchmark/benchmark.h>

#include <string>

namespace {

// A whole block to working values and back, as every read, open, save and write does.
void BM_LoadAndStoreWholeBlock(benchmark::State& state) {
    ConfigBlock block;
    for (size_t i = 0; i < block.size(); ++i) {
        block[i] = uint8_t(i * 13 + 5);
    }
    WorkingValues working;
    ConfigBlock back{};
    for (auto _ : state) {
        LoadWorkingValues(working, block);
        StoreWorkingValues(working, back);
        benchmark::DoNotOptimize(back.data());
        benchmark::ClobberMemory();
    }
    if (back != block) {
        state.SkipWithError("block changed on the way through the working values");
    }
}
BENCHMARK(BM_LoadAndStoreWholeBlock)->Repetitions(5)->ReportAggregatesOnly(true);

// Two blocks that differ in every element, compared and rendered as the report a
// person exports: the worst case of Compare.
void BM_CompareAndRenderEverythingDiffering(benchmark::State& state) {
    ConfigBlock mine;
    ConfigBlock theirs;
    for (size_t i = 0; i < mine.size(); ++i) {
        mine[i] = uint8_t(i * 13 + 5);
        theirs[i] = uint8_t(mine[i] + 1);
    }
    size_t elements = 0;
    for (auto _ : state) {
        const ConfigDifferences d = CompareBlocks(mine, theirs, '.');
        const std::string text = DifferenceText(d, "other.cfg", "");
        benchmark::DoNotOptimize(text.data());
        elements = d.elementCount();
    }
    if (elements != kConfigBlockSize) {
        state.SkipWithError("not every element was found differing");
    }
}
BENCHMARK(BM_CompareAndRenderEverythingDiffering)->Repetitions(5)->ReportAggregatesOnly(true);

} // namespace

// Undo of a Read Device over loaded working values; the redo that sets the next undo up is
// not timed. bytes_per_step: what the undo stack holds per step, its record included.
void BM_UndoOfARead(benchmark::State& state) {
    GfgPars pars;
    WorkingValues working;
    ConfigUndo undo(pars, working);
    LoadWorkingValues(working, pars.block());
    const UndoStep before = undo.capture(-1);
    for (size_t i = 0; i < pars.block().size(); ++i) {
        pars.block()[i] = uint8_t(i * 13 + 5);
    }
    LoadWorkingValues(working, pars.block());
    undo.commit(before);
    for (auto _ : state) {
        undo.undo();
        state.PauseTiming();
        undo.redo();
        state.ResumeTiming();
    }
    state.counters["bytes_per_step"] = double(sizeof(UndoStep));
}
BENCHMARK(BM_UndoOfARead)
    ->Unit(benchmark::kMicrosecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);

// 10,000 kept configurations listed newest first with their difference counts.
void BM_ListHistoryOf10000(benchmark::State& state) {
    const TempDir dir;
    const ConfigHistory history(dir.file("history"));
    ConfigBlock block{};
    for (int i = 0; i < 10000; ++i) {
        block[size_t(i) % block.size()] = uint8_t(i);
        if (!history.keep(block, HistoryKind::Read, std::time_t(1'700'000'000 + i / 3))) {
            state.SkipWithError("history not written");
            return;
        }
    }
    size_t listed = 0;
    for (auto _ : state) {
        listed = ListHistory(history, ConfigBlock{}).size();
    }
    if (listed != 10000) {
        state.SkipWithError("not every entry listed");
    }
}
BENCHMARK(BM_ListHistoryOf10000)->Unit(benchmark::kMillisecond)->Iterations(3);

BENCHMARK_MAIN();
