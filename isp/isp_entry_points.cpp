// The library's C entry points: the 49 names the ISP sequence looks up, plus three
// of KORVEX's own for the update's progress display and its recovery path. The
// ones the sequence never calls answer "not supported".

#include "firmware/isp_api.h"
#include "isp/isp_session.h"
#include "isp/libusb_transport.h"

#define ISP_EXPORT extern "C" __attribute__((visibility("default")))

namespace {
struct Library {
    LibusbTransport transport;
    SteadyIspClock clock;
    IspSession session{transport, clock};
};

Library& Lib() {
    static Library library;
    return library;
}

IspSession& Session() {
    return Lib().session;
}
} // namespace

ISP_EXPORT int ispInit() {
    return Session().init() ? 1 : 0;
}
ISP_EXPORT int ispSetLogEnabled(int) {
    return 1;
}
ISP_EXPORT int ispSelectDevice(const char* name) {
    return Session().selectDevice(name) ? 1 : 0;
}
ISP_EXPORT int ispSelectCommHardware(int interface) {
    return Session().selectCommHardware(interface) ? 1 : 0;
}
ISP_EXPORT int ispOpenUsbPort() {
    return Session().openUsbPort() ? 1 : 0;
}
ISP_EXPORT int ispReadSpecialByte(int index) {
    return Session().readSpecialByte(index) ? 1 : 0;
}
ISP_EXPORT const char* ispGetLastResult() {
    return Session().lastResult();
}
ISP_EXPORT int ispEraseDevice() {
    return Session().eraseDevice() ? 1 : 0;
}
ISP_EXPORT int ispParseHexFile(const char* path) {
    return Session().parseHexFile(path) ? 1 : 0;
}
ISP_EXPORT int ispFillBufferAddrRange(unsigned first, unsigned last, const char* hexByte) {
    return Session().fillBufferAddrRange(first, last, hexByte) ? 1 : 0;
}
ISP_EXPORT int ispProgramDevice() {
    return Session().programDevice() ? 1 : 0;
}
ISP_EXPORT int ispEnterAppliMode(int, int) {
    return Session().enterAppliMode() ? 1 : 0;
}
ISP_EXPORT int ispGetLastError() {
    return Session().lastError();
}
ISP_EXPORT const char* ispGetLastErrorMssg() {
    return Session().lastErrorMessage();
}
ISP_EXPORT int ispExit() {
    Session().exit();
    return 1;
}

// KORVEX's own: progress of the running step (percent and text) and whether a
// bootloader is on the bus.
ISP_EXPORT int korvexIspProgress() {
    return Session().progressPercent();
}
ISP_EXPORT const char* korvexIspStep() {
    return Session().stepText();
}
ISP_EXPORT int korvexIspBootloaderPresent() {
    return Session().bootloaderPresent() ? 1 : 0;
}

#define ISP_NOT_SUPPORTED(name)                                                                    \
    ISP_EXPORT int name() {                                                                        \
        Session().notSupported(#name);                                                             \
        return 0;                                                                                  \
    }

ISP_NOT_SUPPORTED(ispOpenRs232Port)
ISP_NOT_SUPPORTED(ispSyncTarget)
ISP_NOT_SUPPORTED(ispBlankCheckMemory)
ISP_NOT_SUPPORTED(ispProgramAddrRange)
ISP_NOT_SUPPORTED(ispReadDevice)
ISP_NOT_SUPPORTED(ispReadAddrRange)
ISP_NOT_SUPPORTED(ispVerifyDevice)
ISP_NOT_SUPPORTED(ispUpdateCmdsIds)
ISP_NOT_SUPPORTED(ispOpenCanPort)
ISP_NOT_SUPPORTED(ispSelectCanNode)
ISP_NOT_SUPPORTED(ispSelectMemory)
ISP_NOT_SUPPORTED(ispGetDeviceIndex)
ISP_NOT_SUPPORTED(ispDataLog)
ISP_NOT_SUPPORTED(ispSetDebugMode)
ISP_NOT_SUPPORTED(ispOpenLogFile)
ISP_NOT_SUPPORTED(ispExecCmd)
ISP_NOT_SUPPORTED(ispGetMemorySize)
ISP_NOT_SUPPORTED(ispReadSignatureBytes)
ISP_NOT_SUPPORTED(ispBlankCheckAddrRange)
ISP_NOT_SUPPORTED(ispSetSecurityLevel)
ISP_NOT_SUPPORTED(ispGetErrorVecPtr)
ISP_NOT_SUPPORTED(ispGetBufferAddrHi)
ISP_NOT_SUPPORTED(ispGetBufferAddrLo)
ISP_NOT_SUPPORTED(ispSerialize)
ISP_NOT_SUPPORTED(ispWriteSpecialByte)
ISP_NOT_SUPPORTED(ispGetErrorMssgFromIdx)
ISP_NOT_SUPPORTED(ispSetTimeout)
ISP_NOT_SUPPORTED(ispSetAutoIsp)
ISP_NOT_SUPPORTED(ispWriteHexFile)
ISP_NOT_SUPPORTED(ispSetDtrLow)
ISP_NOT_SUPPORTED(ispSetDtrHigh)
ISP_NOT_SUPPORTED(ispSetRtsLow)
ISP_NOT_SUPPORTED(ispSetRtsHigh)
ISP_NOT_SUPPORTED(ispEnterIspMode)
