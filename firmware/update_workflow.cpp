#include "firmware/update_workflow.h"

#include "firmware/firmware_image.h"
#include "firmware/isp_sequence.h"
#include "link/device_commands.h"

#include <cstdio>
#include <string>

namespace {
// Button7's marker after the loader's message, written as "%X".
constexpr unsigned kButton7Marker = 155;

void RunIspWithImageBuffer(FirmwareContext& c) {
    c.state.ispResult = RunIspSequence(c.imageBuffer, c.state.imageEndAddress,
                                       c.state.targetChipSize, c.loader, c.dialogs, c.console);
}

// A device already in its bootloader cannot tell its board id, so Auto is not an
// answer here: the user is asked once more for the type, then the update runs at once.
void UpdateDeviceInBootloader(FirmwareContext& c, const std::function<void()>& chooseDeviceType) {
    chooseDeviceType();
    if (c.state.deviceTypeChoice > kLastExplicitBoardId) {
        c.dialogs.showMessage("Choose type of device");
        chooseDeviceType();
        if (c.state.deviceTypeChoice > kLastExplicitBoardId) {
            return;
        }
    }
    const uint8_t boardId = c.state.deviceTypeChoice;
    c.log.append("BrdId>> ");
    c.log.appendLine(std::to_string(boardId));
    std::string message;
    if (!LoadFirmwareImage(c.imageBuffer, c.state, message, boardId)) {
        c.dialogs.showMessage("UpdateErr");
        return;
    }
    RunIspWithImageBuffer(c);
}
} // namespace

void StartDeviceUpdate(FirmwareContext& c, UpdateCountdown& countdown,
                       const std::function<void()>& chooseDeviceType) {
    if (!c.dialogs.confirmYesNo("Program Device?")) {
        return;
    }
    if (!c.port.isOpen()) {
        if (IspBootloaderPresent(c.loader)) {
            UpdateDeviceInBootloader(c, chooseDeviceType);
        } else {
            c.log.appendLine("COM is't open");
        }
        return;
    }
    chooseDeviceType();

    uint8_t boardId = c.state.deviceTypeChoice;
    if (boardId <= kLastExplicitBoardId) {
        c.log.append("BrdId>> ");
        c.log.appendLine(std::to_string(boardId));
    } else {
        c.log.appendLine("id= auto");
        uint8_t answer[kBoardInfoSize] = {};
        if (!requestAnswer(c.port, Cmd::BoardInfo, kBoardInfoSize, answer)) {
            c.log.appendLine("Read err");
            return;
        }
        boardId = answer[kBoardInfoIdIndex];
        c.log.append("BrdId= ");
        c.log.appendLine(std::to_string(boardId));
    }

    std::string message;
    if (!LoadFirmwareImage(c.imageBuffer, c.state, message, boardId)) {
        c.dialogs.showMessage("UpdateErr");
        return;
    }
    if (sendCommand(c.port, Cmd::StartBootloader, message)) {
        countdown.start();
    }
    c.log.appendLine(message);
}

void LoadBoardTwoImage(FirmwareContext& c) {
    std::string message;
    LoadFirmwareImage(c.imageBuffer, c.state, message, 2);
    c.log.appendLine(message);
    char marker[16];
    std::snprintf(marker, sizeof marker, "%X", kButton7Marker);
    c.log.appendLine(marker);
}

void ProgramImageBuffer(FirmwareContext& c) {
    RunIspWithImageBuffer(c);
}

void UpdateCountdownReachedOne(FirmwareContext& c) {
    RunIspWithImageBuffer(c);
}
