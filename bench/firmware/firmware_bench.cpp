#include "fakes/fake_isp.h"
#include "firmware/empty_file.h"
#include "firmware/firmware_image.h"
#include "firmware/isp_api.h"
#include "firmware/isp_sequence.h"

#include <benchmark/benchmark.h>

// The largest embedded image: resource copy plus parse into the image buffer.
static void BM_LoadFirmwareImageLargest(benchmark::State& s) {
    Buff buffer(Buff::kImageSize);
    FirmwareState state;
    std::string message;
    for (auto _ : s) {
        benchmark::DoNotOptimize(LoadFirmwareImage(buffer, state, message, 4));
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_LoadFirmwareImageLargest)->Unit(benchmark::kMicrosecond);

// The fill loop of the largest image (18024 calls) through the fake library.
static void BM_FillLoopThroughFakeLibrary(benchmark::State& s) {
    FakeIsp fake;
    auto* parse = fake.control<isp::ParseHexFileFn>("ispParseHexFile");
    auto* fill = fake.control<isp::FillBufferAddrRangeFn>("ispFillBufferAddrRange");
    Buff image(Buff::kImageSize);
    FirmwareState state;
    std::string message;
    LoadFirmwareImage(image, state, message, 4);
    const EmptyFile file(static_cast<int32_t>(state.imageEndAddress));
    for (auto _ : s) {
        s.PauseTiming();
        fake.reset();
        parse(file.name());
        s.ResumeTiming();
        FillIspBuffer(fill, image.data(), state.imageEndAddress);
    }
    s.counters["calls"] = state.imageEndAddress + 1;
}
BENCHMARK(BM_FillLoopThroughFakeLibrary)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
