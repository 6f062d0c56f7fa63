// A stand-in for the vendor ISP library: every entry point records its call,
// the called ones behave like a device with a flash, and any of them can be
// told to fail. See fake_isp_control.h for the controls.
#include "fake_isp_control.h"
#include "firmware/isp_api.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace {

struct Call {
    const char* name;
    std::string args;
};

struct Fake {
    std::vector<Call> calls;
    std::set<std::string> failing;
    int lastError = 7;
    bool hasVersion = true;
    std::string version = "30";
    std::string parsedFile;
    bool rangeSet = false;
    std::vector<uint8_t> buffer; // the library's buffer: addresses 0..size-1
    bool programmed = false;
    std::vector<uint8_t> flash;
    std::string recordPath;
    bool bootloaderPresent = false;

    void reset() {
        std::string keep = std::move(recordPath);
        *this = Fake{};
        recordPath = std::move(keep);
    }

    void readEnvironment() {
        if (const char* fail = std::getenv("KORVEX_FAKE_ISP_FAIL")) {
            std::stringstream names(fail);
            for (std::string n; std::getline(names, n, ',');) {
                failing.insert(n);
            }
        }
        if (const char* e = std::getenv("KORVEX_FAKE_ISP_LAST_ERROR")) {
            lastError = std::atoi(e);
        }
        if (const char* v = std::getenv("KORVEX_FAKE_ISP_VERSION")) {
            version = v;
        }
        bootloaderPresent = std::getenv("KORVEX_FAKE_ISP_BOOTLOADER") != nullptr;
        if (const char* r = std::getenv("KORVEX_FAKE_ISP_RECORD")) {
            recordPath = r;
        }
    }

    // Records the call; true when the test wants this entry point to fail.
    bool call(const char* name, std::string args = {}) {
        calls.push_back({name, std::move(args)});
        return failing.count(name) != 0;
    }

    bool writeRecord(const std::string& path) const {
        std::ofstream out(path, std::ios::app);
        out << "run\n";
        for (const auto& c : calls) {
            out << "call " << c.name << '(' << c.args << ")\n";
        }
        out << "programmed " << flash.size() << '\n';
        char hex[3];
        for (size_t i = 0; i < flash.size(); ++i) {
            std::snprintf(hex, sizeof hex, "%02X", flash[i]);
            out << hex << ((i % 32 == 31 || i + 1 == flash.size()) ? "\n" : "");
        }
        return bool(out);
    }

    ~Fake() {
        if (!recordPath.empty()) {
            writeRecord(recordPath);
        }
    }
};

Fake& fake() {
    static Fake* instance = [] {
        static Fake f;
        f.readEnvironment();
        return &f;
    }();
    return *instance;
}

// Loaded means the environment has been read, before the first call.
[[maybe_unused]] const bool kEnvironmentRead = (fake(), true);

// Reads the data records of an Intel HEX file into the buffer's range; the
// library's range runs from 0 to the highest address the file names.
bool ParseHexFile(const char* name, std::string& text, std::vector<uint8_t>& buffer) {
    std::ifstream in(name, std::ios::binary);
    if (!in) {
        return false;
    }
    std::stringstream content;
    content << in.rdbuf();
    text = content.str();
    std::vector<std::pair<unsigned, unsigned>> bytes;
    std::stringstream lines(text);
    for (std::string line; std::getline(lines, line);) {
        unsigned count = 0, address = 0, type = 0, value = 0;
        if (std::sscanf(line.c_str(), ":%2x%4x%2x%2x", &count, &address, &type, &value) == 4 &&
            type == 0 && count == 1) {
            bytes.emplace_back(address, value);
        }
    }
    if (bytes.empty()) {
        return false;
    }
    unsigned top = 0;
    for (const auto& b : bytes) {
        top = std::max(top, b.first);
    }
    buffer.assign(top + 1, 0xFF);
    for (const auto& b : bytes) {
        buffer[b.first] = static_cast<uint8_t>(b.second);
    }
    return true;
}

} // namespace

