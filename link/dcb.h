#pragma once

#include <cstdint>

// The serial line-settings record in the layout of the platform's DCB (28 bytes),
// kept whole so the line-settings dump shows what the driver reported.
struct DCB {
    uint32_t DCBlength = 0;
    uint32_t BaudRate = 0;
    uint32_t flags = 0; // fBinary .. fDummy2, see DcbFlag
    uint16_t wReserved = 0;
    uint16_t XonLim = 0;
    uint16_t XoffLim = 0;
    uint8_t ByteSize = 0;
    uint8_t Parity = 0;
    uint8_t StopBits = 0;
    char XonChar = 0;
    char XoffChar = 0;
    char ErrorChar = 0;
    char EofChar = 0;
    char EvtChar = 0;
    uint16_t wReserved1 = 0;
};
static_assert(sizeof(DCB) == 28);

// Bit fields of DCB::flags: first bit and width.
struct DcbField {
    uint8_t shift;
    uint8_t width;
};

namespace DcbFlag {
inline constexpr DcbField fBinary{0, 1};
inline constexpr DcbField fParity{1, 1};
inline constexpr DcbField fOutxCtsFlow{2, 1};
inline constexpr DcbField fOutxDsrFlow{3, 1};
inline constexpr DcbField fDtrControl{4, 2};
inline constexpr DcbField fDsrSensitivity{6, 1};
inline constexpr DcbField fTXContinueOnXoff{7, 1};
inline constexpr DcbField fOutX{8, 1};
inline constexpr DcbField fInX{9, 1};
inline constexpr DcbField fErrorChar{10, 1};
inline constexpr DcbField fNull{11, 1};
inline constexpr DcbField fRtsControl{12, 2};
inline constexpr DcbField fAbortOnError{14, 1};
inline constexpr DcbField fDummy2{15, 17};
} // namespace DcbFlag

constexpr uint32_t GetDcbFlag(const DCB& dcb, DcbField f) {
    const uint32_t mask = (f.width == 32) ? 0xFFFFFFFFu : ((1u << f.width) - 1u);
    return (dcb.flags >> f.shift) & mask;
}

constexpr void SetDcbFlag(DCB& dcb, DcbField f, uint32_t value) {
    const uint32_t mask = ((1u << f.width) - 1u) << f.shift;
    dcb.flags = (dcb.flags & ~mask) | ((value << f.shift) & mask);
}

// The time-out record (COMMTIMEOUTS), all in milliseconds.
struct CommTimeouts {
    uint32_t ReadIntervalTimeout = 0;
    uint32_t ReadTotalTimeoutMultiplier = 0;
    uint32_t ReadTotalTimeoutConstant = 0;
    uint32_t WriteTotalTimeoutMultiplier = 0;
    uint32_t WriteTotalTimeoutConstant = 0;
};

// Purge actions: abort writes, abort reads, clear transmit, clear receive.
inline constexpr uint32_t kPurgeTxAbort = 0x1;
inline constexpr uint32_t kPurgeRxAbort = 0x2;
inline constexpr uint32_t kPurgeTxClear = 0x4;
inline constexpr uint32_t kPurgeRxClear = 0x8;
inline constexpr uint32_t kPurgeAll = 0xF;
