#pragma once

#include "link/serial_backend.h"

#include <string>
#include <termios.h>

// The driver's termios as the line-settings record: speed, data bits, parity, stop
// bits, CTS/RTS handshake, software flow control and the control characters; members
// termios has no place for are left as they are in `dcb`.
void DcbFromTermios(const termios& t, DCB& dcb);
// Raw mode plus the record's speed, data bits, parity (and its checking), stop bits and
// CTS/RTS handshake; false, `t` untouched, when termios cannot express them (a speed it
// lacks, 9 data bits ...).
bool TermiosFromDcb(const DCB& dcb, termios& t);

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

    // The port number N at the end of a device name ("Com7" -> 7, "\\.\COM12" -> 12);
    // -1 when the name does not end in a number.
    static int PortNumber(const std::string& deviceName);
    // The tty for port N: $HOME/.korvex/dosdevices/comN when that entry exists, else
    // /dev/ttyS0-1 for COM1-2 and /dev/ttyACM0 upward for COM3 upward; empty for N < 1.
    static std::string ResolvePath(int port);

  private:
    bool fail(int code);
    bool hungUp() const;

    int fd_ = -1;
    int error_ = 0;
    termios original_{};
    // Members of the record termios has no place for (abort-on-error, event
    // character ...), as last set on this descriptor.
    DCB record_{};
    bool haveRecord_ = false;
    CommTimeouts timeouts_{};
};
