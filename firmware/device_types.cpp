#include "firmware/device_types.h"

void ApplyDeviceTypeChoice(bool autoChecked, int selectedIndex, FirmwareState& state,
                           Dialogs& dialogs) {
    if (autoChecked) {
        state.deviceTypeChoice = kAutoDeviceType;
        return;
    }
    if (selectedIndex < 0 || static_cast<size_t>(selectedIndex) >= kBoards.size()) {
        dialogs.showMessage("Choose type of device");
        return;
    }
    state.deviceTypeChoice = kBoards[static_cast<size_t>(selectedIndex)].id;
}
