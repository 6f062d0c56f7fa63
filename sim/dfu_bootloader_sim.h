#pragma once

// The chips' USB bootloader as a device model: DFU states and status codes, the
// chip maker's command set, flash locked until a chip erase, and named faults.
// control() takes one control transfer as the USB host sends it; the in-process
// transport below and the emulated USB bus (usb_bus_sim) both feed it.
//
// Faults (setFault):
//   Vanish        leaves the bus during the second program block
//   FlipByte      stores one byte of each program block with a bit flipped
//   StallBlock    stalls the second program block (errWRITE)
//   SlowErase     answers errNOTDONE / dfuDNBUSY to the first polls after an erase
//   WrongSignature reports the signature of the other chip
//   ReadProtected  stalls every flash read (errFILE)
//
// Every public member is thread-safe.

#include "isp/dfu_protocol.h"
#include "isp/dfu_transport.h"
#include "isp/isp_chips.h"

#include <cstdint>
#include <mutex>
#include <vector>

class DfuBootloaderSim {
  public:
    enum class Fault {
        None,
        Vanish,
        FlipByte,
        StallBlock,
        SlowErase,
        WrongSignature,
        ReadProtected
    };

    explicit DfuBootloaderSim(const IspChip& chip);

    const IspChip& chip() const { return chip_; }
    void setFault(Fault fault);
    // bwPollTimeout of every status answer; 0 models a device without delays.
    void setPollTimeoutMs(uint32_t ms);
    // GETSTATUS polls answered "still erasing" after an erase with Fault::SlowErase.
    void setBusyPolls(int polls);

    // One control transfer: bytes moved, or a TransferError.
    int control(uint8_t requestType, uint8_t request, uint16_t value, uint8_t* data,
                uint16_t length);

    // The application area as stored (unprogrammed bytes read 0xFF).
    std::vector<uint8_t> flash() const;
    // True once the device left the bus (started the application or vanished).
    bool gone() const;
    bool startedApplication() const;
    int erases() const;

    // No factory part has been read for the version and the two boot ids; these are
    // the open-source re-implementation's values, the only ones on record.
    static constexpr uint8_t kBootloaderVersion = 0x20;
    static constexpr uint8_t kBootId1 = 0xDC;
    static constexpr uint8_t kBootId2 = 0xFB;
    // The bootloader's own maker code, not the 0x1E that opens the signature: an
    // AT90USB1287 answers 58 1E 97 82, so family, name and revision are the
    // signature bytes (inferred for these two chips from that mapping).
    static constexpr uint8_t kManufacturerCode = 0x58;

  private:
    enum class Pending { None, Read, InfoByte, BlankAddress };

    int dnload(const uint8_t* data, uint16_t length);
    int upload(uint8_t* data, uint16_t length);
    int getStatus(uint8_t* data, uint16_t length);
    int fail(uint8_t status, int result = 0);
    int stall(uint8_t status) { return fail(status, kTransferStall); }
    int program(const uint8_t* data, uint16_t length);
    int readCommand(const uint8_t* data, uint16_t length);
    int infoCommand(const uint8_t* data, uint16_t length);
    bool rangeOf(const uint8_t* data, uint32_t& first, uint32_t& last) const;

    const IspChip& chip_;
    mutable std::mutex mutex_;
    std::vector<uint8_t> flash_;
    Fault fault_ = Fault::None;
    uint32_t pollTimeoutMs_ = 1;
    int busyPollsSetting_ = 3;
    int busyPolls_ = 0;
    uint8_t status_ = dfu::Ok;
    uint8_t state_ = dfu::DfuIdle;
    bool unlocked_ = false;
    bool startRequested_ = false;
    bool started_ = false;
    bool vanished_ = false;
    int blocks_ = 0;
    int erases_ = 0;
    Pending pending_ = Pending::None;
    uint32_t readFirst_ = 0;
    uint32_t readLast_ = 0;
    uint8_t pendingByte_ = 0;
};

// The transport over simulated bootloaders in this process: open() takes the
// first of them with the wanted id that is still on the bus.
class SimDfuTransport : public DfuTransport {
  public:
    explicit SimDfuTransport(std::vector<DfuBootloaderSim*> devices)
        : devices_(std::move(devices)) {}

    OpenOutcome open(uint16_t vendorId, uint16_t productId) override;
    int control(uint8_t requestType, uint8_t request, uint16_t value, uint8_t* data,
                uint16_t length, unsigned timeoutMs) override;
    void close() override { open_ = nullptr; }

    // Refuses every open as a missing udev rule would.
    bool denyAccess = false;
    // Control transfers that reached a device.
    size_t transfers = 0;

  private:
    std::vector<DfuBootloaderSim*> devices_;
    DfuBootloaderSim* open_ = nullptr;
};
