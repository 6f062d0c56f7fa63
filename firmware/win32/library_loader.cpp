#include "firmware/library_loader.h"

#include <windows.h>

const char kIspLibraryName[] = "AtJniIsp.dll";

void* SystemLibraryLoader::load(const std::string& name) {
    return LoadLibraryA(name.c_str());
}

void* SystemLibraryLoader::symbol(void* handle, const char* name) {
    return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(handle), name));
}

void SystemLibraryLoader::unload(void* handle) {
    FreeLibrary(static_cast<HMODULE>(handle));
}
