#include "firmware/isp_api.h"

#include <dlfcn.h>
#include <gtest/gtest.h>
#include <string>

namespace {

// The built library as the program loads it: every name of the entry-point table is
// there, and the ones the update never uses refuse with "not supported".
TEST(IspLibrary, ExportsTheWholeTableAndRefusesWhatItDoesNotSupport) {
    void* lib = dlopen(KORVEX_ISP_LIBRARY_PATH, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(lib, nullptr) << dlerror();
    for (const char* name : kIspEntryPointNames) {
        EXPECT_NE(dlsym(lib, name), nullptr) << name;
    }
    EXPECT_EQ(dlsym(lib, "ParseIntelHex"), nullptr); // nothing else leaks out
    auto* getError = reinterpret_cast<isp::GetLastErrorFn*>(dlsym(lib, "ispGetLastError"));
    auto* message = reinterpret_cast<const char* (*)()>(dlsym(lib, "ispGetLastErrorMssg"));
    auto* readDevice = reinterpret_cast<int (*)()>(dlsym(lib, "ispReadDevice"));
    EXPECT_EQ(readDevice(), 0);
    EXPECT_EQ(getError(), 1);
    EXPECT_EQ(std::string(message()), "not supported: ispReadDevice");
    auto* select = reinterpret_cast<isp::SelectDeviceFn*>(dlsym(lib, "ispSelectDevice"));
    EXPECT_EQ(select("ATmega16U4"), 1);
    EXPECT_EQ(getError(), 0);
    dlclose(lib);
}

} // namespace
