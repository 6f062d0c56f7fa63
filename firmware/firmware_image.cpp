#include "firmware/firmware_image.h"

#include "firmware/board_table.h"
#include "firmware/image_resources.h"
#include "firmware/intel_hex.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr size_t kFirmwareTextAddress = 0x102;
constexpr size_t kFirmwareTextMax = 19;

} // namespace

const char* ImageResourceName(uint8_t boardId) {
    const Board* board = FindBoard(boardId);
    return board == nullptr ? nullptr : board->imageName;
}

bool LoadImageResource(uint8_t* buffer, uint32_t& length, uint8_t boardId, FirmwareState& state) {
    const Board* board = FindBoard(boardId);
    if (board == nullptr) {
        return false;
    }
    state.targetChipSize = board->chipSize;
    const auto resource = FindResource(board->imageName, "fflash");
    if (!resource || resource->size > length) {
        return false;
    }
    std::memcpy(buffer, resource->data, resource->size);
    length = static_cast<uint32_t>(resource->size);
    return true;
}

bool LoadFirmwareImage(Buff& buffer, FirmwareState& state, std::string& message, uint8_t boardId) {
    if (buffer.size() < Buff::kImageSize) {
        return false;
    }
    uint32_t textLength = Buff::kImageSize;
    if (!LoadImageResource(buffer.data(), textLength, boardId, state)) {
        return false;
    }
    message = "hex, len = " + std::to_string(textLength) + "\n";
    uint32_t dataBytes = 0;
    uint32_t lastAddress = 0;
    if (ParseIntelHex({buffer.data(), buffer.size()}, textLength, dataBytes, lastAddress)) {
        message +=
            "parser,len= " + std::to_string(dataBytes) + ", addr=" + std::to_string(lastAddress);
    }
    state.imageEndAddress = lastAddress;
    return true;
}

std::string ImageFirmwareText(const Buff& buffer) {
    if (buffer.size() <= kFirmwareTextAddress) {
        return {};
    }
    const char* first = reinterpret_cast<const char*>(buffer.data()) + kFirmwareTextAddress;
    const size_t room = std::min(kFirmwareTextMax, buffer.size() - kFirmwareTextAddress);
    return std::string(first, strnlen(first, room));
}
