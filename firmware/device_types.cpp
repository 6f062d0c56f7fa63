#include "firmware/device_types.h"

#include <string>

void ApplyDeviceTypeChoice(bool autoChecked, int selectedIndex, FirmwareState& state,
                           Dialogs& dialogs) {
    if (autoChecked) {
        state.deviceTypeChoice = kAutoDeviceType;
        return;
    }
    if (selectedIndex < 0 || static_cast<size_t>(selectedIndex) >= kDeviceTypes.size()) {
        dialogs.showMessage("Choose type of device");
        return;
    }
    const int boardId = std::stoi(kDeviceTypes[static_cast<size_t>(selectedIndex)].boardIdText);
    state.deviceTypeChoice = static_cast<uint8_t>(boardId);
}
