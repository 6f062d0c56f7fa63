#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// The chips' USB bootloader: DFU class requests carrying the chip maker's command
// set. Everything here works on plain bytes, so answers can be decoded (and
// checked) without a device.

namespace dfu {

inline constexpr uint8_t kRequestOut = 0x21; // host to device, class, interface
inline constexpr uint8_t kRequestIn = 0xA1;  // device to host, class, interface

enum Request : uint8_t {
    Detach = 0,
    Dnload = 1,
    Upload = 2,
    GetStatus = 3,
    ClrStatus = 4,
    GetState = 5,
    Abort = 6,
};

enum Status : uint8_t {
    Ok = 0x00,
    ErrTarget = 0x01,
    ErrFile = 0x02,
    ErrWrite = 0x03,
    ErrErase = 0x04,
    ErrCheckErased = 0x05,
    ErrProg = 0x06,
    ErrVerify = 0x07,
    ErrAddress = 0x08,
    ErrNotDone = 0x09,
    ErrFirmware = 0x0A,
    ErrVendor = 0x0B,
    ErrUsbr = 0x0C,
    ErrPor = 0x0D,
    ErrUnknown = 0x0E,
    ErrStalledPkt = 0x0F,
};

enum State : uint8_t {
    AppIdle = 0,
    AppDetach = 1,
    DfuIdle = 2,
    DnloadSync = 3,
    DnBusy = 4,
    DnloadIdle = 5,
    ManifestSync = 6,
    Manifest = 7,
    ManifestWaitReset = 8,
    UploadIdle = 9,
    DfuError = 10,
};

inline constexpr size_t kStatusBytes = 6;
inline constexpr size_t kBlockHeaderBytes = 32;
inline constexpr size_t kBlockSuffixBytes = 16;
inline constexpr size_t kMaxBlockData = 1024;
inline constexpr size_t kMaxUpload = 1024;

// One GETSTATUS answer.
struct StatusRecord {
    uint8_t status = Ok;
    uint32_t pollTimeoutMs = 0;
    uint8_t state = DfuIdle;
};

// Decodes a GETSTATUS answer; nothing when it is short.
std::optional<StatusRecord> DecodeStatus(const uint8_t* bytes, size_t count);
// Encodes one (the simulated device answers with it).
void EncodeStatus(const StatusRecord& record, uint8_t out[kStatusBytes]);

// The address a failed blank check reports (2 bytes, big-endian); nothing when short.
std::optional<uint16_t> DecodeBlankCheckAddress(const uint8_t* bytes, size_t count);

// "errWRITE (0x03)" and the like; unknown codes still name their number.
std::string StatusName(uint8_t status);

// Command payloads of the DNLOAD requests (addresses big-endian, ends inclusive).
std::vector<uint8_t> EraseChipCommand();
std::vector<uint8_t> SelectPageCommand(uint8_t page);
std::vector<uint8_t> ReadFlashCommand(uint16_t first, uint16_t last);
std::vector<uint8_t> BlankCheckCommand(uint16_t first, uint16_t last);
std::vector<uint8_t> StartApplicationCommand();
// 05 group: `group` 0 = bootloader info, 1 = signature info.
std::vector<uint8_t> ReadInfoCommand(uint8_t group, uint8_t index);
// Program block: header, filler to the 32-byte boundary of `first`, the data, suffix.
std::vector<uint8_t> ProgramFlashBlock(uint16_t first, const uint8_t* data, size_t count);

// Byte positions of a program block's data inside its payload.
inline size_t BlockFillerBytes(uint16_t first) {
    return first % 32u;
}

inline constexpr uint8_t kInfoBootloader = 0x00;
inline constexpr uint8_t kInfoSignature = 0x01;
inline constexpr uint8_t kIndexVersion = 0x00;
inline constexpr uint8_t kIndexBootId1 = 0x01;
inline constexpr uint8_t kIndexBootId2 = 0x02;
inline constexpr uint8_t kIndexManufacturer = 0x30;
inline constexpr uint8_t kIndexFamily = 0x31;
inline constexpr uint8_t kIndexProductName = 0x60;
inline constexpr uint8_t kIndexProductRevision = 0x61;

} // namespace dfu
