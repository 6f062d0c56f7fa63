#include "dyno/dino.h"
#include "fakes/file_size_limit.h"
#include "fakes/temp_dir.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <limits>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

const std::array<float, Dino::kCount> kDefaults = {0.34f,   2.2f,  1.201f,  20.0f,
                                                   271.15f, 1.37f, 1450.0f, 1.2f};

// A scratch folder per test, removed afterwards.
class DinoFileTest : public ::testing::Test {
  protected:
    std::string write(const std::string& name, const std::vector<unsigned char>& bytes) {
        const std::string path = (dir / name).string();
        std::ofstream out(path, std::ios::binary);
        out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
        return path;
    }
    static std::vector<unsigned char> read(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }
    // Little-endian floats 10, 11, 12 ... then filler bytes.
    static std::vector<unsigned char> floats(int count, int extraBytes = 0) {
        std::vector<unsigned char> out;
        for (int i = 0; i < count; ++i) {
            const float f = 10.0f + float(i);
            uint32_t bits;
            std::memcpy(&bits, &f, 4);
            for (int b = 0; b < 4; ++b) {
                out.push_back(static_cast<unsigned char>(bits >> (8 * b)));
            }
        }
        out.insert(out.end(), size_t(extraBytes), 0x41);
        return out;
    }
    TempDir tmp;
    const fs::path dir = tmp.path();
};

TEST(DinoTest, StartsWithNamesAndTheNearestFloatDefaults) {
    Dino dino;
    EXPECT_EQ(dino.Count(), 8);
    EXPECT_EQ(dino.Values(), kDefaults);
    const std::vector<std::string> names = {"cx_car",    "s_car, m^2", "ro_air20, kg/m^3",
                                            "t_air, C",  "t_abs, K",   "kW2hp",
                                            "m_car, kg", "whp2bhp"};
    for (int i = 0; i < 8; ++i) {
        EXPECT_EQ(dino.Name(i), names[size_t(i)]);
    }
    EXPECT_EQ(dino.Name(8), "0");
    EXPECT_EQ(dino.Name(1000), "0");
    EXPECT_EQ(dino.Name(-1), "0");
    EXPECT_EQ(dino.Total(), 0);
    EXPECT_EQ(dino.Aero(), 0);
}

TEST(DinoTest, WorkedValuesWithTheDefaults) {
    struct Case {
        uint16_t speed, drive;
        int total, aero;
    };
    const Case cases[] = {
        {0, 0, 0, 0},         {100, 0, 15, 13},
        {100, 1000, 118, 13}, {200, 0, 126, 105},
        {150, 3000, 362, 44}, {65535, 65535, INT_MAX, INT_MAX}}; // beyond int: saturated
    Dino dino;
    for (const auto& c : cases) {
        dino.Compute(c.speed, c.drive);
        EXPECT_EQ(dino.Total(), c.total) << c.speed << " " << c.drive;
        EXPECT_EQ(dino.Aero(), c.aero) << c.speed << " " << c.drive;
    }
}

TEST(DinoTest, AirDensityFollowsTheTemperatureAndWholeDriveIsScaledToEngine) {
    Dino dino;
    dino.Values()[7] = 1.0f; // wheel power = engine power
    dino.Compute(200, 0);
    EXPECT_EQ(dino.Total(), dino.Aero()); // drive 0: aero power only
    const int warm = dino.Aero();
    dino.Values()[3] = -20.0f; // colder air is denser
    dino.Compute(200, 0);
    EXPECT_GT(dino.Aero(), warm);
    EXPECT_EQ(dino.Aero(), 122);
}

TEST(DinoTest, NonFiniteAndHugeResultsGiveDefinedIntegers) {
    Dino dino;
    dino.Values()[3] = -271.15f; // t_abs + t_air = 0: the density divides by zero
    dino.Compute(100, 0);
    EXPECT_EQ(dino.Aero(), std::numeric_limits<int>::max());
    dino.Compute(0, 0); // 0 * infinity
    EXPECT_EQ(dino.Aero(), 0);
    EXPECT_EQ(dino.Total(), 0);

    Dino big;
    big.Values()[6] = 1e30f;
    big.Compute(0, 1000);
    EXPECT_EQ(big.Total(), std::numeric_limits<int>::max());
    big.Values()[7] = -1.0f;
    big.Compute(0, 1000);
    EXPECT_EQ(big.Total(), std::numeric_limits<int>::min());
    big.Values()[7] = -0.0254f;
    big.Values()[6] = 1450.0f;
    big.Compute(0, 1000);
    EXPECT_EQ(big.Total(), -2); // truncated toward zero
}

