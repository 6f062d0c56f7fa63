#pragma once

#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>

// Points HOME at a fresh temporary folder for the lifetime of the object, so port
// links made by tests never touch the real ~/.korvex.
class TempHome {
  public:
    TempHome() {
        const char* old = std::getenv("HOME");
        hadOld_ = old != nullptr;
        old_ = hadOld_ ? old : "";
        std::string pattern =
            (std::filesystem::temp_directory_path() / "korvex-home-XXXXXX").string();
        if (::mkdtemp(pattern.data()) != nullptr) {
            path_ = pattern;
        }
        ::setenv("HOME", path_.c_str(), 1);
    }
    ~TempHome() {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
        if (hadOld_) {
            ::setenv("HOME", old_.c_str(), 1);
        } else {
            ::unsetenv("HOME");
        }
    }
    TempHome(const TempHome&) = delete;
    TempHome& operator=(const TempHome&) = delete;

    const std::string& path() const { return path_; }
    std::string comLink(int n) const {
        return path_ + "/.korvex/dosdevices/com" + std::to_string(n);
    }

  private:
    std::string path_;
    std::string old_;
    bool hadOld_ = false;
};
