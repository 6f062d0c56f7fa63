#pragma once

#include "fakes/fake_isp/fake_isp_control.h"
#include "firmware/library_loader.h"

#include <set>
#include <stdexcept>
#include <string>
#include <vector>
// Offers the fake library under the vendor's name through real dlopen, and can
// pretend the library is absent or lacks some names.
class FakeIspLoader : public LibraryLoader {
  public:
    void* load(const std::string& name) override {
        loaded.push_back(name);
        if (!available || name != kIspLibraryName) {
            return nullptr;
        }
        void* handle = real_.load(KORVEX_FAKE_ISP_PATH);
        open += handle != nullptr ? 1 : 0;
        return handle;
    }
    void* symbol(void* handle, const char* name) override {
        return lacking.count(name) != 0 ? nullptr : real_.symbol(handle, name);
    }
    void unload(void* handle) override {
        --open;
        real_.unload(handle);
    }

    bool available = true;
    std::set<std::string> lacking;
    std::vector<std::string> loaded;
    int open = 0;

  private:
    SystemLibraryLoader real_;
};

// Keeps the fake library loaded for the test (so its record survives the
// sequence's unload) and reaches its control functions.
class FakeIsp {
  public:
    FakeIsp() : handle_(loader_.load(KORVEX_FAKE_ISP_PATH)) {
        if (handle_ == nullptr) {
            throw std::runtime_error("cannot load " KORVEX_FAKE_ISP_PATH);
        }
        reset();
    }
    ~FakeIsp() { loader_.unload(handle_); }
    FakeIsp(const FakeIsp&) = delete;
    FakeIsp& operator=(const FakeIsp&) = delete;

    void reset() { control<fake_isp::ResetFn>("fakeIspReset")(); }
    void fail(const std::string& entryPoint) {
        control<fake_isp::SetFailingFn>("fakeIspSetFailing")(entryPoint.c_str());
    }
    void setLastError(int e) { control<fake_isp::SetLastErrorFn>("fakeIspSetLastError")(e); }
    void setVersion(const char* v) { control<fake_isp::SetVersionFn>("fakeIspSetVersion")(v); }
    void setBootloaderPresent(bool present) {
        control<fake_isp::SetBootloaderPresentFn>("fakeIspSetBootloaderPresent")(present ? 1 : 0);
    }

    // "name(args)" for every call, in order; fill calls left out unless asked for.
    std::vector<std::string> calls(bool withFills = false) const {
        std::vector<std::string> out;
        const size_t n = control<fake_isp::CallCountFn>("fakeIspCallCount")();
        auto* name = control<fake_isp::CallTextFn>("fakeIspCallName");
        auto* args = control<fake_isp::CallTextFn>("fakeIspCallArgs");
        for (size_t i = 0; i < n; ++i) {
            const std::string call = std::string(name(i)) + "(" + args(i) + ")";
            if (withFills || call.rfind("ispFillBufferAddrRange", 0) != 0) {
                out.push_back(call);
            }
        }
        return out;
    }
    std::vector<std::string> fills() const {
        std::vector<std::string> out;
        for (const auto& c : calls(true)) {
            if (c.rfind("ispFillBufferAddrRange(", 0) == 0) {
                out.push_back(c.substr(23, c.size() - 24));
            }
        }
        return out;
    }
    std::vector<uint8_t> programmed() const {
        const size_t n = control<fake_isp::ProgrammedSizeFn>("fakeIspProgrammedSize")();
        const uint8_t* p = control<fake_isp::ProgrammedFn>("fakeIspProgrammed")();
        return std::vector<uint8_t>(p, p + n);
    }
    std::string parsedFileText() const {
        return control<fake_isp::ParsedFileTextFn>("fakeIspParsedFileText")();
    }
    bool writeRecord(const std::string& path) const {
        return control<fake_isp::WriteRecordFn>("fakeIspWriteRecord")(path.c_str()) == 1;
    }

    // Any name the library exports, or an exception naming it.
    template <class Fn> Fn* control(const char* name) const {
        void* p = loader_.symbol(handle_, name);
        if (p == nullptr) {
            throw std::runtime_error(std::string("fake lacks ") + name);
        }
        return reinterpret_cast<Fn*>(p);
    }

  private:
    mutable SystemLibraryLoader loader_;
    void* handle_;
};
