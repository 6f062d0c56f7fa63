#pragma once

#include <cstdlib>
#include <string>
#ifndef _WIN32
#include <unistd.h>
#endif

// What tests need of the platform, on either one.

#ifdef _WIN32
// Marks a test about POSIX behaviour only (permission bits, symbolic links ...).
#define KORVEX_POSIX_ONLY(why) GTEST_SKIP() << "POSIX only: " why
#else
#define KORVEX_POSIX_ONLY(why) static_cast<void>(0)
#endif

inline void SetEnv(const std::string& name, const std::string& value) {
#ifdef _WIN32
    _putenv_s(name.c_str(), value.c_str());
#else
    setenv(name.c_str(), value.c_str(), 1);
#endif
}

inline void UnsetEnv(const std::string& name) {
#ifdef _WIN32
    _putenv_s(name.c_str(), ""); // an empty value removes the variable there
#else
    unsetenv(name.c_str());
#endif
}

// Root writes even to read-only files; Windows honours the read-only flag for all.
inline bool WritesReadOnlyFiles() {
#ifdef _WIN32
    return false;
#else
    return geteuid() == 0;
#endif
}
