#pragma once

#include "link/dcb.h"
#include "link/serial_backend.h"

#include <cstdint>
#include <memory>
#include <string>

// The platform name of COM port `port`: "Com7" below 10, "\\.\COM12" from 10 up.
std::string DeviceName(int port);

// The one serial port to the controller. Every operation reports plain success;
// callers read lastError() right after a failure when they print a code.
class CommDevice {
  public:
    CommDevice();
    explicit CommDevice(std::unique_ptr<SerialBackend> backend);
    CommDevice(const CommDevice&) = delete;
    CommDevice& operator=(const CommDevice&) = delete;
    // Deliberately does not close: the main window closes the port on its way out.
    ~CommDevice() = default;

    bool open(int port);
    bool close();
    bool isOpen() const { return open_; }
    bool purge();
    bool write(const uint8_t* bytes, uint32_t count);
    bool read(uint8_t* dest, uint32_t count);

    // The settings the driver reported at the last open, before KORVEX changed them.
    const DCB& savedSettings() const { return saved_; }
    int lastError() const { return backend_->lastError(); }
    SerialBackend& backend() { return *backend_; }

    static constexpr uint32_t kBaudRate = 115200;
    static constexpr uint32_t kQueueSize = 200;
    static constexpr uint32_t kReadTimeoutMs = 2000;
    static constexpr uint32_t kWritePerByteMs = 1000;
    static constexpr uint32_t kWriteConstantMs = 1000;

  private:
    bool configure();

    std::unique_ptr<SerialBackend> backend_;
    bool open_ = false;
    DCB saved_{};
};
