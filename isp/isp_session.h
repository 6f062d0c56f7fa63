#pragma once

#include "isp/dfu_engine.h"
#include "isp/dfu_transport.h"
#include "isp/isp_chips.h"
#include "isp/isp_errors.h"

#include <atomic>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// The library's state between its entry points: the selected chip, the opened
// bootloader, the image buffer over the chip's application area and the last
// failure. Each step returns true on success; a failure is kept for
// lastError()/lastErrorMessage().
//
// The erase asked for by eraseDevice() is carried out by programDevice(), right
// before the first block and only once the buffer's range has been checked, so an
// image that does not fit the chip never leaves it erased.
class IspSession {
  public:
    IspSession(DfuTransport& transport, IspClock& clock) : transport_(transport), clock_(clock) {}

    bool init();
    bool selectDevice(const char* name);
    bool selectCommHardware(int interface);
    // Waits up to kBootloaderWaitMs for the selected chip's bootloader, brings it
    // to dfuIDLE and checks its signature.
    bool openUsbPort();
    // index 0: the bootloader version, as two hexadecimal digits in lastResult().
    bool readSpecialByte(int index);
    bool eraseDevice();
    bool parseHexFile(const char* path);
    bool fillBufferAddrRange(unsigned first, unsigned last, const char* hexByte);
    // Erase (when asked for), program 0..end in whole pages, read back and compare.
    bool programDevice();
    bool enterAppliMode();
    void exit();
    // Records "not supported" for an entry point the library does not implement.
    bool notSupported(const char* name);

    // True when a bootloader of any known chip is on the bus now.
    bool bootloaderPresent();

    int lastError() const { return static_cast<int>(failure_.error); }
    const char* lastErrorMessage() const { return failure_.message.c_str(); }
    const char* lastResult() const { return result_.c_str(); }
    // Progress of the running step, for a progress display on another thread.
    int progressPercent() const { return percent_.load(); }
    const char* stepText() const { return step_.load(); }

    const std::vector<uint8_t>& buffer() const { return buffer_; }
    uint32_t endAddress() const { return end_; }

    static constexpr uint64_t kBootloaderWaitMs = 10000;
    static constexpr uint32_t kBootloaderPollMs = 100;

  private:
    bool fail(IspFailure failure);
    bool fail(IspError error, const std::string& detail = {}) {
        return fail(MakeFailure(error, detail));
    }
    bool succeed();
    bool ready();
    IspFailure checkSignature();
    bool waitForBootloader(OpenOutcome& outcome);
    IspFailure writeFlash(uint32_t last);
    IspFailure verifyFlash(uint32_t last);
    void setProgress(const char* step, int percent);

    DfuTransport& transport_;
    IspClock& clock_;
    std::optional<DfuEngine> engine_;
    const IspChip* chip_ = nullptr;
    std::vector<uint8_t> buffer_;
    uint32_t end_ = 0;
    bool erasePending_ = false;
    // A refused range sticks until the next parse, since the fill calls' results
    // are not looked at.
    IspFailure rangeFailure_;
    IspFailure failure_;
    std::string result_;
    // Said with every failure once several bootloaders of the chip were found.
    std::string note_;
    std::atomic<int> percent_{0};
    std::atomic<const char*> step_{""};
};
