#include "firmware/library_loader.h"

#include <dlfcn.h>

#include <filesystem>

const char kIspLibraryName[] = "libAtJniIsp.so";

namespace {

// A bare name is looked for beside the program first, as Windows does: that is where
// the ISP library is installed, and a sanitizer runtime that interposes dlopen would
// search its own run path instead of the program's.
std::string BesideProgram(const std::string& name) {
    if (name.find('/') != std::string::npos) {
        return name;
    }
    std::error_code ec;
    const auto program = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (ec) {
        return name;
    }
    const auto path = program.parent_path() / name;
    return std::filesystem::is_regular_file(path, ec) ? path.string() : name;
}

} // namespace

void* SystemLibraryLoader::load(const std::string& name) {
    // Local binding keeps the library's names from resolving anyone else's.
    return dlopen(BesideProgram(name).c_str(), RTLD_NOW | RTLD_LOCAL);
}

void* SystemLibraryLoader::symbol(void* handle, const char* name) {
    return dlsym(handle, name);
}

void SystemLibraryLoader::unload(void* handle) {
    dlclose(handle);
}
