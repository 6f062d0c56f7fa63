// Damaged texts must never make the parser read or write outside its buffer (the
// sanitizer tree checks that) and must keep its invariants: nothing above the end
// address, which never leaves the 0x20000 bytes.
#include "firmware/firmware_image.h"
#include "firmware/image_resources.h"
#include "link/buff.h"

#include <algorithm>
#include <cstring>
#include <gtest/gtest.h>
#include <random>

namespace {

void ParseAndCheck(const std::vector<uint8_t>& text) {
    Buff buffer(Buff::kImageSize);
    std::copy(text.begin(), text.end(), buffer.data());
    uint32_t dataBytes = 0;
    uint32_t lastAddress = 0;
    ParseIntelHex(buffer, uint32_t(text.size()), dataBytes, lastAddress);
    ASSERT_LT(lastAddress, Buff::kImageSize);
    // Every data byte needs two hex digits of text.
    ASSERT_LE(dataBytes, text.size() / 2);
    uint8_t* above = buffer.data() + lastAddress + 1;
    ASSERT_TRUE(
        std::all_of(above, buffer.data() + Buff::kImageSize, [](uint8_t b) { return b == 0xFF; }));
}

} // namespace

TEST(IntelHexRobustness, MutatedImageTextsKeepTheParserInsideItsBuffer) {
    const auto image = FindResource("myres", "fflash");
    ASSERT_TRUE(image.has_value());
    const std::vector<uint8_t> original(image->data, image->data + image->size);
    std::mt19937 rng(20261209);
    const char alphabet[] = ":0123456789ABCDEFabcdefXZ \r\n\x00\xFF";
    for (int round = 0; round < 200; ++round) {
        std::vector<uint8_t> text = original;
        const int edits = 1 + int(rng() % 40);
        for (int e = 0; e < edits; ++e) {
            const size_t at = rng() % text.size();
            switch (rng() % 3) {
            case 0: // overwrite one character
                text[at] = uint8_t(alphabet[rng() % (sizeof alphabet - 1)]);
                break;
            case 1: // drop a piece
                text.erase(text.begin() + long(at),
                           text.begin() + long(std::min(text.size(), at + rng() % 60)));
                break;
            default: // cut the text short
                text.resize(std::max<size_t>(1, at));
                break;
            }
            if (text.empty()) {
                text.push_back(':');
            }
        }
        ParseAndCheck(text);
    }
}

TEST(IntelHexRobustness, RandomBytesAndExtremeRecords) {
    std::mt19937 rng(7);
    for (int round = 0; round < 100; ++round) {
        std::vector<uint8_t> text(1 + rng() % 3000);
        for (auto& b : text) {
            b = uint8_t(rng());
        }
        ParseAndCheck(text);
    }
    // The highest 16-bit address with the largest count a line can hold.
    std::string line = ":7BFFFF00";
    line.append(2 * 0x7B, 'A');
    line += "\r\n:00000001FF\r\n";
    ParseAndCheck(std::vector<uint8_t>(line.begin(), line.end()));
}
