#pragma once

#include "link/serial_backend.h"

#include <cstdint>
#include <string>
#include <termios.h>

// The Linux serial backend over termios. A port is opened raw, exclusive (TIOCEXCL
// for ordinary users, flock for everyone including root), without becoming the
// controlling terminal, and non-blocking: every transfer waits in poll() against one
// deadline taken from the time-outs, so a silent peer ends a read after its time-out
// and a peer that hangs up ends it at once, with errno kept as the error code.
class PosixSerial : public SerialBackend {
  public:
    PosixSerial() = default;
    ~PosixSerial() override; // releases a descriptor still held, restoring its termios
    PosixSerial(const PosixSerial&) = delete;
    PosixSerial& operator=(const PosixSerial&) = delete;

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
    bool fail(int code);
    bool hungUp() const;
    // Repeats `step` (given the bytes done so far) until `count` bytes are done, waiting
    // in poll() for `events` while the descriptor is not ready; past the deadline, true
    // with `done` short; `endless` waits without one.
    template <typename Step>
    bool transfer(short events, uint32_t count, bool endless, uint64_t totalMs, uint32_t& done,
                  Step step);

    int fd_ = -1;
    int error_ = 0;
    termios original_{};
    // Members of the record termios has no place for (abort-on-error, event
    // character ...), as last set on this descriptor.
    DCB record_{};
    bool haveRecord_ = false;
    CommTimeouts timeouts_{};
};
