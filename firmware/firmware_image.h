#pragma once

#include "firmware/buff.h"
#include "firmware/firmware_state.h"

#include <cstdint>
#include <string>

// Copies the Intel HEX text of `boardId`'s image to the start of `buffer`.
// `length` is the buffer's capacity on entry and the text length on success.
// A known board id sets `state.targetChipSize` even when the text then does not fit.
bool LoadImageResource(uint8_t* buffer, uint32_t& length, uint8_t boardId, FirmwareState& state);

// Loads and parses the image of `boardId` into `buffer`, sets the image end
// address and chip size in `state`, and replaces `message` with
// "hex, len = <n>\n" plus "parser,len= <bytes>, addr=<last>" when the text was
// complete. False (and nothing changed but the chip size) when there is no image.
bool LoadFirmwareImage(Buff& buffer, FirmwareState& state, std::string& message, uint8_t boardId);

// The firmware's own text inside a parsed image: from 0x102 up to a zero byte,
// at most 19 characters (the build date of the embedded images).
std::string ImageFirmwareText(const Buff& buffer);

// The resource name of `boardId`'s image, or nullptr for a board id without one.
const char* ImageResourceName(uint8_t boardId);
