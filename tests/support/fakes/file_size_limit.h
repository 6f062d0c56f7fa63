#pragma once

#ifdef _WIN32
// Windows has no per-process file size limit: a test that needs one skips there.
#define KORVEX_NEEDS_FILE_SIZE_LIMIT() GTEST_SKIP() << "no file size limit on Windows"
class FileSizeLimit {
  public:
    explicit FileSizeLimit(unsigned long) {}
};
#else
#define KORVEX_NEEDS_FILE_SIZE_LIMIT() static_cast<void>(0)

#include <csignal>
#include <sys/resource.h>

// While it lives, writes that would make a file larger than `bytes` fail with EFBIG,
// part-way through: the way to make a save fail after its file was created.
class FileSizeLimit {
  public:
    explicit FileSizeLimit(rlim_t bytes) {
        std::signal(SIGXFSZ, SIG_IGN);
        getrlimit(RLIMIT_FSIZE, &old_);
        rlimit small = old_;
        small.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &small);
    }
    ~FileSizeLimit() { setrlimit(RLIMIT_FSIZE, &old_); }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

  private:
    rlimit old_{};
};
#endif
