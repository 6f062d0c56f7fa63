#pragma once

#include <cstdint>
#include <optional>
#include <string>

// What one firmware update hands from step to step: the image loader sets the
// chip size and end address, the device-type dialog the choice, and the ISP
// sequence reads them. The program holds one; tests build their own.
struct FirmwareState {
    // "32k" or "16k" from the last load of a known board id; empty until then.
    std::string targetChipSize;
    // Inclusive address of the last byte of the image in the image buffer.
    uint32_t imageEndAddress = 0;
    // A board id (0..4) chosen in the dialog, or kAutoDeviceType and above for Auto.
    uint8_t deviceTypeChoice = 0;
    // What the last ISP sequence returned (0 when complete); nothing until one ran. The
    // window shows the sequence's own boxes; the command line ends with this.
    std::optional<int> ispResult;
};

inline constexpr uint8_t kAutoDeviceType = 100;
// Choices up to this value are explicit board ids; anything above means Auto.
inline constexpr uint8_t kLastExplicitBoardId = 4;
