#pragma once

#include "core/dialogs.h"
#include "firmware/firmware_state.h"

#include <array>
#include <cstdint>

// The device types the dialog offers, in the order of its list.
struct DeviceType {
    const char* text;
    const char* boardIdText;
};

inline constexpr std::array<DeviceType, 4> kDeviceTypes = {{
    {"display_2016", "0"},
    {"controller_2016", "2"},
    {"display_2018", "3"},
    {"controller_2018", "4"},
}};

// The dialog's "Set": Auto records kAutoDeviceType; otherwise the selected
// item's board id, or the box "Choose type of device" and no change when no
// item (or no valid index) is selected.
void ApplyDeviceTypeChoice(bool autoChecked, int selectedIndex, FirmwareState& state,
                           Dialogs& dialogs);
