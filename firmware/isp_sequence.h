#pragma once

#include "core/dialogs.h"
#include "firmware/buff.h"
#include "firmware/isp_api.h"
#include "firmware/library_loader.h"

#include <array>
#include <cstdint>
#include <ostream>
#include <string>

// One slot per entry-point name, in the order of kIspEntryPointNames; a name the
// library does not export leaves its slot empty.
struct IspEntryPoints {
    std::array<void*, kIspEntryPointCount> slots{};

    template <class Fn> Fn* get(IspFn f) const {
        return reinterpret_cast<Fn*>(slots[static_cast<size_t>(f)]);
    }
};

// Results of RunIspSequence besides 0 (complete) and the library's own error numbers.
inline constexpr int kIspLibraryNotLoaded = 54;
// A step failed but the library gave no number for it: "ispGetLastError" is
// missing, or it answered 0, which would otherwise read as success.
inline constexpr int kIspUnspecifiedError = -1;
// The end address lies outside the image buffer; nothing was loaded.
inline constexpr int kIspRangeBeyondImage = -2;

// The progress entry points of KORVEX's own library; either may be missing.
struct IspProgressProbe {
    isp::ProgressFn* percent = nullptr;
    isp::StepFn* step = nullptr;

    // The step's text (a general one when the library has none) and its percentage.
    ProgressState read() const;
};

// Looks up every name; each missing one shows "Missing function in DLL" (caption
// "DLL Message") and the lookup goes on with the next name.
void ResolveIspEntryPoints(LibraryLoader& loader, void* library, IspEntryPoints& table,
                           Dialogs& dialogs);

// Programs image bytes 0..endAddress through the ISP library: init, device
// selection by `targetChipSize` ("32k" is the ATmega32U4, anything else the
// ATmega16U4), USB, bootloader version (one line on `out`), erase, the one-byte
// HEX file, one fill call per byte, program, start the application. The calls that
// talk to the device run inside dialogs.runWithProgress; a failure from the port's
// opening on shows "Update failed: " with the library's message. Returns 0,
// kIspLibraryNotLoaded, or the library's last error at the step that failed. The
// library is unloaded and the HEX file deleted on every way out.
int RunIspSequence(const Buff& image, uint32_t endAddress, const std::string& targetChipSize,
                   LibraryLoader& loader, Dialogs& dialogs, std::ostream& out);

// Hands every byte 0..endAddress to the library's buffer, one call per address
// with the byte as two upper-case hexadecimal digits.
void FillIspBuffer(isp::FillBufferAddrRangeFn* fill, const uint8_t* image, uint32_t endAddress);

// "Update failed: " and the library's message of the last failure, or its number
// when the library has no text for it.
std::string UpdateFailedText(isp::GetLastErrorMssgFn* message, int error);

// True when the ISP library can be loaded and sees a bootloader on the bus now.
bool IspBootloaderPresent(LibraryLoader& loader);

// "1." first character "." second character of the bootloader version text; a
// short or missing text yields only what it has ("1.." when empty).
std::string BootloaderVersionLine(const char* version);
