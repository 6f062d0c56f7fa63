#pragma once

#include <array>
#include <cstddef>

// The vendor ISP library's entry points as this program uses them. The sequence
// looks up every name of the table; only the ones with a function type below are
// ever called. The fake library in the tests defines them from this header too.

enum class IspFn : size_t {
    Init,
    SetLogEnabled,
    SelectDevice,
    SelectCommHardware,
    OpenRs232Port,
    SyncTarget,
    ParseHexFile,
    BlankCheckMemory,
    ProgramDevice,
    ProgramAddrRange,
    ReadDevice,
    ReadAddrRange,
    VerifyDevice,
    GetLastError,
    Exit,
    UpdateCmdsIds,
    OpenCanPort,
    OpenUsbPort,
    SelectCanNode,
    SelectMemory,
    EraseDevice,
    GetDeviceIndex,
    DataLog,
    SetDebugMode,
    OpenLogFile,
    ExecCmd,
    GetLastResult,
    GetMemorySize,
    ReadSignatureBytes,
    ReadSpecialByte,
    BlankCheckAddrRange,
    FillBufferAddrRange,
    SetSecurityLevel,
    GetErrorVecPtr,
    GetBufferAddrHi,
    GetBufferAddrLo,
    Serialize,
    WriteSpecialByte,
    GetLastErrorMssg,
    GetErrorMssgFromIdx,
    SetTimeout,
    SetAutoIsp,
    WriteHexFile,
    SetDtrLow,
    SetDtrHigh,
    SetRtsLow,
    SetRtsHigh,
    EnterAppliMode,
    EnterIspMode,
    Count
};

inline constexpr size_t kIspEntryPointCount = static_cast<size_t>(IspFn::Count);

// Looked up in this order; index i belongs to IspFn value i.
inline constexpr std::array<const char*, kIspEntryPointCount> kIspEntryPointNames = {
    "ispInit",
    "ispSetLogEnabled",
    "ispSelectDevice",
    "ispSelectCommHardware",
    "ispOpenRs232Port",
    "ispSyncTarget",
    "ispParseHexFile",
    "ispBlankCheckMemory",
    "ispProgramDevice",
    "ispProgramAddrRange",
    "ispReadDevice",
    "ispReadAddrRange",
    "ispVerifyDevice",
    "ispGetLastError",
    "ispExit",
    "ispUpdateCmdsIds",
    "ispOpenCanPort",
    "ispOpenUsbPort",
    "ispSelectCanNode",
    "ispSelectMemory",
    "ispEraseDevice",
    "ispGetDeviceIndex",
    "ispDataLog",
    "ispSetDebugMode",
    "ispOpenLogFile",
    "ispExecCmd",
    "ispGetLastResult",
    "ispGetMemorySize",
    "ispReadSignatureBytes",
    "ispReadSpecialByte",
    "ispBlankCheckAddrRange",
    "ispFillBufferAddrRange",
    "ispSetSecurityLevel",
    "ispGetErrorVecPtr",
    "ispGetBufferAddrHi",
    "ispGetBufferAddrLo",
    "ispSerialize",
    "ispWriteSpecialByte",
    "ispGetLastErrorMssg",
    "ispGetErrorMssgFromIdx",
    "ispSetTimeout",
    "ispSetAutoIsp",
    "ispWriteHexFile",
    "ispSetDtrLow",
    "ispSetDtrHigh",
    "ispSetRtsLow",
    "ispSetRtsHigh",
    "ispEnterAppliMode",
    "ispEnterIspMode",
};

// C signatures of the entry points the sequence calls (all with C linkage).
namespace isp {
using InitFn = int();                    // 1 = success
using SetLogEnabledFn = int(int);        // result ignored
using SelectDeviceFn = int(const char*); // device name; 1 = success
using SelectCommHardwareFn = int(int);   // interface (2 = USB); 1 = success
using OpenUsbPortFn = int();             // 1 = success
using ReadSpecialByteFn = int(int);      // 0 = bootloader version; non-zero = success
using GetLastResultFn = const char*();   // text of the last result
using EraseDeviceFn = int();             // non-zero = success
using ParseHexFileFn = int(const char*); // file name; non-zero = success
using FillBufferAddrRangeFn = int(unsigned, unsigned, const char*); // first, last, "HH"
using ProgramDeviceFn = int();                                      // non-zero = success
using EnterAppliModeFn = int(int, int);                             // non-zero = success
using GetLastErrorFn = int();                                       // number of the last failure
using GetLastErrorMssgFn = const char*();                           // text of the last failure
using ExitFn = int();                                               // result ignored
} // namespace isp

// Looked up besides the table in KORVEX's own library; a library without them
// still programs, without a progress bar or the recovery path.
inline constexpr char kIspProgressName[] = "korvexIspProgress";                   // int(): 0..100
inline constexpr char kIspStepName[] = "korvexIspStep";                           // const char*()
inline constexpr char kIspBootloaderPresentName[] = "korvexIspBootloaderPresent"; // int(): 1 = yes
namespace isp {
using ProgressFn = int();
using StepFn = const char*();
using BootloaderPresentFn = int();
} // namespace isp

// Declared from the signatures above for the libraries that define them (KORVEX's own
// and the tests' fake), so a definition of another type than the one the sequence calls
// fails to compile there.
extern "C" {
isp::InitFn ispInit;
isp::SetLogEnabledFn ispSetLogEnabled;
isp::SelectDeviceFn ispSelectDevice;
isp::SelectCommHardwareFn ispSelectCommHardware;
isp::OpenUsbPortFn ispOpenUsbPort;
isp::ReadSpecialByteFn ispReadSpecialByte;
isp::GetLastResultFn ispGetLastResult;
isp::EraseDeviceFn ispEraseDevice;
isp::ParseHexFileFn ispParseHexFile;
isp::FillBufferAddrRangeFn ispFillBufferAddrRange;
isp::ProgramDeviceFn ispProgramDevice;
isp::EnterAppliModeFn ispEnterAppliMode;
isp::GetLastErrorFn ispGetLastError;
isp::GetLastErrorMssgFn ispGetLastErrorMssg;
isp::ExitFn ispExit;
isp::ProgressFn korvexIspProgress;
isp::StepFn korvexIspStep;
isp::BootloaderPresentFn korvexIspBootloaderPresent;
}

// The interface selection that makes the library use its USB port.
inline constexpr int kIspUsbInterface = 2;
