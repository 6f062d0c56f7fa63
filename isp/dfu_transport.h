#pragma once

#include <cstdint>
#include <string>

// The seam between the protocol and the USB stack: the library uses libusb, tests
// and the benchmark plug the simulated bootloader in directly.

// Negative results of a control transfer (the values libusb uses).
enum TransferError : int {
    kTransferIo = -1,
    kTransferAccess = -3,
    kTransferNoDevice = -4,
    kTransferBusy = -6,
    kTransferTimeout = -7,
    kTransferStall = -9,
};

enum class OpenResult { Opened, NotFound, NoPermission, Busy, Failed };

struct OpenOutcome {
    OpenResult result = OpenResult::NotFound;
    // Devices with the wanted id on the bus (the first one is opened).
    int matching = 0;
    // Bus and address of the device opened or refused ("bus 1 device 5"), or the
    // system's reason when the USB stack itself failed.
    std::string where;
};

class DfuTransport {
  public:
    virtual ~DfuTransport() = default;
    // Opens the first device with this id and claims interface 0.
    virtual OpenOutcome open(uint16_t vendorId, uint16_t productId) = 0;
    // Bytes moved, or a TransferError.
    virtual int control(uint8_t requestType, uint8_t request, uint16_t value, uint8_t* data,
                        uint16_t length, unsigned timeoutMs) = 0;
    // Releases the device; a device that already left the bus is fine.
    virtual void close() = 0;
};

// Time as the engine sees it, so tests and the benchmark never wait for real.
class IspClock {
  public:
    virtual ~IspClock() = default;
    virtual uint64_t nowMs() = 0;
    virtual void sleepMs(uint32_t ms) = 0;
};

class SteadyIspClock : public IspClock {
  public:
    uint64_t nowMs() override;
    void sleepMs(uint32_t ms) override;
};
