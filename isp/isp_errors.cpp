#include "isp/isp_errors.h"

#include <array>
#include <utility>

namespace {
constexpr std::array<std::pair<IspError, const char*>, 22> kTexts = {{
    {IspError::None, "no error"},
    {IspError::NotSupported, "not supported"},
    {IspError::NoDeviceSelected, "no device selected"},
    {IspError::UnknownDevice, "unknown device"},
    {IspError::UnknownInterface, "only USB is supported"},
    {IspError::NotOpen, "the USB port is not open"},
    {IspError::NoBootloader, "no bootloader found"},
    {IspError::NoPermission, "no permission to the USB device"},
    {IspError::DeviceBusy, "the USB device is in use by another program"},
    {IspError::UsbFailure, "USB failure"},
    {IspError::WrongChip, "wrong chip for the image"},
    {IspError::DeviceLost, "device lost mid-transfer"},
    {IspError::NoAnswer, "the device did not answer"},
    {IspError::DeviceRefused, "the device refused a request"},
    {IspError::EraseFailed, "erase failed"},
    {IspError::WriteRefused, "write refused"},
    {IspError::ReadFailed, "read-back failed"},
    {IspError::ReadProtected, "the flash is read-protected"},
    {IspError::VerifyMismatch, "verify mismatch"},
    {IspError::HexFileUnreadable, "HEX file unreadable"},
    {IspError::BeyondApplicationArea, "image beyond the chip's application area"},
    {IspError::StartFailed, "starting the application failed"},
}};
} // namespace

const char* IspErrorText(IspError error) {
    for (const auto& [e, text] : kTexts) {
        if (e == error) {
            return text;
        }
    }
    return "unknown error";
}

IspFailure MakeFailure(IspError error, const std::string& detail) {
    std::string message = IspErrorText(error);
    if (!detail.empty()) {
        message += ": " + detail;
    }
    return {error, message};
}
