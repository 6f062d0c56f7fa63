#include "fakes/fake_isp.h"
#include "fakes/temp_dir.h"
#include "firmware/empty_file.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

namespace {
std::string ReadFile(const std::string& name) {
    std::ifstream in(name, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}
} // namespace

TEST(EmptyFile, NamesAndRangeEndRecords) {
    struct Case {
        int32_t rangeEnd;
        const char* name;
        const char* second;
    };
    const Case cases[] = {
        {0x3947, "my_empty_file3948.hex", ":01394700007F\r\n"},
        {0x1E73, "my_empty_file1E74.hex", ":011E7300006E\r\n"},
        {0x1C7D, "my_empty_file1C7E.hex", ":011C7D000066\r\n"},
        {0, "my_empty_file0001.hex", ":0100000000FF\r\n"},
        {0xFFFF, "my_empty_file10000.hex", ":01FFFF000001\r\n"},
        {0x12345, "my_empty_file12346.hex", ":012345000097\r\n"}, // low 16 bits only
        {INT32_MAX, "my_empty_file80000000.hex", ":01FFFF000001\r\n"},
        {-1, "my_empty_file0000.hex", ":01FFFF000001\r\n"},
    };
    TempDir dir{TempDir::Use::WorkingFolder};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        {
            EmptyFile file(c.rangeEnd);
            EXPECT_TRUE(file.created());
            EXPECT_STREQ(file.name(), c.name);
            EXPECT_EQ(ReadFile(c.name),
                      std::string(":0100000000FF\r\n") + c.second + ":00000001FF\r\n");
        }
        EXPECT_FALSE(std::filesystem::exists(c.name));
    }
}

TEST(EmptyFile, OverwritesALeftoverFile) {
    TempDir dir{TempDir::Use::WorkingFolder};
    std::ofstream("my_empty_file0021.hex") << "left over from an earlier run, longer than the file";
    EmptyFile file(0x20);
    EXPECT_EQ(ReadFile("my_empty_file0021.hex"),
              ":0100000000FF\r\n:0100200000DF\r\n:00000001FF\r\n");
}

TEST(EmptyFile, ReportsAFileThatCannotBeCreatedAndDeletesNothing) {
    TempDir dir{TempDir::Use::WorkingFolder};
    std::filesystem::create_directory("my_empty_file0021.hex");
    {
        EmptyFile file(0x20);
        EXPECT_FALSE(file.created());
    }
    EXPECT_TRUE(std::filesystem::is_directory("my_empty_file0021.hex"));
}
