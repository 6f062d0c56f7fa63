// Every kept fuzz input, seeds and past findings alike, through the same entries the
// fuzz targets use, so the ordinary and the sanitizer builds guard them too.
#include "tests/fuzz/fuzz_entries.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

namespace fs = std::filesystem;

TEST(FuzzCorpus, EveryKeptInputRunsCleanThroughItsEntry) {
    for (const FuzzTarget& target : kFuzzTargets) {
        const fs::path folder = fs::path(KORVEX_FUZZ_CORPUS) / target.name;
        int replayed = 0;
        for (const auto& file : fs::directory_iterator(folder)) {
            std::ifstream in(file.path(), std::ios::binary);
            const std::vector<uint8_t> bytes{std::istreambuf_iterator<char>(in), {}};
            SCOPED_TRACE(file.path().string());
            target.run(bytes.data(), bytes.size()); // a broken property aborts
            ++replayed;
        }
        EXPECT_GT(replayed, 0) << "no kept inputs for " << target.name;
    }
}
