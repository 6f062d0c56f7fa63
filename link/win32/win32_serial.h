#pragma once

#include "link/serial_backend.h"

// The Windows serial backend: each method is the one Win32 call of its step, on a
// handle opened synchronously, so the driver applies the line settings and time-outs
// itself. Every failing call keeps GetLastError() for lastError().
class Win32Serial : public SerialBackend {
  public:
    Win32Serial() = default;
    ~Win32Serial() override; // releases a handle still held
    Win32Serial(const Win32Serial&) = delete;
    Win32Serial& operator=(const Win32Serial&) = delete;

    bool openDevice(const std::string& deviceName) override;
    bool setupQueues(uint32_t rxSize, uint32_t txSize) override;
    bool getState(DCB& dcb) override;
    bool setState(const DCB& dcb) override;
    bool getTimeouts(CommTimeouts& timeouts) override;
    bool setTimeouts(const CommTimeouts& timeouts) override;
    bool purge(uint32_t actions) override;
    bool flush() override;
    bool write(const uint8_t* bytes, uint32_t count, uint32_t& done) override;
    bool read(uint8_t* dest, uint32_t count, uint32_t& done) override;
    bool closeDevice() override;
    int lastError() const override { return error_; }

  private:
    bool failed(); // keeps GetLastError() and returns false

    void* handle_ = nullptr; // a HANDLE; nullptr while closed
    int error_ = 0;
};
