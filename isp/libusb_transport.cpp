#include "isp/libusb_transport.h"

#include <libusb.h>

#include <string>

namespace {
OpenResult OpenResultOf(int error) {
    switch (error) {
    case LIBUSB_ERROR_ACCESS:
        return OpenResult::NoPermission;
    case LIBUSB_ERROR_BUSY:
        return OpenResult::Busy;
    case LIBUSB_ERROR_NO_DEVICE:
    case LIBUSB_ERROR_NOT_FOUND:
        return OpenResult::NotFound;
    default:
        return OpenResult::Failed;
    }
}
} // namespace

OpenOutcome LibusbTransport::open(uint16_t vendorId, uint16_t productId) {
    close();
    OpenOutcome outcome;
    if (const int r = libusb_init(&context_); r != 0) {
        context_ = nullptr;
        outcome.result = OpenResult::Failed;
        outcome.where = std::string("libusb_init: ") + libusb_strerror(r);
        return outcome;
    }
    libusb_device** list = nullptr;
    const ssize_t count = libusb_get_device_list(context_, &list);
    libusb_device* first = nullptr;
    for (ssize_t i = 0; i < count; ++i) {
        libusb_device_descriptor d{};
        if (libusb_get_device_descriptor(list[i], &d) == 0 && d.idVendor == vendorId &&
            d.idProduct == productId && ++outcome.matching == 1) {
            first = list[i];
        }
    }
    int r = LIBUSB_ERROR_NOT_FOUND;
    if (first != nullptr) {
        outcome.where = "bus " + std::to_string(libusb_get_bus_number(first)) + " device " +
                        std::to_string(libusb_get_device_address(first));
        r = libusb_open(first, &handle_);
    }
    if (count > 0) {
        libusb_free_device_list(list, 1);
    }
    if (r == 0) {
        // Not every platform can detach a kernel driver; none is expected here anyway.
        libusb_set_auto_detach_kernel_driver(handle_, 1);
        libusb_set_configuration(handle_, 1);
        r = libusb_claim_interface(handle_, 0);
        if (r == 0) {
            outcome.result = OpenResult::Opened;
            return outcome;
        }
    }
    outcome.result = OpenResultOf(r);
    if (outcome.result == OpenResult::Failed) {
        outcome.where += std::string(": ") + libusb_strerror(r);
    }
    close();
    return outcome;
}

int LibusbTransport::control(uint8_t requestType, uint8_t request, uint16_t value, uint8_t* data,
                             uint16_t length, unsigned timeoutMs) {
    if (handle_ == nullptr) {
        return kTransferNoDevice;
    }
    return libusb_control_transfer(handle_, requestType, request, value, 0, data, length,
                                   timeoutMs);
}

void LibusbTransport::close() {
    if (handle_ != nullptr) {
        // A device that started its application has left: releasing may fail.
        libusb_release_interface(handle_, 0);
        libusb_close(handle_);
        handle_ = nullptr;
    }
    if (context_ != nullptr) {
        libusb_exit(context_);
        context_ = nullptr;
    }
}
