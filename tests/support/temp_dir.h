#pragma once

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <unistd.h>

// A fresh folder under the system temp directory, removed with its contents. Meanwhile it
// can be the working directory, or HOME (so port links made by tests never touch the
// real ~/.korvex).
class TempDir {
  public:
    enum class Use { Plain, WorkingFolder, Home };

    explicit TempDir(Use use = Use::Plain) : use_(use) {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "korvex-test-XXXXXX").string();
        if (::mkdtemp(pattern.data()) != nullptr) {
            path_ = pattern;
        }
        if (use_ == Use::WorkingFolder) {
            old_ = std::filesystem::current_path().string();
            std::filesystem::current_path(path_);
        } else if (use_ == Use::Home) {
            const char* old = std::getenv("HOME");
            hadOld_ = old != nullptr;
            old_ = hadOld_ ? old : "";
            ::setenv("HOME", path_.c_str(), 1);
        }
    }
    ~TempDir() {
        if (use_ == Use::WorkingFolder) {
            std::filesystem::current_path(old_);
        } else if (use_ == Use::Home && hadOld_) {
            ::setenv("HOME", old_.c_str(), 1);
        } else if (use_ == Use::Home) {
            ::unsetenv("HOME");
        }
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::string& path() const { return path_; }
    std::string file(const std::string& name) const { return path_ + "/" + name; }
    int fileCount() const {
        int n = 0;
        for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(path_)) {
            ++n;
        }
        return n;
    }

  private:
    Use use_;
    std::string path_;
    std::string old_;
    bool hadOld_ = false;
};

inline std::string ReadWholeFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}
