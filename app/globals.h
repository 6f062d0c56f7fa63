#pragma once

#include "config/gfg_pars.h"
#include "core/my_err_log.h"
#include "dyno/dino.h"
#include "firmware/buff.h"
#include "firmware/firmware_state.h"
#include "link/comm_device.h"

#include <memory>

// The objects that live for the whole run, as members in their order of
// construction, so C++ destroys them in reverse. The entry point builds one; tests
// build their own.
struct Globals {
    Globals() = default;
    // Benchmarks drive the real windows over a port backend of their own.
    explicit Globals(std::unique_ptr<SerialBackend> backend) : port(std::move(backend)) {}

    MyErrLog log;    // attached to the main window's list by its creation handler
    CommDevice port; // closed; the main window closes it on its way out
    GfgPars cfg;     // the 519-byte configuration block, all zero
    Buff image{Buff::kImageSize};
    Dino dino;
    // Handed from the image loader and the device-type dialog to the ISP sequence.
    FirmwareState firmware;
};
