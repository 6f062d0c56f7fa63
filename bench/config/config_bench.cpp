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

} // namespace

BENCHMARK_MAIN();
