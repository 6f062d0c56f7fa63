#pragma once

#include "firmware/buff.h"
#include "firmware/firmware_state.h"
#include "link/comm_device.h"

#include <array>
#include <cstdint>
#include <string>

// What the program says of itself: the four version numbers (major, minor,
// release, build) and the build date ("Dec  6 2022").
struct ProgramVersion {
    std::array<uint16_t, 4> numbers{};
    std::string buildDate;
};

// The version of this build: the project version and the compiler's build date.
ProgramVersion BuildVersion();

inline constexpr char kMakerWebAddress[] = "www.korvex.example";
inline constexpr char kMakerMailAddress[] = "support@korvex.example";

// The About text: the product line, the board id and firmware date the controller
// reports (when the port is open), the program version, and the build date of the
// firmware this program would install for that board id. Loading that firmware
// leaves it in the image buffer, as an update would.
std::string AboutText(CommDevice& port, Buff& image, FirmwareState& firmware,
                      const ProgramVersion& version);
