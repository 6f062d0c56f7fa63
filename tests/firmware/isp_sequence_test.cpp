#include "fakes/environment.h"
#include "fakes/fake_dialogs.h"
#include "fakes/fake_isp.h"
#include "fakes/temp_dir.h"
#include "firmware/isp_sequence.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace {

using Calls = std::vector<std::string>;

// The calls of a complete run for the 33-byte test image, fill calls aside.
Calls CompleteRun(const std::string& device) {
    return {"ispInit()",
            "ispSetLogEnabled(0)",
            "ispSelectDevice(" + device + ")",
            "ispSelectCommHardware(2)",
            "ispOpenUsbPort()",
            "ispReadSpecialByte(0)",
            "ispGetLastResult()",
            "ispEraseDevice()",
            "ispParseHexFile(my_empty_file0021.hex)",
            "ispProgramDevice()",
            "ispEnterAppliMode(0,0)",
            "ispExit()"};
}

class IspSequence : public ::testing::Test {
  protected:
    IspSequence() : image(Buff::kImageSize) {
        for (uint32_t a = 0; a <= kEnd; ++a) {
            image.data()[a] = static_cast<uint8_t>(a * 7 + 5); // 0x0C at 1, 0xFF at 0x24 ...
        }
        image.data()[kEnd] = 0xFF;
    }

    int run(const std::string& chipSize = "32k", uint32_t end = kEnd) {
        return RunIspSequence(image, end, chipSize, loader, dialogs, out);
    }

    static constexpr uint32_t kEnd = 0x20;
    TempDir dir{TempDir::Use::WorkingFolder};
    FakeIsp fake;
    FakeIspLoader loader;
    FakeDialogs dialogs;
    std::ostringstream out;
    Buff image;
};

} // namespace

TEST_F(IspSequence, CompleteRunProgramsTheImageAndCleansUp) {
    EXPECT_EQ(run(), 0);
    EXPECT_EQ(fake.calls(), CompleteRun("ATmega32U4"));
    EXPECT_EQ(dialogs.texts(),
              (Calls{"Size 32k", "start_program_flash", "Switching to appli mode"}));
    EXPECT_EQ(out.str(), "1.3.0\n");

    const Calls fills = fake.fills();
    ASSERT_EQ(fills.size(), kEnd + 1);
    EXPECT_EQ(fills[0], "0,0,05");
    EXPECT_EQ(fills[1], "1,1,0C");
    EXPECT_EQ(fills[kEnd], "32,32,FF");
    const std::vector<uint8_t> flash = fake.programmed();
    EXPECT_EQ(flash, std::vector<uint8_t>(image.data(), image.data() + kEnd + 1));

    EXPECT_EQ(fake.parsedFileText(), ":0100000000FF\r\n:0100200000DF\r\n:00000001FF\r\n");
    EXPECT_TRUE(dir.files().empty());
    EXPECT_EQ(loader.loaded, Calls{kIspLibraryName});
    EXPECT_EQ(loader.open, 0);
}

TEST_F(IspSequence, WithoutLibraryOnlyTheBoxAnd54) {
    loader.available = false;
    EXPECT_EQ(run(), kIspLibraryNotLoaded);
    EXPECT_EQ(dialogs.texts(), Calls{"WIN32 can not load AtJniIsp.dll"});
    EXPECT_TRUE(fake.calls().empty());
    EXPECT_TRUE(dir.files().empty());
}

TEST_F(IspSequence, SixteenKOrNoChipSizeSelectsTheATmega16U4) {
    for (const char* size : {"16k", "", "32K"}) {
        SCOPED_TRACE(size);
        FakeIsp again; // a fresh record
        FakeDialogs boxes;
        EXPECT_EQ(RunIspSequence(image, kEnd, size, loader, boxes, out), 0);
        EXPECT_EQ(again.calls()[2], "ispSelectDevice(ATmega16U4)");
        EXPECT_EQ(boxes.texts()[0], "Size 16k");
    }
}

