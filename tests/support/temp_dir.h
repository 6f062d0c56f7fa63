#pragma once

#include <filesystem>
#include <string>
#include <unistd.h>

// A fresh folder that is removed again; optionally the working directory meanwhile.
class TempDir {
  public:
    explicit TempDir(bool enter = false) {
        char tmpl[] = "/tmp/korvex-test-XXXXXX";
        path_ = mkdtemp(tmpl);
        if (enter) {
            old_ = std::filesystem::current_path();
            std::filesystem::current_path(path_);
        }
    }
    ~TempDir() {
        if (!old_.empty()) {
            std::filesystem::current_path(old_);
        }
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& path() const { return path_; }
    std::string file(const std::string& name) const { return (path_ / name).string(); }

  private:
    std::filesystem::path path_;
    std::filesystem::path old_;
};
