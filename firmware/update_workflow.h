#pragma once

#include "core/dialogs.h"
#include "core/my_err_log.h"
#include "firmware/buff.h"
#include "firmware/firmware_state.h"
#include "firmware/library_loader.h"
#include "firmware/update_countdown.h"
#include "link/comm_device.h"

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

// The menu item "UpdateDevice": confirm, ask the device type (`chooseDeviceType`
// shows the dialog modally), read the board id when Auto, load its image, send
// the start-bootloader command and, once it went out, start the countdown. With
// the port closed and a bootloader on USB (a device left there by an earlier
// update) the type must be chosen and the image is programmed at once.
void StartDeviceUpdate(FirmwareContext& c, UpdateCountdown& countdown,
                       const std::function<void()>& chooseDeviceType);

// Hidden developer button: loads the image of board id 2 and logs the loader's message, then "9B".
void LoadBoardTwoImage(FirmwareContext& c);

// Hidden developer button: programs the image buffer as it stands.
void ProgramImageBuffer(FirmwareContext& c);

// What the update countdown sets off when it reaches 1: program the device with
// the image buffer and end address. The result is not examined.
void UpdateCountdownReachedOne(FirmwareContext& c);