TEST_F(IspSequence, MissingNamesGiveOneBoxEachBeforeInit) {
    loader.lacking = {"ispSetDtrLow", "ispOpenCanPort", "ispWriteHexFile"};
    dialogs.onMessage = [this](const std::string& text) {
        if (text == "Missing function in DLL") {
            EXPECT_TRUE(fake.calls().empty());
        }
    };
    EXPECT_EQ(run(), 0);
    ASSERT_GE(dialogs.messages.size(), 3u);
    for (size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(dialogs.messages[i].text, "Missing function in DLL");
        EXPECT_EQ(dialogs.messages[i].caption, "DLL Message");
    }
    EXPECT_EQ(dialogs.messages[3].text, "Size 32k");
}

TEST_F(IspSequence, EachFailingStepEndsWithItsBoxesAndCleanUp) {
    const char* kFailed = "Update failed: fake failure";
    struct Case {
        const char* step;
        Calls boxes;
        bool exits;
        bool fileWritten;
    };
    const Case cases[] = {
        {"ispInit", {"can not find flip.exe path(ispInit() fail)"}, false, false},
        {"ispSelectDevice", {"ispSelectDevice fail"}, false, false},
        {"ispSelectCommHardware", {"Size 32k"}, false, false},
        // From the port's opening on, the library's message follows in one box.
        {"ispOpenUsbPort", {"Size 32k", kFailed}, false, false},
        {"ispReadSpecialByte", {"Size 32k", kFailed}, true, false},
        {"ispEraseDevice", {"Size 32k", kFailed}, true, false},
        {"ispParseHexFile", {"Size 32k", kFailed}, true, true},
        {"ispProgramDevice", {"Size 32k", "start_program_flash", kFailed}, true, true},
        {"ispEnterAppliMode",
         {"Size 32k", "start_program_flash", "Switching to appli mode", kFailed},
         true,
         true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.step);
        FakeIsp fresh;
        fresh.fail(c.step);
        fresh.setLastError(42);
        // A file of the same name shows whether the sequence wrote (and then
        // deleted) its own, or never got that far.
        std::ofstream("my_empty_file0021.hex") << "sentinel";
        FakeDialogs boxes;
        EXPECT_EQ(RunIspSequence(image, kEnd, "32k", loader, boxes, out), 42);
        EXPECT_EQ(boxes.texts(), c.boxes);

        Calls calls = fresh.calls();
        ASSERT_GE(calls.size(), 2u);
        if (c.exits) {
            EXPECT_EQ(calls.back(), "ispExit()");
            calls.pop_back();
        }
        if (c.boxes.back() == kFailed) {
            EXPECT_EQ(calls.back(), "ispGetLastErrorMssg()");
            calls.pop_back();
        }
        EXPECT_EQ(calls.back(), "ispGetLastError()");
        EXPECT_EQ(calls[calls.size() - 2].rfind(c.step, 0), 0u) << calls[calls.size() - 2];
        if (c.fileWritten) {
            EXPECT_TRUE(dir.files().empty());
        } else {
            EXPECT_EQ(dir.files(), Calls{"my_empty_file0021.hex"});
            std::filesystem::remove("my_empty_file0021.hex");
        }
        EXPECT_EQ(loader.open, 0);
    }
}

TEST_F(IspSequence, MissingCalledEntryPointsAreNeverCalledAndEndTheirStep) {
    loader.lacking = {"ispEraseDevice"};
    EXPECT_EQ(run(), 7); // the fake's last error
    Calls calls = fake.calls();
    EXPECT_EQ(calls, (Calls{"ispInit()", "ispSetLogEnabled(0)", "ispSelectDevice(ATmega32U4)",
                            "ispSelectCommHardware(2)", "ispOpenUsbPort()", "ispReadSpecialByte(0)",
                            "ispGetLastResult()", "ispGetLastError()", "ispGetLastErrorMssg()",
                            "ispExit()"}));

    FakeIsp fresh;
    loader.lacking = {"ispGetLastError", "ispProgramDevice"};
    EXPECT_EQ(run(), kIspUnspecifiedError);
    EXPECT_EQ(fresh.calls().back(), "ispExit()");
    EXPECT_EQ(fresh.fills().size(), kEnd + 1);
    EXPECT_TRUE(fresh.programmed().empty());
    EXPECT_TRUE(dir.files().empty());

    FakeIsp third;
    loader.lacking = {"ispInit"};
    EXPECT_EQ(run(), 7);
    EXPECT_EQ(third.calls(), Calls{"ispGetLastError()"});
}

