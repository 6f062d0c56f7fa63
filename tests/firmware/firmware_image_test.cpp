#include "firmware/buff.h"
#include "firmware/firmware_image.h"
#include "firmware/image_resources.h"
#include "tests/firmware/erased.h"

#include <gtest/gtest.h>

#include <algorithm>
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

// "Mmm dd yyyy", the day right-aligned with a blank.
bool IsBuildDate(const std::string& t) {
    static const std::string months = "JanFebMarAprMayJunJulAugSepOctNovDec";
    auto digit = [](char c) { return c >= '0' && c <= '9'; };
    const size_t month = t.size() == 11 ? months.find(t.substr(0, 3)) : std::string::npos;
    return month != std::string::npos && month % 3 == 0 && t[3] == ' ' &&
           (t[4] == ' ' || digit(t[4])) && digit(t[5]) && t[6] == ' ' && digit(t[7]) &&
           digit(t[8]) && digit(t[9]) && digit(t[10]);
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
        FirmwareState state{"16k", 0x77, 0, {}};
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
    FirmwareState state{"32k", 0, 0, {}};
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

TEST(BuffFill, BoundsAreCheckedBeforeAnythingIsWritten) {
    Buff buff(Buff::kImageSize);
    ASSERT_EQ(buff.size(), 0x20000u);
    EXPECT_TRUE(
        std::all_of(buff.data(), buff.data() + buff.size(), [](uint8_t b) { return b == 0xFF; }));
    EXPECT_TRUE(buff.fill(0, 0x1FFFF, 0xFF));
    EXPECT_FALSE(buff.fill(0, 0x20000, 0));
    EXPECT_EQ(buff.data()[0], 0xFF);
    EXPECT_EQ(buff.data()[0x1FFFF], 0xFF);
    EXPECT_FALSE(buff.fill(0x20000, 0x20000, 0));
    EXPECT_TRUE(buff.fill(5, 4, 0));
    EXPECT_TRUE(
        std::all_of(buff.data(), buff.data() + buff.size(), [](uint8_t b) { return b == 0xFF; }));
    EXPECT_TRUE(buff.fill(0x1FFFF, 0x1FFFF, 0x12));
    EXPECT_EQ(buff.data()[0x1FFFF], 0x12);
    EXPECT_EQ(buff.data()[0x1FFFE], 0xFF);
}
