#include "sim/usb_demo.h"

#include "sim/named_choice.h"
#include "sim/usb_bus_sim.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <utility>

namespace {
constexpr int kAddress = 5;

bool WriteFile(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
    return bool(out);
}
} // namespace

bool ParseUsbFault(const std::string& name, DfuBootloaderSim::Fault& fault) {
    using F = DfuBootloaderSim::Fault;
    static constexpr std::pair<std::string_view, F> kNames[] = {
        {"none", F::None},
        {"vanish", F::Vanish},
        {"flip-byte", F::FlipByte},
        {"stall-block", F::StallBlock},
        {"slow-erase", F::SlowErase},
        {"wrong-signature", F::WrongSignature},
        {"read-protected", F::ReadProtected},
    };
    return PickByName(kNames, name, fault);
}

int RunUsbBus(const ControllerSim& controller, const UsbDemoOptions& options,
              const sigset_t& ending, long seconds) {
    UsbBusSim bus;
    const char* dir = std::getenv("UMOCKDEV_DIR");
    const std::string env = std::string("UMOCKDEV_DIR=") + (dir != nullptr ? dir : "") +
                            "\nLD_PRELOAD=" + UsbBusSim::preloadLibrary() + "\n";
    if (!options.envFile.empty() && !WriteFile(options.envFile, env)) {
        std::fprintf(stderr, "korvex-sim: cannot write %s\n", options.envFile.c_str());
        return -1;
    }
    std::printf("usb bus: %s", env.c_str());
    std::fflush(stdout);

    DfuBootloaderSim device(*options.chip);
    device.setFault(options.fault);
    bool plugged = false;
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    int sig = 0;
    const timespec now{0, 0};
    while ((sig = sigtimedwait(&ending, nullptr, &now)) < 0) {
        if (seconds > 0 && std::chrono::steady_clock::now() >= end) {
            sig = 0;
            break;
        }
        if (!plugged && !device.gone() && (options.atStart || controller.inBootloader())) {
            if (!bus.plug(device, kAddress)) {
                std::fprintf(stderr, "korvex-sim: %s\n", bus.error().c_str());
                return -1;
            }
            plugged = true;
            std::printf("usb bus: bootloader of the %s arrived\n",
                        std::string(options.chip->name).c_str());
            std::fflush(stdout);
        }
        if (plugged && device.gone()) {
            bus.unplug(kAddress);
            plugged = false;
            std::printf("usb bus: bootloader left (%s)\n",
                        device.startedApplication() ? "application started" : "vanished");
            std::fflush(stdout);
        }
        bus.iterate(20);
    }
    if (!options.flashFile.empty()) {
        const std::vector<uint8_t> flash = device.flash();
        if (!WriteFile(options.flashFile, std::string(flash.begin(), flash.end()))) {
            std::fprintf(stderr, "korvex-sim: cannot write %s\n", options.flashFile.c_str());
            return -1;
        }
    }
    return sig;
}
