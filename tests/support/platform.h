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

// Root writes even to read-only files; Windows honours the read-only flag for all.
inline bool WritesReadOnlyFiles() {
#ifdef _WIN32
    return false;
#else
    return geteuid() == 0;
#endif
}
