#pragma once

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "tests/support/temp_dir.h"

// A fresh folder under the system temp directory, removed with its contents.
class TempFolder {
  public:
    TempFolder() : path_(NewTempFolder("korvex_mon_").string()) {}
    ~TempFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    const std::string& path() const { return path_; }
    int fileCount() const {
        int n = 0;
        for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(path_)) {
            ++n;
        }
        return n;
    }

  private:
    std::string path_;
};

inline std::string ReadWholeFile(const std::string& path) {
    // Text mode, as the log is written: CR LF reads as "\n" on Windows.
    std::ifstream in(path);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}
