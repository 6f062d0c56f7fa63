#pragma once

// An emulated USB bus (umockdev) on which simulated bootloaders appear, so the
// real libusb of a program started under umockdev's preload finds and programs
// them. Creating the bus points UMOCKDEV_DIR of this process at it; children
// inherit it. The ioctls of the program under test are answered from the GLib
// main context of the thread that runs iterate().

#include "sim/dfu_bootloader_sim.h"

#include <memory>
#include <string>

class UsbBusSim {
  public:
    UsbBusSim();
    ~UsbBusSim();
    UsbBusSim(const UsbBusSim&) = delete;
    UsbBusSim& operator=(const UsbBusSim&) = delete;

    // Puts `device` on the bus as device number `address` of bus 1; false with
    // error() when umockdev refuses. The device must outlive its place on the bus.
    bool plug(DfuBootloaderSim& device, int address);
    // Takes the device off the bus again.
    void unplug(int address);
    // Answers what is waiting, waiting up to `maxWaitMs` for something to arrive.
    void iterate(unsigned maxWaitMs);

    // The value LD_PRELOAD needs for a program to see this bus.
    static const char* preloadLibrary() { return "libumockdev-preload.so.0"; }
    const std::string& error() const { return error_; }

  private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
    std::string error_;
};
