#pragma once

#include <cstddef>
#include <cstdint>

// Control functions the fake ISP library exports besides the vendor names, for
// tests that load it in process (look them up with dlsym on the same library).
//
// The same controls for a whole program run come from the environment, read
// when the library is loaded:
//   KORVEX_FAKE_ISP_FAIL        comma-separated entry points that report failure
//   KORVEX_FAKE_ISP_LAST_ERROR  what "ispGetLastError" returns (default 7)
//   KORVEX_FAKE_ISP_VERSION     the bootloader version text (default "30")
//   KORVEX_FAKE_ISP_BOOTLOADER  when set, "korvexIspBootloaderPresent" answers 1
//   KORVEX_FAKE_ISP_RECORD      file the record is appended to when the library is
//                               unloaded: "run", one "call <name>(<args>)" line per
//                               call, then "programmed <n>" and the programmed
//                               bytes as hexadecimal text, 32 bytes a line.
namespace fake_isp {
using ResetFn = void();                   // "fakeIspReset": defaults, empty record
using SetFailingFn = void(const char*);   // "fakeIspSetFailing": that entry point fails
using SetLastErrorFn = void(int);         // "fakeIspSetLastError"
using SetVersionFn = void(const char*);   // "fakeIspSetVersion": nullptr = no text
using CallCountFn = size_t();             // "fakeIspCallCount"
using CallTextFn = const char*(size_t);   // "fakeIspCallName", "fakeIspCallArgs"
using ProgrammedSizeFn = size_t();        // "fakeIspProgrammedSize": 0 until programmed
using ProgrammedFn = const uint8_t*();    // "fakeIspProgrammed"
using ParsedFileTextFn = const char*();   // "fakeIspParsedFileText": the HEX file as read
using WriteRecordFn = int(const char*);   // "fakeIspWriteRecord": 1 when written
using SetBootloaderPresentFn = void(int); // "fakeIspSetBootloaderPresent"
} // namespace fake_isp
