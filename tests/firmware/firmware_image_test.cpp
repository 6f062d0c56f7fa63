#include "firmware/firmware_image.h"
#include "firmware/image_resources.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

struct ImageRow {
    uint8_t boardId;
    uint32_t textLength;
    uint32_t dataBytes;
    uint32_t endAddress;
    const char* chipSize;
};

constexpr ImageRow kRows[] = {
    {0, 21754, 7712, 0x1E73, "32k"},
    {2, 41067, 14580, 0x3947, "32k"},
    {3, 20334, 7210, 0x1C7D, "16k"},
    {4, 50517, 17940, 0x4667, "32k"},
};

bool AllFF(const Buff& b, uint32_t first, uint32_t last) {
    for (uint32_t a = first; a <= last; ++a) {
        if (b.data()[a] != 0xFF) {
            return false;
        }
    }
    return true;
}

// "Mmm dd yyyy", the day right-aligned with a blank.
bool IsBuildDate(const std::string& t) {
    static const std::string months = "JanFebMarAprMayJunJulAugSepOctNovDec";
    auto digit = [](char c) { return c >= '0' && c <= '9'; };
    const size_t month = t.size() == 11 ? months.find(t.substr(0, 3)) : std::string::npos;
    return month != std::string::npos && month % 3 == 0 && t[3] == ' ' &&
           (t[4] == ' ' || digit(t[4])) && digit(t[5]) && t[6] == ' ' && digit(t[7]) &&
           digit(t[8]) && digit(t[9]) && digit(t[10]);
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
    p.ended = ParseIntelHex(buffer, static_cast<uint32_t>(text.size()), p.dataBytes, p.lastAddress);
    return p;
}

} // namespace

TEST(FirmwareImage, EveryEmbeddedImageLoadsWithItsFiguresAndGaps) {
    for (const auto& row : kRows) {
        SCOPED_TRACE(int(row.boardId));
        Buff buffer(Buff::kImageSize);
        FirmwareState state;
        state.imageEndAddress = 99;
        std::string message = "old";
        ASSERT_TRUE(LoadFirmwareImage(buffer, state, message, row.boardId));
        EXPECT_EQ(message, "hex, len = " + std::to_string(row.textLength) +
                               "\nparser,len= " + std::to_string(row.dataBytes) +
                               ", addr=" + std::to_string(row.endAddress));
        EXPECT_EQ(state.imageEndAddress, row.endAddress);
        EXPECT_EQ(state.targetChipSize, row.chipSize);
        EXPECT_TRUE(AllFF(buffer, 0x00AC, 0x00FF));
        EXPECT_TRUE(AllFF(buffer, row.endAddress + 1, Buff::kImageSize - 1));
        EXPECT_TRUE(IsBuildDate(ImageFirmwareText(buffer))) << ImageFirmwareText(buffer);
    }
}

TEST(FirmwareImage, EmbeddedTextsHaveTheVendorShape) {
    for (const auto& row : kRows) {
        SCOPED_TRACE(int(row.boardId));
        std::string text(Buff::kImageSize, '\0');
        uint32_t length = Buff::kImageSize;
        FirmwareState state;
        ASSERT_TRUE(
            LoadImageResource(reinterpret_cast<uint8_t*>(text.data()), length, row.boardId, state));
        ASSERT_EQ(length, row.textLength);
        text.resize(length);
        EXPECT_EQ(text.rfind(":020000020000FC\r\n:10000000", 0), 0u);
        EXPECT_NE(text.find("\r\n:0C00A000"), std::string::npos);
        EXPECT_NE(text.find("\r\n:10010000"), std::string::npos);
        const std::string tail = ":0400000300000000F9\r\n:00000001FF\r\n";
        EXPECT_EQ(text.substr(text.size() - tail.size()), tail);
        // Every line: ':', upper-case hexadecimal digits, at most 43 characters, CR LF.
        size_t lines = 0;
        for (size_t start = 0; start < text.size(); ++lines) {
            const size_t crlf = text.find("\r\n", start);
            ASSERT_NE(crlf, std::string::npos);
            const std::string line = text.substr(start, crlf - start);
            ASSERT_LE(line.size(), 43u);
            ASSERT_EQ(line[0], ':');
            ASSERT_EQ(line.find_first_not_of("0123456789ABCDEF", 1), std::string::npos) << line;
            start = crlf + 2;
        }
        EXPECT_EQ(lines, 3 + 11 + (row.dataBytes - 172 + 15) / 16); // vectors, application
    }
}

TEST(FirmwareImage, BoardIdsWithoutImageChangeNothing) {
    for (uint8_t id : {uint8_t{1}, uint8_t{5}, uint8_t{255}}) {
        Buff buffer(Buff::kImageSize);
        buffer.data()[0] = 0x12;
        FirmwareState state{"16k", 0x77, 0};
        std::string message = "kept";
        EXPECT_FALSE(LoadFirmwareImage(buffer, state, message, id));
        EXPECT_EQ(state.targetChipSize, "16k");
        EXPECT_EQ(state.imageEndAddress, 0x77u);
        EXPECT_EQ(message, "kept");
        EXPECT_EQ(buffer.data()[0], 0x12);
    }
}

TEST(FirmwareImage, TextLongerThanTheBufferFailsAfterSettingTheChipSize) {
    std::vector<uint8_t> small(20334, 0xAA);
    uint32_t length = 20333;
    FirmwareState state{"32k", 0, 0};
    EXPECT_FALSE(LoadImageResource(small.data(), length, 3, state));
    EXPECT_EQ(state.targetChipSize, "16k");
    EXPECT_EQ(small[0], 0xAA);
    length = 20334; // exactly the text's size fits
    EXPECT_TRUE(LoadImageResource(small.data(), length, 3, state));
    EXPECT_EQ(small[0], ':');
}

TEST(FirmwareImage, ResourcesAreFoundWithoutRegardToCase) {
    const auto upper = FindResource("MYRES_Display_0X03", "FFLASH");
    const auto lower = FindResource("myres_display_0x03", "fflash");
    ASSERT_TRUE(upper && lower);
    EXPECT_EQ(upper->data, lower->data);
    EXPECT_EQ(upper->size, 20334u);
    EXPECT_FALSE(FindResource("myres", "rcdata"));
    EXPECT_FALSE(FindResource("myres_", "fflash"));
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
    EXPECT_FALSE(ParseIntelHex(buffer, Buff::kImageSize, bytes, last));
    EXPECT_TRUE(AllFF(buffer, 0, Buff::kImageSize - 1));
}
