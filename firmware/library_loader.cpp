#include "firmware/library_loader.h"

#include <dlfcn.h>

void* DlLibraryLoader::load(const std::string& name) {
    // Local binding keeps the library's names from resolving anyone else's.
    return dlopen(name.c_str(), RTLD_NOW | RTLD_LOCAL);
}

void* DlLibraryLoader::symbol(void* handle, const char* name) {
    return dlsym(handle, name);
}

void DlLibraryLoader::unload(void* handle) {
    dlclose(handle);
}
