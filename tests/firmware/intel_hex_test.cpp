// Damaged texts must never make the parser read or write outside its buffer (the
// sanitizer tree checks that) and must keep its invariants: nothing above the end
// address, which never leaves the 0x20000 bytes.
#include "firmware/buff.h"
#include "firmware/image_resources.h"
#include "firmware/intel_hex.h"
#include "tests/firmware/erased.h"

#include <algorithm>
#include <cstring>
#include <gtest/gtest.h>
#include <random>
#include <string>

namespace {

void ParseAndCheck(const std::vector<uint8_t>& text) {
    Buff buffer(Buff::kImageSize);
    std::copy(text.begin(), text.end(), buffer.data());
    uint32_t dataBytes = 0;
    uint32_t lastAddress = 0;
    ParseIntelHex({buffer.data(), buffer.size()}, uint32_t(text.size()), dataBytes, lastAddress);
    ASSERT_LT(lastAddress, Buff::kImageSize);
    // Every data byte needs two hex digits of text.
    ASSERT_LE(dataBytes, text.size() / 2);
    uint8_t* above = buffer.data() + lastAddress + 1;
    ASSERT_TRUE(
        std::all_of(above, buffer.data() + Buff::kImageSize, [](uint8_t b) { return b == 0xFF; }));
}

// The highest 16-bit address with the largest count a line can hold, then the end record.
std::string HighestRecordText() {
    std::string line = ":7BFFFF00";
    line.append(2 * 0x7B, 'A');
    return line + "\n:00000001FF\n"; // the line is full: its line feed is the dropped character
}

struct Parsed {
    bool ended;
    uint32_t dataBytes;
    uint32_t lastAddress;
};

// Parses `text` placed at the start of `buffer`, whose other bytes stay as given.
Parsed Parse(Buff& buffer, const std::string& text) {
    std::memcpy(buffer.data(), text.data(), text.size());
    Parsed p{};
    p.ended = ParseIntelHex({buffer.data(), buffer.size()}, static_cast<uint32_t>(text.size()),
                            p.dataBytes, p.lastAddress);
    return p;
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
    const std::string line = HighestRecordText();
    ParseAndCheck(std::vector<uint8_t>(line.begin(), line.end()));
}

TEST(IntelHex, TheHighestRecordFitsTheSmallestImageAndASmallerOneIsLeftAlone) {
    const std::string line = HighestRecordText();
    std::vector<uint8_t> image(kIntelHexReach, 0);
    std::copy(line.begin(), line.end(), image.begin());
    uint32_t bytes = 0;
    uint32_t last = 0;
    EXPECT_TRUE(ParseIntelHex(image, uint32_t(line.size()), bytes, last));
    EXPECT_EQ(last, kIntelHexReach - 1);
    EXPECT_EQ(image.back(), 0xAA);

    std::vector<uint8_t> small(kIntelHexReach - 1, 0);
    std::copy(line.begin(), line.end(), small.begin());
    EXPECT_FALSE(ParseIntelHex(small, uint32_t(line.size()), bytes, last));
    EXPECT_TRUE(std::equal(line.begin(), line.end(), small.begin()));
}

TEST(IntelHex, EmptyFirstLineStopsAtOnceAndLeavesAllFF) {
    Buff buffer(Buff::kImageSize);
    const Parsed p = Parse(buffer, "\n:0100000055AA\r\n:00000001FF\r\n");
    EXPECT_FALSE(p.ended);
    EXPECT_EQ(p.dataBytes, 0u);
    EXPECT_EQ(p.lastAddress, 0u);
    EXPECT_TRUE(AllFF(buffer, 0, Buff::kImageSize - 1));
}

TEST(IntelHex, SkipsForeignLinesAndAddressRecordsAndPlacesDataBy16BitAddress) {
    Buff buffer(Buff::kImageSize);
    const Parsed p = Parse(buffer, "junk line\r\n"
                                   ":020000020000FC\r\n"
                                   ":0400000300000000F9\r\n"
                                   ":020000040001F9\r\n"
                                   ":0400000500000000F7\r\n"
                                   ":0200100011220B\r\n"
                                   ":00000001FF\r\n"
                                   ":0100200033AC\r\n");
    EXPECT_TRUE(p.ended);
    EXPECT_EQ(p.dataBytes, 2u);
    EXPECT_EQ(p.lastAddress, 0x11u);
    EXPECT_EQ(buffer.data()[0x10], 0x11);
    EXPECT_EQ(buffer.data()[0x11], 0x22);
    EXPECT_TRUE(AllFF(buffer, 0, 0x0F));
    EXPECT_TRUE(AllFF(buffer, 0x12, Buff::kImageSize - 1)); // nothing after the end record
}

TEST(IntelHex, RecordsOutOfOrderKeepEveryByteUpToTheHighest) {
    Buff buffer(Buff::kImageSize);
    const Parsed p = Parse(buffer, ":0400200001020304D2\r\n:0200000055AAFF\r\n:00000001FF\r\n");
    EXPECT_TRUE(p.ended);
    EXPECT_EQ(p.dataBytes, 6u);
    EXPECT_EQ(p.lastAddress, 0x23u);
    EXPECT_EQ(buffer.data()[0x00], 0x55);
    EXPECT_EQ(buffer.data()[0x23], 0x04);
}

TEST(IntelHex, WrongChecksumsAndLowerCaseDigitsAreAccepted) {
    Buff buffer(Buff::kImageSize);
    const Parsed p = Parse(buffer, ":02000a00abCd00\r\n:00000001FF\r\n");
    EXPECT_TRUE(p.ended);
    EXPECT_EQ(buffer.data()[0x0A], 0xAB);
    EXPECT_EQ(buffer.data()[0x0B], 0xCD);
}

TEST(IntelHex, OverlongLineSplitsAfter255CharactersDroppingThe256th) {
    std::string first = ":04000000DEADBEEF00";
    first.resize(255, 'Z');
    const std::string text = first + "!" + ":0200200012AB00\r\n:00000001FF\r\n";
    Buff buffer(Buff::kImageSize);
    const Parsed p = Parse(buffer, text);
    EXPECT_TRUE(p.ended);
    EXPECT_EQ(buffer.data()[0x00], 0xDE);
    EXPECT_EQ(buffer.data()[0x03], 0xEF);
    EXPECT_EQ(buffer.data()[0x20], 0x12); // read only because "!" was dropped
    EXPECT_EQ(p.dataBytes, 6u);
}

TEST(IntelHex, MalformedRecordsAreSkippedWhole) {
    Buff buffer(Buff::kImageSize);
    const std::string longRecord = ":10010000000102030405060708090A0B0C0D0E0F00\r\n";
    const Parsed p = Parse(buffer, longRecord + ":10020000AABB\r\n" // fewer data bytes than counted
                                                ":02030000AAGG00\r\n" // not a hexadecimal digit
                                                ":0204X000AABB00\r\n" // nor in the address
                                                ":1001\r\n"           // shorter than the fields; a
                                                            // stale line would supply them
                                                ":8005000000\r\n" // count that cannot fit a line
                                                ":00000001FF\r\n");
    EXPECT_TRUE(p.ended);
    EXPECT_EQ(p.dataBytes, 16u);
    EXPECT_EQ(p.lastAddress, 0x10Fu);
    EXPECT_TRUE(AllFF(buffer, 0x110, Buff::kImageSize - 1));
}

TEST(IntelHex, ZeroCountRecordStoresNothingAndKeepsTheLastAddress) {
    Buff buffer(Buff::kImageSize);
    const Parsed alone = Parse(buffer, ":00000000\r\n:00000001FF\r\n");
    EXPECT_EQ(alone.lastAddress, 0u);
    EXPECT_TRUE(AllFF(buffer, 0, Buff::kImageSize - 1));

    const Parsed after = Parse(buffer, ":0100100042AD\r\n:00800000\r\n:00000001FF\r\n");
    EXPECT_EQ(after.dataBytes, 1u);
    EXPECT_EQ(after.lastAddress, 0x10u);
}

TEST(IntelHex, NeverReadsPastTheText) {
    Buff buffer(Buff::kImageSize);
    // What lies after the text (former buffer contents) must not be parsed.
    const std::string behind = ":0100300077AA\r\n:00000001FF\r\n";
    std::memcpy(buffer.data() + 20, behind.data(), behind.size());
    const Parsed cut = Parse(buffer, ":0100000011EE\r\n");
    EXPECT_FALSE(cut.ended);
    EXPECT_EQ(buffer.data()[0x30], 0xFF);
    EXPECT_EQ(cut.lastAddress, 0u);

    // A last line without line feed still counts; the end then stops the parse.
    const Parsed noFeed = Parse(buffer, ":0100050011EE\r\n:00000001FF");
    EXPECT_TRUE(noFeed.ended);
    EXPECT_EQ(buffer.data()[5], 0x11);

    // A full buffer of text without any line feed ends without overrun.
    buffer.fill(0, Buff::kImageSize - 1, 'A');
    uint32_t bytes = 1, last = 1;
    EXPECT_FALSE(ParseIntelHex({buffer.data(), buffer.size()}, Buff::kImageSize, bytes, last));
    EXPECT_TRUE(AllFF(buffer, 0, Buff::kImageSize - 1));
}
