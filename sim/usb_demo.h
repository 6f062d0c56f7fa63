#pragma once

#include "sim/controller_sim.h"
#include "sim/dfu_bootloader_sim.h"

#include <csignal>
#include <string>

// korvex-sim's emulated USB bus: the simulated bootloader appears on it when the
// controller receives the start-bootloader command (or at once), and leaves it
// after its start-application request, as the real device does.
struct UsbDemoOptions {
    const IspChip* chip = &kIspChips[0];
    DfuBootloaderSim::Fault fault = DfuBootloaderSim::Fault::None;
    bool atStart = false;  // on the bus from the start (a device left in its bootloader)
    std::string envFile;   // gets UMOCKDEV_DIR=... and LD_PRELOAD=... lines
    std::string flashFile; // gets the application area at the end
};

// Runs the bus until one of `ending` arrives or `seconds` (when above 0) have
// passed; returns the signal, 0 after the time limit, or -1 when the bus failed or
// the flash could not be written.
int RunUsbBus(const ControllerSim& controller, const UsbDemoOptions& options,
              const sigset_t& ending, long seconds);

// "none", "vanish", "flip-byte", "stall-block", "slow-erase", "wrong-signature",
// "read-protected".
bool ParseUsbFault(const std::string& name, DfuBootloaderSim::Fault& fault);
