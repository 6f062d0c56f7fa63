#include "core/file_replace.h"
#include "fakes/temp_dir.h"
#include "tests/support/platform.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>

namespace fs = std::filesystem;

namespace {
std::string Content(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}
bool Replace(const fs::path& p, const std::string& text) {
    return ReplaceFile(p.string(), text.data(), text.size());
}
} // namespace

TEST(ReplaceFile, WritesNewAndReplacesOldKeepingTheirPermissions) {
    TempDir dir;
    const fs::path file = fs::path(dir.file("a.cfg"));
    EXPECT_TRUE(Replace(file, "one"));
    EXPECT_EQ(Content(file), "one");
    const auto kept = fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read;
    fs::permissions(file, kept);
    EXPECT_TRUE(Replace(file, "two"));
    EXPECT_EQ(Content(file), "two");
#ifndef _WIN32 // Windows keeps no group permission bits
    EXPECT_EQ(fs::status(file).permissions(), kept);
#endif
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 1);
}

TEST(ReplaceFile, WritesThroughLinksEvenToAFileNotYetThere) {
    KORVEX_POSIX_ONLY("symbolic links");
    TempDir dir;
    const fs::path real = fs::path(dir.file("real.cfg"));
    const fs::path link = fs::path(dir.file("link.cfg"));
    fs::create_symlink("real.cfg", link);
    EXPECT_TRUE(Replace(link, "via link"));
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(Content(real), "via link");
}

TEST(ReplaceFile, RefusesFoldersMissingFoldersAndReadOnlyFiles) {
    TempDir dir;
    EXPECT_FALSE(Replace(dir.path(), "x"));
    EXPECT_FALSE(Replace(dir.file("missing/a.cfg"), "x"));
    EXPECT_FALSE(ReplaceFile("", "x", 1));
    const fs::path file = fs::path(dir.file("protected.cfg"));
    ASSERT_TRUE(Replace(file, "keep"));
    fs::permissions(file, fs::perms::owner_read);
    if (!WritesReadOnlyFiles()) {
        EXPECT_FALSE(Replace(file, "lost"));
        EXPECT_EQ(Content(file), "keep");
    }
    fs::permissions(file, fs::perms::owner_all);
}
