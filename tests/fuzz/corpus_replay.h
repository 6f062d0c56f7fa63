#pragma once

#include "tests/fuzz/fuzz_entries.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

// Every kept input of the target, seeds and past findings alike, through its entry; a
// broken property aborts.
inline void ReplayCorpus(const FuzzTarget& target) {
    const std::filesystem::path folder = std::filesystem::path(KORVEX_FUZZ_CORPUS) / target.name;
    int replayed = 0;
    for (const auto& file : std::filesystem::directory_iterator(folder)) {
        std::ifstream in(file.path(), std::ios::binary);
        const std::vector<uint8_t> bytes{std::istreambuf_iterator<char>(in), {}};
        SCOPED_TRACE(file.path().string());
        target.run(bytes.data(), bytes.size());
        ++replayed;
    }
    EXPECT_GT(replayed, 0) << "no kept inputs for " << target.name;
}
