#pragma once

#include "link/comm_device.h"

#include <cstddef>
#include <cstdint>
#include <string>

// The controller's one-byte commands and the lengths of their answers.
namespace Cmd {
inline constexpr uint8_t Connect = '3';
inline constexpr uint8_t WordFrame = '4';
inline constexpr uint8_t ByteFrame = '5';
inline constexpr uint8_t StartBootloader = '6';
inline constexpr uint8_t ReadConfig = '7';
inline constexpr uint8_t WriteConfig = '8';
inline constexpr uint8_t BoardInfo = '9';
inline constexpr uint8_t Reset = 'a';
} // namespace Cmd

inline constexpr uint8_t kConnectReady = 100;
inline constexpr size_t kFrameSize = 24;
inline constexpr size_t kBoardInfoSize = 24;
inline constexpr size_t kConfigBlockSize = 519;
inline constexpr size_t kBoardInfoDateFirst = 6;
inline constexpr size_t kBoardInfoDateLast = 17;
inline constexpr size_t kBoardInfoIdIndex = 23;

// An answer collected one byte at a time gives up after this many consecutive
// empty single-byte reads (2000 ms each), so a silent device ends in failure.
inline constexpr int kMaxEmptyReads = 2;

// Writes the one command byte; `text` becomes "Send OK" or "Send ERR=<code>".
bool sendCommand(CommDevice& port, uint8_t command, std::string& text);

// Purge, send `command`, then collect `count` answer bytes one at a time.
bool requestAnswer(CommDevice& port, uint8_t command, size_t count, uint8_t* dest,
                   size_t* received = nullptr);

// Collects `count` bytes one at a time into `dest`, in order; false at once when the
// port is closed or after kMaxEmptyReads consecutive empty reads. `received`, when
// given, gets the number of bytes that arrived, so a caller can tell silence from a
// short answer.
bool collectAnswer(CommDevice& port, size_t count, uint8_t* dest, size_t* received = nullptr);

// The board information ("9"); on failure appends "COM is't open" or "Read err".
bool requestBoardInfo(CommDevice& port, std::string& text, uint8_t (&answer)[kBoardInfoSize]);

// The firmware date text of a board-information answer (bytes 6..17, up to a zero).
std::string BoardInfoDateText(const uint8_t (&answer)[kBoardInfoSize]);
