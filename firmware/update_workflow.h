#pragma once

#include "core/dialogs.h"
#include "core/my_err_log.h"
#include "firmware/firmware_state.h"
#include "firmware/library_loader.h"
#include "link/buff.h"
#include "link/comm_device.h"

#include <cstdint>
#include <functional>
#include <ostream>

// The program's objects the firmware handlers work on; the main window builds
// one from its globals and keeps it for the whole run.
struct FirmwareContext {
    CommDevice& port;
    Buff& imageBuffer;
    FirmwareState& state;
    MyErrLog& log;
    Dialogs& dialogs;
    LibraryLoader& loader;
    std::ostream& console; // where each update writes the bootloader version line
};

// What the update countdown is set to once the start-bootloader command went out.
inline constexpr uint8_t kUpdateCountdownStart = 3;

// The menu item "UpdateDevice": confirm, ask the device type (`chooseDeviceType`
// shows the dialog modally), read the board id when Auto, load its image, send
// the start-bootloader command and, once it went out, set `updateCountdown` to
// kUpdateCountdownStart. With the port closed and a bootloader on USB (a device
// left there by an earlier update) the type must be chosen and the image is
// programmed at once.
void UpdateDeviceClick(FirmwareContext& c, uint8_t& updateCountdown,
                       const std::function<void()>& chooseDeviceType);

// Hidden developer button: loads the image of board id 2 and logs the loader's message, then "9B".
void Button7Click(FirmwareContext& c);

// Hidden developer button: programs the image buffer as it stands.
void Button8Click(FirmwareContext& c);

// What the poll cycle does when the update countdown reaches 1: program the
// device with the image buffer and end address. The result is not examined.
void UpdateCountdownReachedOne(FirmwareContext& c);