TEST_F(IspSequence, ZeroLastErrorAfterAFailureIsNotReportedAsSuccess) {
    fake.fail("ispOpenUsbPort");
    fake.setLastError(0);
    EXPECT_EQ(run(), kIspUnspecifiedError);
}

TEST_F(IspSequence, HexFileThatCannotBeCreatedFailsWithError) {
    std::filesystem::create_directory("my_empty_file0021.hex");
    fake.setLastError(9);
    EXPECT_EQ(run(), 9);
    const Calls calls = fake.calls();
    EXPECT_EQ(calls[calls.size() - 3], "ispEraseDevice()");
    EXPECT_EQ(calls.back(), "ispExit()");
    EXPECT_EQ(dialogs.texts().back(), "can not create my_empty_file0021.hex");
    EXPECT_TRUE(std::filesystem::is_directory("my_empty_file0021.hex"));
    EXPECT_EQ(loader.open, 0);
}

TEST_F(IspSequence, EndAddressBeyondTheImageLoadsNothing) {
    EXPECT_EQ(run("32k", Buff::kImageSize), kIspRangeBeyondImage);
    EXPECT_TRUE(loader.loaded.empty());
}

TEST(BootloaderVersion, LineFromShortAndMissingTexts) {
    EXPECT_EQ(BootloaderVersionLine("30"), "1.3.0");
    EXPECT_EQ(BootloaderVersionLine("2.7.1"), "1.2..");
    EXPECT_EQ(BootloaderVersionLine("5"), "1.5.");
    EXPECT_EQ(BootloaderVersionLine(""), "1..");
    EXPECT_EQ(BootloaderVersionLine(nullptr), "1..");
}

TEST_F(IspSequence, EmptyVersionTextStillCompletes) {
    fake.setVersion(nullptr);
    EXPECT_EQ(run(), 0);
    EXPECT_EQ(out.str(), "1..\n");
}

// The variant library lacking two names, driven only through the environment
// as a program run would be, and its record written when it is unloaded.
TEST(FakeIspEnvironment, FailsTheNamedStepAndWritesItsRecordOnUnload) {
    TempDir dir{TempDir::Use::WorkingFolder};
    const std::string record = (dir.path() / "record.txt").string();
    SetEnv("KORVEX_FAKE_ISP_FAIL", "ispOpenUsbPort");
    SetEnv("KORVEX_FAKE_ISP_LAST_ERROR", "13");
    SetEnv("KORVEX_FAKE_ISP_RECORD", record);

    struct VariantLoader : SystemLibraryLoader {
        void* load(const std::string&) override {
            return SystemLibraryLoader::load(KORVEX_FAKE_ISP_LACKING_PATH);
        }
    } loader;
    FakeDialogs dialogs;
    std::ostringstream out;
    Buff image(Buff::kImageSize);
    EXPECT_EQ(RunIspSequence(image, 3, "16k", loader, dialogs, out), 13);
    UnsetEnv("KORVEX_FAKE_ISP_FAIL");
    UnsetEnv("KORVEX_FAKE_ISP_LAST_ERROR");
    UnsetEnv("KORVEX_FAKE_ISP_RECORD");

    EXPECT_EQ(dialogs.texts(), (Calls{"Missing function in DLL", "Missing function in DLL",
                                      "Size 16k", "Update failed: fake failure"}));
    std::ifstream in(record);
    std::stringstream text;
    text << in.rdbuf();
    EXPECT_EQ(text.str(), "run\ncall ispInit()\ncall ispSetLogEnabled(0)\n"
                          "call ispSelectDevice(ATmega16U4)\ncall ispSelectCommHardware(2)\n"
                          "call ispOpenUsbPort()\ncall ispGetLastError()\n"
                          "call ispGetLastErrorMssg()\nprogrammed 0\n");
}
