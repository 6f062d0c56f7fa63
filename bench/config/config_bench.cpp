#include "config/config_text.h"
#include "config/value_codec.h"

#include <benchmark/benchmark.h>

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

BENCHMARK_MAIN();
