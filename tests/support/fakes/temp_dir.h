#pragma once

#include "environment.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

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

// A fresh folder that is removed again with its contents. Meanwhile it can be the
// working directory, or HOME (so port links made by tests never touch the real
// ~/.korvex).
class TempDir {
  public:
    enum class Use { Plain, WorkingFolder, Home };

    explicit TempDir(Use use = Use::Plain) : use_(use), path_(NewTempFolder("korvex-test-")) {
        if (use_ == Use::WorkingFolder) {
            old_ = std::filesystem::current_path().string();
            std::filesystem::current_path(path_);
        } else if (use_ == Use::Home) {
            const char* old = std::getenv("HOME");
            hadOld_ = old != nullptr;
            old_ = hadOld_ ? old : "";
            SetEnv("HOME", path_.string());
        }
    }
    ~TempDir() {
        if (use_ == Use::WorkingFolder) {
            std::filesystem::current_path(old_);
        } else if (use_ == Use::Home && hadOld_) {
            SetEnv("HOME", old_);
        } else if (use_ == Use::Home) {
            UnsetEnv("HOME");
        }
        // A test may have left the folder read-only.
        std::error_code ignored;
        std::filesystem::permissions(path_, std::filesystem::perms::owner_all, ignored);
        std::filesystem::remove_all(path_, ignored);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& path() const { return path_; }
    std::string file(const std::string& name) const { return (path_ / name).string(); }
    // The names of every entry left in the folder.
    std::vector<std::string> files() const {
        std::vector<std::string> out;
        for (const auto& e : std::filesystem::directory_iterator(path_)) {
            out.push_back(e.path().filename().string());
        }
        return out;
    }
    int fileCount() const { return static_cast<int>(files().size()); }

  private:
    Use use_;
    std::filesystem::path path_;
    std::string old_;
    bool hadOld_ = false;
};

inline std::string ReadWholeFile(const std::string& path) {
    // Text mode, as the logs are written: CR LF reads as "\n" on Windows.
    std::ifstream in(path);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}
