#include "sim/sim_isp_update.h"

#include <cstdio>
#include <fstream>

namespace {
// The one-byte HEX file: 0x00 at 0 and at `end`, then the end record.
std::string WriteRangeFile(const std::string& dir, uint32_t end) {
    std::string path = dir + "/range.hex";
    char second[32];
    const unsigned low = end & 0xFFFF;
    std::snprintf(second, sizeof second, ":01%04X0000%02X\r\n", low,
                  (0x100 - ((1 + (low >> 8) + (low & 0xFF)) & 0xFF)) & 0xFF);
    std::ofstream(path, std::ios::binary) << ":0100000000FF\r\n" << second << ":00000001FF\r\n";
    return path;
}
} // namespace

std::string RunSessionUpdate(IspSession& session, const std::string& chipName, const uint8_t* image,
                             uint32_t endAddress, const std::string& workDir) {
    if (!session.init() || !session.selectDevice(chipName.c_str()) ||
        !session.selectCommHardware(2)) {
        return "select";
    }
    if (!session.openUsbPort()) {
        return "open";
    }
    if (!session.readSpecialByte(0)) {
        session.exit();
        return "version";
    }
    if (!session.eraseDevice()) {
        session.exit();
        return "erase";
    }
    const std::string path = WriteRangeFile(workDir, endAddress);
    const bool parsed = session.parseHexFile(path.c_str());
    std::remove(path.c_str());
    if (!parsed) {
        session.exit();
        return "parse";
    }
    char text[3];
    for (uint32_t a = 0; a <= endAddress; ++a) {
        std::snprintf(text, sizeof text, "%02X", image[a]);
        session.fillBufferAddrRange(a, a, text);
    }
    if (!session.programDevice()) {
        session.exit();
        return "program";
    }
    if (!session.enterAppliMode()) {
        session.exit();
        return "start";
    }
    session.exit();
    return {};
}
