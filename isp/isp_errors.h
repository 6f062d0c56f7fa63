#pragma once

#include <string>

// The library's last-error numbers, one per cause; the message of each starts with
// its table text and adds what the failing step knows (address, device status).
enum class IspError : int {
    None = 0,
    NotSupported = 1,
    NoDeviceSelected = 2,
    UnknownDevice = 3,
    UnknownInterface = 4,
    NotOpen = 5,
    NoBootloader = 6,
    NoPermission = 7,
    DeviceBusy = 8,
    UsbFailure = 9,
    WrongChip = 10,
    DeviceLost = 11,
    NoAnswer = 12,
    DeviceRefused = 13,
    EraseFailed = 14,
    WriteRefused = 15,
    ReadFailed = 16,
    ReadProtected = 17,
    VerifyMismatch = 18,
    HexFileUnreadable = 19,
    BeyondApplicationArea = 20,
    StartFailed = 21,
};

// The table text of `error` ("no bootloader found", ...).
const char* IspErrorText(IspError error);

// One failure as a step reports it: number and complete message.
struct IspFailure {
    IspError error = IspError::None;
    std::string message;

    explicit operator bool() const { return error != IspError::None; }
};

// The table text, then ": " and `detail` when there is one.
IspFailure MakeFailure(IspError error, const std::string& detail = {});
