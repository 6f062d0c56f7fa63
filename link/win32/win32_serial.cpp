#include "link/win32/win32_serial.h"

#include <bit>
#include <cstddef>

// <windows.h> declares its own DCB; under another name here it cannot clash with
// KORVEX's record, which has the same layout and is copied across whole.
#define DCB WindowsDcb
#include <windows.h>
#undef DCB

static_assert(sizeof(WindowsDcb) == sizeof(DCB));
static_assert(offsetof(WindowsDcb, BaudRate) == offsetof(DCB, BaudRate));
static_assert(offsetof(WindowsDcb, wReserved) == offsetof(DCB, wReserved));
static_assert(offsetof(WindowsDcb, XonLim) == offsetof(DCB, XonLim));
static_assert(offsetof(WindowsDcb, ByteSize) == offsetof(DCB, ByteSize));
static_assert(offsetof(WindowsDcb, XonChar) == offsetof(DCB, XonChar));
static_assert(offsetof(WindowsDcb, EvtChar) == offsetof(DCB, EvtChar));
static_assert(offsetof(WindowsDcb, wReserved1) == offsetof(DCB, wReserved1));
static_assert(sizeof(COMMTIMEOUTS) == sizeof(CommTimeouts));
static_assert(PURGE_TXABORT == kPurgeTxAbort && PURGE_RXABORT == kPurgeRxAbort &&
              PURGE_TXCLEAR == kPurgeTxClear && PURGE_RXCLEAR == kPurgeRxClear);

namespace {

HANDLE Handle(void* h) {
    return static_cast<HANDLE>(h);
}

} // namespace

Win32Serial::~Win32Serial() {
    closeDevice();
}

bool Win32Serial::failed() {
    error_ = static_cast<int>(GetLastError());
    return false;
}

bool Win32Serial::openDevice(const std::string& deviceName) {
    closeDevice();
    const HANDLE h = CreateFileA(deviceName.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                 OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        return failed();
    }
    handle_ = h;
    return true;
}

bool Win32Serial::setupQueues(uint32_t rxSize, uint32_t txSize) {
    return SetupComm(Handle(handle_), rxSize, txSize) || failed();
}

bool Win32Serial::getState(DCB& dcb) {
    WindowsDcb state{};
    state.DCBlength = sizeof state;
    if (!GetCommState(Handle(handle_), &state)) {
        return failed();
    }
    dcb = std::bit_cast<DCB>(state);
    return true;
}

bool Win32Serial::setState(const DCB& dcb) {
    WindowsDcb state = std::bit_cast<WindowsDcb>(dcb);
    return SetCommState(Handle(handle_), &state) || failed();
}

bool Win32Serial::getTimeouts(CommTimeouts& timeouts) {
    COMMTIMEOUTS t{};
    if (!GetCommTimeouts(Handle(handle_), &t)) {
        return failed();
    }
    timeouts = {t.ReadIntervalTimeout, t.ReadTotalTimeoutMultiplier, t.ReadTotalTimeoutConstant,
                t.WriteTotalTimeoutMultiplier, t.WriteTotalTimeoutConstant};
    return true;
}

bool Win32Serial::setTimeouts(const CommTimeouts& timeouts) {
    COMMTIMEOUTS t{timeouts.ReadIntervalTimeout, timeouts.ReadTotalTimeoutMultiplier,
                   timeouts.ReadTotalTimeoutConstant, timeouts.WriteTotalTimeoutMultiplier,
                   timeouts.WriteTotalTimeoutConstant};
    return SetCommTimeouts(Handle(handle_), &t) || failed();
}

bool Win32Serial::purge(uint32_t actions) {
    return PurgeComm(Handle(handle_), actions) || failed();
}

bool Win32Serial::flush() {
    return FlushFileBuffers(Handle(handle_)) || failed();
}

bool Win32Serial::write(const uint8_t* bytes, uint32_t count, uint32_t& done) {
    DWORD written = 0;
    const bool ok = WriteFile(Handle(handle_), bytes, count, &written, nullptr);
    done = written;
    return ok || failed();
}

bool Win32Serial::read(uint8_t* dest, uint32_t count, uint32_t& done) {
    DWORD got = 0;
    const bool ok = ReadFile(Handle(handle_), dest, count, &got, nullptr);
    done = got;
    return ok || failed();
}

bool Win32Serial::closeDevice() {
    if (handle_ == nullptr) {
        return true;
    }
    if (!CloseHandle(Handle(handle_))) {
        return failed();
    }
    handle_ = nullptr;
    return true;
}

std::unique_ptr<SerialBackend> MakePlatformSerialBackend() {
    return std::make_unique<Win32Serial>();
}
