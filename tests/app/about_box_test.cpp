#include "app/about_box.h"
#include "fakes/fake_serial.h"
#include "link/device_commands.h"

#include <cstring>
#include <gtest/gtest.h>

namespace {

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    size_t start = 0;
    for (size_t nl; (nl = text.find('\n', start)) != std::string::npos; start = nl + 1) {
        lines.push_back(text.substr(start, nl - start));
    }
    lines.push_back(text.substr(start));
    return lines;
}

const ProgramVersion kVersion{{0, 0, 1, 147}, "Dec  6 2022"};

// A controller whose board information carries `date` (12 bytes, as sent) and `id`.
struct Controller {
    explicit Controller(const char (&date)[13], uint8_t id) {
        std::vector<uint8_t> answer(kBoardInfoSize, 0x5A);
        std::memcpy(answer.data() + kBoardInfoDateFirst, date, 12);
        answer[kBoardInfoIdIndex] = id;
        shared.existing = {"Com7"};
        shared.reads.push_back(answer);
        port.open(7);
    }
    FakeSerial::Shared shared;
    CommDevice port{std::make_unique<FakeSerial>(shared)};
};

} // namespace

TEST(AboutText, PortClosedGivesEightLinesWithoutBoardOrImage) {
    FakeSerial::Shared none;
    CommDevice port{std::make_unique<FakeSerial>(none)};
    Buff image(Buff::kImageSize);
    FirmwareState firmware;
    const auto lines = Lines(AboutText(port, image, firmware, kVersion));
    ASSERT_EQ(lines.size(), 8u);
    EXPECT_EQ(lines[0], "  KORVEX controller www.korvex.example ");
    EXPECT_EQ(lines[1], " ");
    EXPECT_EQ(lines[2], "BrdId: =255");
    EXPECT_EQ(lines[3], "Software version: 0. 0. 1. 147 Dec  6 2022");
    EXPECT_EQ(lines[4], "Firmware date bild: COM is't open");
    EXPECT_EQ(lines[5], "Update_firmware: err");
    EXPECT_EQ(lines[6], " ");
    EXPECT_EQ(lines[7], "Mail to: support@korvex.example");
    EXPECT_TRUE(firmware.targetChipSize.empty());
}

TEST(AboutText, ControllerWithBoardTwoShowsItsDateAndTheImageDate) {
    Controller c("Apr 22 2022\0", 2);
    Buff image(Buff::kImageSize);
    FirmwareState firmware;
    const auto lines = Lines(AboutText(c.port, image, firmware, kVersion));
    EXPECT_EQ(lines[2], "BrdId: =2");
    EXPECT_EQ(lines[4], "Firmware date bild: Apr 22 2022");
    EXPECT_EQ(lines[5], "Update_firmware: Apr 22 2022");
    // The image stays loaded, as for an update.
    EXPECT_EQ(firmware.imageEndAddress, 0x3947u);
    EXPECT_EQ(firmware.targetChipSize, "32k");
    // The board information was asked for with a purge first.
    EXPECT_EQ(c.shared.written.back(), Cmd::BoardInfo);
}

TEST(AboutText, TwelveCharacterDateIsShownWholeAndNothingAfterIt) {
    Controller c("Nov 30 2022X", 4);
    Buff image(Buff::kImageSize);
    FirmwareState firmware;
    const auto lines = Lines(AboutText(c.port, image, firmware, kVersion));
    EXPECT_EQ(lines[4], "Firmware date bild: Nov 30 2022X");
    EXPECT_EQ(lines[2], "BrdId: =4");
    EXPECT_EQ(lines[5], "Update_firmware: Feb 17 2023");
}

TEST(AboutText, BoardIdWithoutImageOrSilentControllerGiveErr) {
    Controller noImage("Apr 22 2022\0", 1);
    Buff image(Buff::kImageSize);
    FirmwareState firmware;
    auto lines = Lines(AboutText(noImage.port, image, firmware, kVersion));
    EXPECT_EQ(lines[2], "BrdId: =1");
    EXPECT_EQ(lines[5], "Update_firmware: err");
    EXPECT_EQ(image.data()[0], 0xFF); // nothing loaded

    FakeSerial::Shared silent;
    CommDevice port{std::make_unique<FakeSerial>(silent)};
    ASSERT_TRUE(port.open(7));
    lines = Lines(AboutText(port, image, firmware, kVersion));
    EXPECT_EQ(lines[2], "BrdId: =255");
    EXPECT_EQ(lines[4], "Firmware date bild: Read err");
    EXPECT_EQ(lines[5], "Update_firmware: err");
}

TEST(BuildVersion, ComesFromTheBuildWithTheStandardDateForm) {
    const ProgramVersion v = BuildVersion();
    EXPECT_EQ(v.buildDate.size(), 11u);
    EXPECT_EQ(v.buildDate[3], ' ');
    EXPECT_EQ(v.buildDate[6], ' ');
    EXPECT_NE(v.numbers, (std::array<uint16_t, 4>{0, 0, 0, 0}));
}
