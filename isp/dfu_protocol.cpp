#include "isp/dfu_protocol.h"

#include <array>
#include <cstdio>

namespace dfu {

namespace {
void PutAddress(std::vector<uint8_t>& bytes, uint16_t address) {
    bytes.push_back(static_cast<uint8_t>(address >> 8));
    bytes.push_back(static_cast<uint8_t>(address & 0xFF));
}

std::vector<uint8_t> RangeCommand(uint8_t group, uint8_t sub, uint16_t first, uint16_t last) {
    std::vector<uint8_t> bytes{group, sub};
    PutAddress(bytes, first);
    PutAddress(bytes, last);
    return bytes;
}
} // namespace

std::optional<StatusRecord> DecodeStatus(const uint8_t* bytes, size_t count) {
    if (bytes == nullptr || count < kStatusBytes) {
        return std::nullopt;
    }
    StatusRecord r;
    r.status = bytes[0];
    r.pollTimeoutMs = bytes[1] | (uint32_t{bytes[2]} << 8) | (uint32_t{bytes[3]} << 16);
    r.state = bytes[4];
    return r;
}

void EncodeStatus(const StatusRecord& record, uint8_t out[kStatusBytes]) {
    out[0] = record.status;
    out[1] = static_cast<uint8_t>(record.pollTimeoutMs & 0xFF);
    out[2] = static_cast<uint8_t>((record.pollTimeoutMs >> 8) & 0xFF);
    out[3] = static_cast<uint8_t>((record.pollTimeoutMs >> 16) & 0xFF);
    out[4] = record.state;
    out[5] = 0;
}

std::optional<uint16_t> DecodeBlankCheckAddress(const uint8_t* bytes, size_t count) {
    if (bytes == nullptr || count < 2) {
        return std::nullopt;
    }
    return static_cast<uint16_t>((bytes[0] << 8) | bytes[1]);
}

std::string StatusName(uint8_t status) {
    static constexpr std::array<const char*, 16> kNames = {
        "OK",      "errTARGET", "errFILE",    "errWRITE",     "errERASE",    "errCHECK_ERASED",
        "errPROG", "errVERIFY", "errADDRESS", "errNOTDONE",   "errFIRMWARE", "errVENDOR",
        "errUSBR", "errPOR",    "errUNKNOWN", "errSTALLEDPKT"};
    char number[8];
    std::snprintf(number, sizeof number, "0x%02X", status);
    const std::string name = status < kNames.size() ? kNames[status] : "status";
    return name + " (" + number + ")";
}

std::vector<uint8_t> EraseChipCommand() {
    return {0x04, 0x00, 0xFF};
}

std::vector<uint8_t> SelectPageCommand(uint8_t page) {
    return {0x06, 0x03, 0x00, page};
}

std::vector<uint8_t> ReadFlashCommand(uint16_t first, uint16_t last) {
    return RangeCommand(0x03, 0x00, first, last);
}

std::vector<uint8_t> BlankCheckCommand(uint16_t first, uint16_t last) {
    return RangeCommand(0x03, 0x01, first, last);
}

std::vector<uint8_t> StartApplicationCommand() {
    return {0x04, 0x03, 0x00};
}

std::vector<uint8_t> ReadInfoCommand(uint8_t group, uint8_t index) {
    return {0x05, group, index};
}

std::vector<uint8_t> ProgramFlashBlock(uint16_t first, const uint8_t* data, size_t count) {
    const uint16_t last = static_cast<uint16_t>(first + count - 1);
    std::vector<uint8_t> bytes = RangeCommand(0x01, 0x00, first, last);
    bytes.resize(kBlockHeaderBytes + BlockFillerBytes(first), 0x00);
    bytes.insert(bytes.end(), data, data + count);
    // The trailer the device ignores: no CRC, "DFU" 1.10, ids left at FF.
    static constexpr uint8_t kSuffix[kBlockSuffixBytes] = {0x00, 0x00, 0x00, 0x00, 0x10, 'D',
                                                           'F',  'U',  0x01, 0x10, 0xFF, 0xFF,
                                                           0xFF, 0xFF, 0xFF, 0xFF};
    bytes.insert(bytes.end(), kSuffix, kSuffix + kBlockSuffixBytes);
    return bytes;
}

} // namespace dfu
