#include "link/port_selection.h"

#include <charconv>
#include <cstdint>

namespace {

constexpr int kDefaultPort = 7;

// Tries the fixed port, or searches first..last; logs what happened.
void OpenAndReport(CommDevice& port, MyErrLog& log, int chosen, bool autoFlag, int last) {
    if (autoFlag) {
        for (int n = kAutoFirstPort; n <= last; ++n) {
            if (port.open(n)) {
                log.append("Open Com OK, COM");
                log.appendLine(std::to_string(n));
                break;
            }
        }
    } else if (port.open(chosen)) {
        log.appendLine("Open Com OK");
    }
    if (!port.isOpen()) {
        log.appendLine("Open Com ERR");
    }
}

} // namespace

int PortFromText(std::string_view text) {
    if (text.size() <= 3) {
        return kDefaultPort;
    }
    const std::string_view digits = text.substr(3);
    const char* first = digits.data();
    const char* last = first + digits.size();
    // A leading plus sign is still a decimal integer; from_chars alone refuses it.
    if (*first == '+' && digits.size() > 1 && first[1] != '-') {
        ++first;
    }
    // An integer the port list cannot hold (beyond 32 bits) is no port number either.
    int32_t value = 0;
    const auto [end, ec] = std::from_chars(first, last, value);
    if (ec != std::errc{} || end != last) {
        return kDefaultPort;
    }
    return static_cast<int>(static_cast<uint32_t>(value) & 0xFFu);
}

int PortFromLastChar(std::string_view text) {
    if (text.empty() || text.back() < '0' || text.back() > '9') {
        return kDefaultPort;
    }
    return text.back() - '0';
}

void OpenDevice(CommDevice& port, MyErrLog& log, ListSink& listBox2, std::string_view portText,
                bool autoFlag) {
    OpenAndReport(port, log, PortFromText(portText), autoFlag, kAutoLastPort);
    for (const std::string& entry : DcbDump(port.savedSettings())) {
        listBox2.addEntry(entry);
    }
}

void OpenDeviceShort(CommDevice& port, MyErrLog& log, std::string_view portText, bool autoFlag) {
    OpenAndReport(port, log, PortFromLastChar(portText), autoFlag, kAutoLastPortShort);
}

void CloseDevice(CommDevice& port, MyErrLog& log) {
    log.appendLine(port.close() ? "Close Com OK" : "Close Com ERR");
}

std::vector<std::string> DcbDump(const DCB& dcb) {
    const auto code = [](char c) { return std::to_string(static_cast<unsigned char>(c)); };
    const auto flag = [&dcb](DcbField f) { return std::to_string(GetDcbFlag(dcb, f)); };
    return {
        "Struct DCB",
        "DCBlength=" + std::to_string(dcb.DCBlength),
        "BaudRate=" + std::to_string(dcb.BaudRate),
        "fBinary=" + flag(DcbFlag::fBinary),
        "fParity=" + flag(DcbFlag::fParity),
        "fOutxCtsFlow=" + flag(DcbFlag::fOutxCtsFlow),
        "fOutxDsrFlow=" + flag(DcbFlag::fOutxDsrFlow),
        "fDtrControl=" + flag(DcbFlag::fDtrControl),
        "fDsrSensitivity=" + flag(DcbFlag::fDsrSensitivity),
        "fTXContinueOnXoff=" + flag(DcbFlag::fTXContinueOnXoff),
        "fOutX=" + flag(DcbFlag::fOutX),
        "fInX=" + flag(DcbFlag::fInX),
        "fErrorChar=" + flag(DcbFlag::fErrorChar),
        "fNull=" + flag(DcbFlag::fNull),
        "fRtsControl=" + flag(DcbFlag::fRtsControl),
        "fAbortOnError=" + flag(DcbFlag::fAbortOnError),
        "fDummy2=" + flag(DcbFlag::fDummy2),
        "XonLim=" + std::to_string(dcb.XonLim),
        "XoffLim=" + std::to_string(dcb.XoffLim),
        "Parity=" + std::to_string(dcb.Parity),
        "StopBits=" + std::to_string(dcb.StopBits),
        "XonChar=" + code(dcb.XonChar),
        "XoffChar=" + code(dcb.XoffChar),
        "ErrorChar=" + code(dcb.ErrorChar),
        "EofChar=" + code(dcb.EofChar),
        "EvtChar=" + code(dcb.EvtChar),
        "wReserved1=" + std::to_string(dcb.wReserved1),
    };
}
