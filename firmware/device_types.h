#pragma once

#include "core/dialogs.h"
#include "firmware/board_table.h"
#include "firmware/firmware_state.h"

// The dialog's "Set": Auto records kAutoDeviceType; otherwise the selected
// item's board id, or the box "Choose type of device" and no change when no
// item (or no valid index) is selected.
void ApplyDeviceTypeChoice(bool autoChecked, int selectedIndex, FirmwareState& state,
                           Dialogs& dialogs);
