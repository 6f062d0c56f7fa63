#include "fakes/temp_dir.h"
#include "firmware/firmware_image.h"
#include "isp/dfu_protocol.h"
#include "sim/dfu_bootloader_sim.h"
#include "sim/sim_isp_update.h"

#include <benchmark/benchmark.h>

#include <filesystem>

// A complete update of the largest image (18,024 bytes) against the simulated
// bootloader with no device delays: the host's own time per update, and its control
// transfers against the least the protocol needs for that image.
static void BM_CompleteUpdateLargestImage(benchmark::State& s) {
    Buff image(Buff::kImageSize);
    FirmwareState state;
    std::string message;
    LoadFirmwareImage(image, state, message, 4);
    const TempDir folder;
    const std::string dir = folder.path().string();
    size_t transfers = 0;
    for (auto _ : s) {
        DfuBootloaderSim device(kIspChips[0]);
        device.setPollTimeoutMs(0);
        SimDfuTransport transport({&device});
        SimIspClock clock;
        IspSession session(transport, clock);
        if (!RunSessionUpdate(session, "ATmega32U4", image.data(), state.imageEndAddress, dir)
                 .empty()) {
            s.SkipWithError(session.lastErrorMessage());
            return;
        }
        transfers = transport.transfers;
    }
    // Whole pages, written in 1 KiB blocks and read back in 1 KiB windows, each two
    // transfers; plus the version (3), the two signature bytes that tell the chips
    // apart (2 x 3), the erase (2) and the start (2).
    const uint32_t bytes = (state.imageEndAddress / 128 + 1) * 128;
    const uint32_t blocks = (bytes + dfu::kMaxBlockData - 1) / dfu::kMaxBlockData;
    const double minimum = 3 + 6 + 2 + 2.0 * blocks + 2.0 * blocks + 2;
    s.counters["image_bytes"] = state.imageEndAddress + 1;
    s.counters["transfers"] = static_cast<double>(transfers);
    s.counters["protocol_minimum"] = minimum;
    s.counters["above_minimum_pct"] = 100.0 * (static_cast<double>(transfers) - minimum) / minimum;
}
BENCHMARK(BM_CompleteUpdateLargestImage)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
