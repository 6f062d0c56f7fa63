#include "firmware/library_loader.h"

#include <dlfcn.h>

const char kIspLibraryName[] = "libAtJniIsp.so";

void* SystemLibraryLoader::load(const std::string& name) {
    // Local binding keeps the library's names from resolving anyone else's.
    return dlopen(name.c_str(), RTLD_NOW | RTLD_LOCAL);
}

void* SystemLibraryLoader::symbol(void* handle, const char* name) {
    return dlsym(handle, name);
}

void SystemLibraryLoader::unload(void* handle) {
    dlclose(handle);
}