extern "C" {

int ispInit(void) {
    return fake().call("ispInit") ? 0 : 1;
}
int ispSetLogEnabled(int on) {
    fake().call("ispSetLogEnabled", std::to_string(on));
    return 1;
}
int ispSelectDevice(const char* device) {
    return fake().call("ispSelectDevice", device) ? 0 : 1;
}
int ispSelectCommHardware(int hardware) {
    return fake().call("ispSelectCommHardware", std::to_string(hardware)) ? 0 : 1;
}
int ispOpenUsbPort(void) {
    return fake().call("ispOpenUsbPort") ? 0 : 1;
}
int ispReadSpecialByte(int which) {
    return fake().call("ispReadSpecialByte", std::to_string(which)) ? 0 : 1;
}
const char* ispGetLastResult(void) {
    Fake& f = fake();
    if (f.call("ispGetLastResult") || !f.hasVersion) {
        return nullptr;
    }
    return f.version.c_str();
}
int ispEraseDevice(void) {
    return fake().call("ispEraseDevice") ? 0 : 1;
}
int ispParseHexFile(const char* name) {
    Fake& f = fake();
    if (f.call("ispParseHexFile", name)) {
        return 0;
    }
    f.rangeSet = ParseHexFile(name, f.parsedFile, f.buffer);
    return f.rangeSet ? 1 : 0;
}
int ispFillBufferAddrRange(unsigned first, unsigned last, const char* text) {
    Fake& f = fake();
    if (f.call("ispFillBufferAddrRange",
               std::to_string(first) + ',' + std::to_string(last) + ',' + text)) {
        return 0;
    }
    unsigned value = 0;
    if (!f.rangeSet || first > last || last >= f.buffer.size() ||
        std::sscanf(text, "%2x", &value) != 1) {
        return 0;
    }
    for (unsigned a = first; a <= last; ++a) {
        f.buffer[a] = static_cast<uint8_t>(value);
    }
    return 1;
}
int ispProgramDevice(void) {
    Fake& f = fake();
    if (f.call("ispProgramDevice") || !f.rangeSet) {
        return 0;
    }
    f.flash = f.buffer;
    f.programmed = true;
    return 1;
}
int ispEnterAppliMode(int a, int b) {
    return fake().call("ispEnterAppliMode", std::to_string(a) + ',' + std::to_string(b)) ? 0 : 1;
}
int ispGetLastError(void) {
    fake().call("ispGetLastError");
    return fake().lastError;
}
const char* ispGetLastErrorMssg(void) {
    fake().call("ispGetLastErrorMssg");
    return "fake failure";
}
int korvexIspBootloaderPresent(void) {
    return fake().bootloaderPresent ? 1 : 0;
}
int ispExit(void) {
    fake().call("ispExit");
    return 1;
}

// Names the sequence looks up but never calls.
#define FAKE_ISP_UNUSED(name)                                                                      \
    int name(void) {                                                                               \
        fake().call(#name);                                                                        \
        return 1;                                                                                  \
    }
FAKE_ISP_UNUSED(ispOpenRs232Port)
FAKE_ISP_UNUSED(ispSyncTarget)
FAKE_ISP_UNUSED(ispBlankCheckMemory)
FAKE_ISP_UNUSED(ispProgramAddrRange)
FAKE_ISP_UNUSED(ispReadDevice)
FAKE_ISP_UNUSED(ispReadAddrRange)
FAKE_ISP_UNUSED(ispVerifyDevice)
FAKE_ISP_UNUSED(ispUpdateCmdsIds)
FAKE_ISP_UNUSED(ispOpenCanPort)
FAKE_ISP_UNUSED(ispSelectCanNode)
FAKE_ISP_UNUSED(ispSelectMemory)
FAKE_ISP_UNUSED(ispGetDeviceIndex)
FAKE_ISP_UNUSED(ispDataLog)
FAKE_ISP_UNUSED(ispSetDebugMode)
FAKE_ISP_UNUSED(ispOpenLogFile)
FAKE_ISP_UNUSED(ispExecCmd)
FAKE_ISP_UNUSED(ispGetMemorySize)
FAKE_ISP_UNUSED(ispReadSignatureBytes)
FAKE_ISP_UNUSED(ispBlankCheckAddrRange)
FAKE_ISP_UNUSED(ispSetSecurityLevel)
FAKE_ISP_UNUSED(ispGetErrorVecPtr)
FAKE_ISP_UNUSED(ispGetBufferAddrLo)
FAKE_ISP_UNUSED(ispSerialize)
FAKE_ISP_UNUSED(ispWriteSpecialByte)
FAKE_ISP_UNUSED(ispGetErrorMssgFromIdx)
FAKE_ISP_UNUSED(ispSetTimeout)
FAKE_ISP_UNUSED(ispSetAutoIsp)
FAKE_ISP_UNUSED(ispWriteHexFile)
FAKE_ISP_UNUSED(ispSetDtrHigh)
FAKE_ISP_UNUSED(ispSetRtsLow)
FAKE_ISP_UNUSED(ispEnterIspMode)
// The variant that lacks two names, so a program run can show the missing-name boxes.
#ifndef KORVEX_FAKE_ISP_LACKING
FAKE_ISP_UNUSED(ispGetBufferAddrHi)
FAKE_ISP_UNUSED(ispSetRtsHigh)
#endif
FAKE_ISP_UNUSED(ispSetDtrLow)
#undef FAKE_ISP_UNUSED

void fakeIspSetBootloaderPresent(int present) {
    fake().bootloaderPresent = present != 0;
}
void fakeIspReset(void) {
    fake().reset();
}
void fakeIspSetFailing(const char* name) {
    fake().failing.insert(name);
}
void fakeIspSetLastError(int error) {
    fake().lastError = error;
}
void fakeIspSetVersion(const char* text) {
    fake().hasVersion = text != nullptr;
    fake().version = text != nullptr ? text : "";
}
size_t fakeIspCallCount(void) {
    return fake().calls.size();
}
const char* fakeIspCallName(size_t i) {
    return i < fake().calls.size() ? fake().calls[i].name : "";
}
const char* fakeIspCallArgs(size_t i) {
    return i < fake().calls.size() ? fake().calls[i].args.c_str() : "";
}
size_t fakeIspProgrammedSize(void) {
    return fake().flash.size();
}
const uint8_t* fakeIspProgrammed(void) {
    return fake().flash.data();
}
const char* fakeIspParsedFileText(void) {
    return fake().parsedFile.c_str();
}
int fakeIspWriteRecord(const char* path) {
    return fake().writeRecord(path) ? 1 : 0;
}

} // extern "C"
