#include "firmware/isp_sequence.h"

#include "firmware/empty_file.h"

#include <optional>

namespace {

// Unloads the library on every way out of the sequence.
class LoadedLibrary {
  public:
    LoadedLibrary(LibraryLoader& loader, void* handle) : loader_(loader), handle_(handle) {}
    ~LoadedLibrary() { loader_.unload(handle_); }
    LoadedLibrary(const LoadedLibrary&) = delete;
    LoadedLibrary& operator=(const LoadedLibrary&) = delete;

  private:
    LibraryLoader& loader_;
    void* handle_;
};

// One programming run over resolved entry points. An entry point the library
// lacks is never called: reaching its step fails that step. The HEX file lives
// in this object, so it is deleted before the library is unloaded.
class IspProgrammer {
  public:
    IspProgrammer(const IspEntryPoints& t, const IspProgressProbe& progress, Dialogs& dialogs,
                  std::ostream& out)
        : t_(t), progress_(progress), dialogs_(dialogs), out_(out) {}

    int run(const uint8_t* image, uint32_t endAddress, const std::string& targetChipSize);

  private:
    template <class Fn> Fn* fn(IspFn f) const { return t_.get<Fn>(f); }

    int lastError() const {
        auto* getLastError = fn<isp::GetLastErrorFn>(IspFn::GetLastError);
        const int error = getLastError != nullptr ? getLastError() : 0;
        return error != 0 ? error : kIspUnspecifiedError;
    }
    // Before the port is open the library needs no "ispExit".
    int failEarly() const { return lastError(); }
    int failWithError() const {
        const int error = lastError();
        if (auto* exit = fn<isp::ExitFn>(IspFn::Exit)) {
            exit();
        }
        return error;
    }
    // From the port's opening on the device may be left erased or half written, so
    // the user is told what went wrong.
    int failLoudly(bool withExit) const {
        const int error = lastError();
        const std::string message =
            UpdateFailedText(fn<isp::GetLastErrorMssgFn>(IspFn::GetLastErrorMssg), error);
        if (auto* exit = fn<isp::ExitFn>(IspFn::Exit); withExit && exit != nullptr) {
            exit();
        }
        dialogs_.showMessage(message);
        return error;
    }
    // A call that talks to the device, run while the progress box is open.
    template <class Call> int busy(Call call) const {
        int result = 0;
        dialogs_.runWithProgress([&] { result = call(); }, [this] { return progress_.read(); });
        return result;
    }
    int openDevice(const std::string& targetChipSize);
    int readBootloaderVersion();

    const IspEntryPoints& t_;
    const IspProgressProbe& progress_;
    Dialogs& dialogs_;
    std::ostream& out_;
    std::optional<EmptyFile> file_;
};

int IspProgrammer::openDevice(const std::string& targetChipSize) {
    auto* init = fn<isp::InitFn>(IspFn::Init);
    if (init == nullptr || init() != 1) {
        dialogs_.showMessage("can not find flip.exe path(ispInit() fail)");
        return failEarly();
    }
    auto* setLogEnabled = fn<isp::SetLogEnabledFn>(IspFn::SetLogEnabled);
    if (setLogEnabled == nullptr) {
        return failEarly();
    }
    setLogEnabled(0);

    const bool big = targetChipSize == "32k";
    auto* selectDevice = fn<isp::SelectDeviceFn>(IspFn::SelectDevice);
    if (selectDevice == nullptr || selectDevice(big ? "ATmega32U4" : "ATmega16U4") != 1) {
        dialogs_.showMessage("ispSelectDevice fail");
        return failEarly();
    }
    dialogs_.showMessage(big ? "Size 32k" : "Size 16k");

    auto* selectHardware = fn<isp::SelectCommHardwareFn>(IspFn::SelectCommHardware);
    if (selectHardware == nullptr || selectHardware(kIspUsbInterface) != 1) {
        return failEarly();
    }
    auto* openUsb = fn<isp::OpenUsbPortFn>(IspFn::OpenUsbPort);
    if (openUsb == nullptr || busy(openUsb) != 1) {
        return failLoudly(false);
    }
    return 0;
}

int IspProgrammer::readBootloaderVersion() {
    auto* readSpecialByte = fn<isp::ReadSpecialByteFn>(IspFn::ReadSpecialByte);
    auto* getLastResult = fn<isp::GetLastResultFn>(IspFn::GetLastResult);
    if (readSpecialByte == nullptr || busy([&] { return readSpecialByte(0); }) == 0 ||
        getLastResult == nullptr) {
        return failLoudly(true);
    }
    out_ << BootloaderVersionLine(getLastResult()) << std::endl;
    return 0;
}

int IspProgrammer::run(const uint8_t* image, uint32_t endAddress,
                       const std::string& targetChipSize) {
    if (const int failed = openDevice(targetChipSize); failed != 0) {
        return failed;
    }
    if (const int failed = readBootloaderVersion(); failed != 0) {
        return failed;
    }
    auto* erase = fn<isp::EraseDeviceFn>(IspFn::EraseDevice);
    if (erase == nullptr || busy(erase) == 0) {
        return failLoudly(true);
    }
    file_.emplace(static_cast<int32_t>(endAddress));
    if (!file_->created()) {
        dialogs_.showMessage(std::string("can not create ") + file_->name());
        return failWithError();
    }
    auto* parseHexFile = fn<isp::ParseHexFileFn>(IspFn::ParseHexFile);
    if (parseHexFile == nullptr || busy([&] { return parseHexFile(file_->name()); }) == 0) {
        return failLoudly(true);
    }
    auto* fill = fn<isp::FillBufferAddrRangeFn>(IspFn::FillBufferAddrRange);
    if (fill == nullptr) {
        return failLoudly(true);
    }
    FillIspBuffer(fill, image, endAddress);

    dialogs_.showMessage("start_program_flash");
    auto* program = fn<isp::ProgramDeviceFn>(IspFn::ProgramDevice);
    if (program == nullptr || busy(program) == 0) {
        return failLoudly(true);
    }
    dialogs_.showMessage("Switching to appli mode");
    auto* enterAppli = fn<isp::EnterAppliModeFn>(IspFn::EnterAppliMode);
    if (enterAppli == nullptr || busy([&] { return enterAppli(0, 0); }) == 0) {
        return failLoudly(true);
    }
    auto* exit = fn<isp::ExitFn>(IspFn::Exit);
    if (exit == nullptr) {
        return lastError();
    }
    exit();
    return 0;
}

} // namespace

