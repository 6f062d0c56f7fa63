#include "app/about_box.h"

#include "app/version.h"
#include "firmware/firmware_image.h"
#include "link/device_commands.h"

ProgramVersion BuildVersion() {
    return {
        {KORVEX_VERSION_MAJOR, KORVEX_VERSION_MINOR, KORVEX_VERSION_PATCH, KORVEX_VERSION_TWEAK},
        __DATE__};
}

namespace {
std::string VersionLine(const ProgramVersion& v) {
    std::string line = "Software version: ";
    for (size_t i = 0; i < v.numbers.size(); ++i) {
        line += (i == 0 ? "" : ". ") + std::to_string(v.numbers[i]);
    }
    return line + " " + v.buildDate + "\n";
}
} // namespace

std::string AboutText(CommDevice& port, Buff& image, FirmwareState& firmware,
                      const ProgramVersion& version) {
    // 255 is no board id with an image: what stands when no answer came in full.
    uint8_t boardId = 255;
    std::string deviceFirmware; // "COM is't open" or "Read err" when no answer came
    uint8_t answer[kBoardInfoSize] = {};
    if (requestBoardInfo(port, deviceFirmware, answer)) {
        boardId = answer[kBoardInfoIdIndex];
        deviceFirmware = BoardInfoDateText(answer);
    }
    std::string message;
    const std::string imageFirmware = LoadFirmwareImage(image, firmware, message, boardId)
                                          ? ImageFirmwareText(image)
                                          : std::string("err");
    return std::string("  KORVEX controller ") + kMakerWebAddress + " \n \n" +
           "BrdId: =" + std::to_string(boardId) + "\n" + VersionLine(version) +
           "Firmware date bild: " + deviceFirmware + "\n" + "Update_firmware: " + imageFirmware +
           "\n \n" + "Mail to: " + kMakerMailAddress;
}
