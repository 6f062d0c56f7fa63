#pragma once

#include <filesystem>
#include <random>
#include <string>

// A new, empty folder under the system's temporary folder, named `prefix` and a
// random part.
inline std::filesystem::path NewTempFolder(const std::string& prefix) {
    std::random_device random;
    const auto base = std::filesystem::temp_directory_path();
    for (;;) {
        const auto path = base / (prefix + std::to_string(random()));
        if (std::filesystem::create_directory(path)) {
            return path;
        }
    }
}

// A fresh folder that is removed again; optionally the working directory meanwhile.
class TempDir {
  public:
    explicit TempDir(bool enter = false) : path_(NewTempFolder("korvex-test-")) {
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