void ResolveIspEntryPoints(LibraryLoader& loader, void* library, IspEntryPoints& table,
                           Dialogs& dialogs) {
    for (size_t i = 0; i < kIspEntryPointCount; ++i) {
        table.slots[i] = loader.symbol(library, kIspEntryPointNames[i]);
        if (table.slots[i] == nullptr) {
            dialogs.showMessage("Missing function in DLL", "DLL Message");
        }
    }
}

void FillIspBuffer(isp::FillBufferAddrRangeFn* fill, const uint8_t* image, uint32_t endAddress) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    char text[3] = {0, 0, 0};
    for (uint32_t a = 0;; ++a) {
        text[0] = kDigits[image[a] >> 4];
        text[1] = kDigits[image[a] & 0x0F];
        fill(a, a, text);
        if (a == endAddress) {
            break;
        }
    }
}

std::string UpdateFailedText(isp::GetLastErrorMssgFn* message, int error) {
    const char* text = message != nullptr ? message() : nullptr;
    if (text == nullptr || text[0] == '\0') {
        return "Update failed: error " + std::to_string(error);
    }
    return std::string("Update failed: ") + text;
}

ProgressState IspProgressProbe::read() const {
    ProgressState state;
    if (percent != nullptr) {
        state.percent = percent();
    }
    const char* text = step != nullptr ? step() : nullptr;
    state.step = text != nullptr && text[0] != '\0' ? text : "Programming the device";
    return state;
}

bool IspBootloaderPresent(LibraryLoader& loader) {
    void* handle = loader.load(kIspLibraryName);
    if (handle == nullptr) {
        return false;
    }
    const LoadedLibrary library(loader, handle);
    auto* present = reinterpret_cast<isp::BootloaderPresentFn*>(
        loader.symbol(handle, kIspBootloaderPresentName));
    return present != nullptr && present() == 1;
}

std::string BootloaderVersionLine(const char* version) {
    std::string line = "1.";
    if (version != nullptr && version[0] != '\0') {
        line += version[0];
        line += '.';
        if (version[1] != '\0') {
            line += version[1];
        }
    } else {
        line += '.';
    }
    return line;
}

int RunIspSequence(const Buff& image, uint32_t endAddress, const std::string& targetChipSize,
                   LibraryLoader& loader, Dialogs& dialogs, std::ostream& out) {
    if (endAddress >= image.size()) {
        return kIspRangeBeyondImage;
    }
    void* handle = loader.load(kIspLibraryName);
    if (handle == nullptr) {
        dialogs.showMessage("WIN32 can not load AtJniIsp.dll");
        return kIspLibraryNotLoaded;
    }
    const LoadedLibrary library(loader, handle);
    IspEntryPoints table;
    ResolveIspEntryPoints(loader, handle, table, dialogs);
    const IspProgressProbe progress{
        reinterpret_cast<isp::ProgressFn*>(loader.symbol(handle, kIspProgressName)),
        reinterpret_cast<isp::StepFn*>(loader.symbol(handle, kIspStepName))};
    IspProgrammer programmer(table, progress, dialogs, out);
    return programmer.run(image.data(), endAddress, targetChipSize);
}