TEST_F(DinoFileTest, ShortLongAndEmptyFilesChangeOnlyWholeCoefficients) {
    Dino dino;
    EXPECT_EQ(dino.ReadFile(write("twelve", floats(3))), 3);
    EXPECT_EQ(dino.Values()[0], 10.0f);
    EXPECT_EQ(dino.Values()[2], 12.0f);
    EXPECT_EQ(dino.Values()[3], kDefaults[3]);
    EXPECT_EQ(dino.Values()[7], kDefaults[7]);

    Dino fresh;
    EXPECT_EQ(fresh.ReadFile(write("empty", {})), 0);
    EXPECT_EQ(fresh.Values(), kDefaults);

    EXPECT_EQ(fresh.ReadFile(write("forty", floats(10))), 8);
    EXPECT_EQ(fresh.Values()[7], 17.0f);
}

TEST_F(DinoFileTest, PartialCoefficientKeepsItsOldValue) {
    for (int extra = 1; extra <= 3; ++extra) {
        Dino dino;
        const std::string path = write("partial" + std::to_string(extra), floats(3, extra));
        EXPECT_EQ(dino.ReadFile(path), 3) << extra;
        EXPECT_EQ(dino.Values()[2], 12.0f);
        EXPECT_EQ(dino.Values()[3], kDefaults[3]) << extra;
    }
}

TEST_F(DinoFileTest, MissingFileOrFolderReadsNothing) {
    Dino dino;
    EXPECT_EQ(dino.ReadFile((dir / "none.cfg").string()), 0);
    EXPECT_EQ(dino.ReadFile(dir.string()), 0);
    EXPECT_EQ(dino.ReadFile(std::string(5000, 'x')), 0);
    EXPECT_EQ(dino.Values(), kDefaults);
}

TEST_F(DinoFileTest, WritesTheLittleEndianBlockAndReadsItBack) {
    Dino dino;
    dino.Values()[4] = 273.15f;
    const std::string path = (dir / "dino.cfg").string();
    write("dino.cfg", std::vector<unsigned char>(100, 0xEE)); // a longer old file is replaced
    ASSERT_EQ(dino.WriteFile(path), 8);
    const auto bytes = read(path);
    ASSERT_EQ(bytes.size(), 32u);
    // 0.34f is 0x3EAE147B.
    EXPECT_EQ(bytes[0], 0x7B);
    EXPECT_EQ(bytes[3], 0x3E);
    Dino other;
    EXPECT_EQ(other.ReadFile(path), 8);
    EXPECT_EQ(other.Values(), dino.Values());
    EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 1);
}

TEST_F(DinoFileTest, FailedWriteKeepsTheOldFile) {
    KORVEX_NEEDS_FILE_SIZE_LIMIT();
    const std::string path = write("dino.cfg", floats(8));
    Dino dino;
    // A folder without write permission: nothing can be created beside the target.
    fs::permissions(dir, fs::perms::owner_read | fs::perms::owner_exec);
    const bool enforced = !std::ofstream((dir / "probe").string());
    EXPECT_EQ(dino.WriteFile(path), enforced ? 0 : 8);
    fs::permissions(dir, fs::perms::owner_all);
    if (enforced) {
        EXPECT_EQ(read(path), floats(8));
    }
    // The new file fails part-way through: the old one stays whole, nothing is left over.
    write("dino.cfg", floats(8));
    {
        FileSizeLimit limit(10);
        EXPECT_EQ(dino.WriteFile(path), 0);
    }
    EXPECT_EQ(read(path), floats(8));
    for (const auto& entry : fs::directory_iterator(dir)) {
        EXPECT_TRUE(entry.path() == path || entry.path().filename() == "probe") << entry.path();
    }
    // A target that is a folder cannot be replaced; no temporary file stays behind.
    fs::create_directories(dir / "sub" / "inner");
    EXPECT_EQ(dino.WriteFile((dir / "sub").string()), 0);
    EXPECT_TRUE(fs::is_directory(dir / "sub" / "inner"));
    EXPECT_EQ(dino.WriteFile((dir / "missing" / "dino.cfg").string()), 0);
}

} // namespace
