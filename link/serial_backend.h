#pragma once

#include "link/dcb.h"

#include <cstdint>
#include <memory>
#include <string>

// The platform's serial calls, one method per call that CommDevice makes, so the
// order of steps stays in portable code. Each failing call keeps the platform's
// error code for lastError() (errno on Linux, GetLastError on Windows).
class SerialBackend {
  public:
    virtual ~SerialBackend() = default;

    // Exclusive read-write open of an existing device; no create.
    virtual bool openDevice(const std::string& deviceName) = 0;
    virtual bool setupQueues(uint32_t rxSize, uint32_t txSize) = 0;
    virtual bool getState(DCB& dcb) = 0;
    virtual bool setState(const DCB& dcb) = 0;
    virtual bool getTimeouts(CommTimeouts& timeouts) = 0;
    virtual bool setTimeouts(const CommTimeouts& timeouts) = 0;
    virtual bool purge(uint32_t actions) = 0;
    virtual bool flush() = 0;
    // One synchronous transfer bounded by the time-outs; `done` is what moved.
    virtual bool write(const uint8_t* bytes, uint32_t count, uint32_t& done) = 0;
    virtual bool read(uint8_t* dest, uint32_t count, uint32_t& done) = 0;
    virtual bool closeDevice() = 0;
    virtual int lastError() const = 0;
};

// The backend of the platform the program was built for.
std::unique_ptr<SerialBackend> MakePlatformSerialBackend();
