#pragma once

#include "isp/dfu_protocol.h"
#include "isp/dfu_transport.h"
#include "isp/isp_errors.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// The bootloader's protocol over an opened transport. Every step returns a failure
// (empty on success) and leaves the device ready for the next request: an error
// state is cleared before the step returns. Waits go through the clock it is given.
class DfuEngine {
  public:
    DfuEngine(DfuTransport& transport, IspClock& clock) : transport_(transport), clock_(clock) {}

    // ABORT, then GETSTATUS / CLRSTATUS / ABORT rounds until dfuIDLE with OK.
    IspFailure makeIdle();
    // A 05 command and its 1-byte answer (`group`: dfu::kInfoBootloader or kInfoSignature).
    IspFailure readInfo(uint8_t group, uint8_t index, uint8_t& value);
    // Chip erase, polling while the device reports it still working.
    IspFailure eraseChip();
    IspFailure selectPage(uint8_t page);
    // One program block of 1..dfu::kMaxBlockData bytes at `first`.
    IspFailure programBlock(uint16_t first, const uint8_t* data, size_t count);
    // Reads 1..dfu::kMaxUpload bytes from `first` into `out`.
    IspFailure readFlash(uint16_t first, uint8_t* out, size_t count);
    // Starts the application; the device leaves the bus, so nothing is asked after.
    IspFailure startApplication();

    // Control transfers made so far.
    size_t transfers() const { return transfers_; }

    static constexpr unsigned kTransferTimeoutMs = 5000;
    static constexpr uint32_t kBusyPollMinMs = 100;
    static constexpr uint64_t kBusyLimitMs = 20000;

  private:
    int transfer(uint8_t type, uint8_t request, uint16_t value, uint8_t* data, uint16_t length);
    int dnload(const std::vector<uint8_t>& payload);
    int upload(uint8_t* data, uint16_t length);
    IspFailure getStatus(dfu::StatusRecord& record, const std::string& what);
    // DNLOAD of `payload`, then GETSTATUS until the device is done; a refusal is
    // reported as `refused` with `what` and the device's status.
    IspFailure command(const std::vector<uint8_t>& payload, IspError refused,
                       const std::string& what);
    IspFailure awaitDone(IspError refused, const std::string& what);
    // After a STALL: learns the device's status and clears it.
    IspFailure refusedAfterStall(IspError refused, const std::string& what);
    void clearError();

    DfuTransport& transport_;
    IspClock& clock_;
    uint16_t blockNumber_ = 0;
    uint64_t readyAtMs_ = 0;
    size_t transfers_ = 0;
};

// "0x1A2C".
std::string HexAddress(uint32_t address);
// A transfer's failure in words ("the device left the bus", ...), as a failure of `what`.
IspFailure TransferFailure(int result, const std::string& what);
