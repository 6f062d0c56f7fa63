#pragma once

#include <string>

// Run-time loading of a shared library and lookup of its entry points, so the
// ISP sequence can be driven against a fake library or a filtering loader.
class LibraryLoader {
  public:
    virtual ~LibraryLoader() = default;
    // A handle, or nullptr when the library cannot be loaded.
    virtual void* load(const std::string& name) = 0;
    // The entry point's address, or nullptr when the library does not export it.
    virtual void* symbol(void* handle, const char* name) = 0;
    virtual void unload(void* handle) = 0;
};

// The platform's loader (dlopen or LoadLibraryA); a bare name is looked for in the
// program's own folder first, then through the platform's library search.
class SystemLibraryLoader : public LibraryLoader {
  public:
    void* load(const std::string& name) override;
    void* symbol(void* handle, const char* name) override;
    void unload(void* handle) override;
};

// The vendor ISP library's file name on this platform.
extern const char kIspLibraryName[];
