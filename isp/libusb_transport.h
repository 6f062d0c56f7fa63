#pragma once

#include "isp/dfu_transport.h"

struct libusb_context;
struct libusb_device_handle;

// The transport over libusb-1.0. Every open() starts a fresh libusb context, so a
// device that arrived since the last look is seen without hot-plug support.
class LibusbTransport : public DfuTransport {
  public:
    LibusbTransport() = default;
    ~LibusbTransport() override { close(); }
    LibusbTransport(const LibusbTransport&) = delete;
    LibusbTransport& operator=(const LibusbTransport&) = delete;

    OpenOutcome open(uint16_t vendorId, uint16_t productId) override;
    int control(uint8_t requestType, uint8_t request, uint16_t value, uint8_t* data,
                uint16_t length, unsigned timeoutMs) override;
    void close() override;

  private:
    libusb_context* context_ = nullptr;
    libusb_device_handle* handle_ = nullptr;
};
