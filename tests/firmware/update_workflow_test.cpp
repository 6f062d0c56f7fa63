#include "fakes/fake_dialogs.h"
#include "fakes/fake_isp.h"
#include "fakes/fake_serial.h"
#include "fakes/recording_list.h"
#include "fakes/temp_dir.h"
#include "firmware/device_types.h"
#include "firmware/update_workflow.h"
#include "link/device_commands.h"

#include <gtest/gtest.h>

#include <memory>
#include <sstream>

namespace {

using Texts = std::vector<std::string>;

std::vector<uint8_t> BoardInfo(uint8_t boardId) {
    std::vector<uint8_t> answer(kBoardInfoSize, 0);
    answer[kBoardInfoIdIndex] = boardId;
    return answer;
}

class UpdateWorkflow : public ::testing::Test {
  protected:
    UpdateWorkflow()
        : port(std::make_unique<FakeSerial>(serial)),
          imageBuffer(Buff::kImageSize), c{port,    imageBuffer, state,  log,
                                           dialogs, loader,      console} {
        log.attach(&list);
        port.open(7);
        serial.calls.clear();
    }

    // Runs the update with the dialog "choosing" `choice`.
    void update(uint8_t choice) {
        StartDeviceUpdate(c, countdown, [&] {
            ++dialogShown;
            state.deviceTypeChoice = choice;
        });
    }

    FakeSerial::Shared serial;
    CommDevice port;
    Buff imageBuffer;
    FirmwareState state;
    RecordingList list;
    MyErrLog log;
    FakeDialogs dialogs;
    FakeIspLoader loader;
    std::ostringstream console;
    FirmwareContext c;
    UpdateCountdown countdown{[] {}, [] {}};
    int dialogShown = 0;
};

} // namespace

TEST_F(UpdateWorkflow, Display2018LoadsItsImageAndProgramsTheATmega16U4) {
    TempDir dir{TempDir::Use::WorkingFolder};
    FakeIsp fake;
    ApplyDeviceTypeChoice(false, 2, state, dialogs); // "display_2018"
    update(state.deviceTypeChoice);
    EXPECT_EQ(list.entries, (Texts{"BrdId>> 3", "Send OK"}));
    EXPECT_EQ(serial.written, std::vector<uint8_t>{Cmd::StartBootloader});
    EXPECT_EQ(countdown.seconds(), 3);
    EXPECT_EQ(state.imageEndAddress, 0x1C7Du);
    EXPECT_EQ(state.targetChipSize, "16k");
    EXPECT_FALSE(state.ispResult);

    UpdateCountdownReachedOne(c);
    EXPECT_EQ(state.ispResult, 0); // what the command line ends with
    EXPECT_EQ(fake.calls()[2], "ispSelectDevice(ATmega16U4)");
    EXPECT_EQ(fake.programmed(),
              std::vector<uint8_t>(imageBuffer.data(), imageBuffer.data() + 0x1C7E));
    EXPECT_TRUE(dir.files().empty());
    EXPECT_EQ(console.str(), "1.3.0\n");
}

TEST_F(UpdateWorkflow, TheOtherDeviceTypesSelectThe32kChip) {
    for (int index : {0, 1, 3}) {
        ApplyDeviceTypeChoice(false, index, state, dialogs);
        update(state.deviceTypeChoice);
        EXPECT_EQ(state.targetChipSize, "32k") << index;
    }
    EXPECT_EQ(list.entries,
              (Texts{"BrdId>> 0", "Send OK", "BrdId>> 2", "Send OK", "BrdId>> 4", "Send OK"}));
}

TEST_F(UpdateWorkflow, NoConfirmationOrClosedPortEndsEarly) {
    dialogs.confirmAnswer = false;
    update(2);
    EXPECT_EQ(dialogs.confirmations, Texts{"Program Device?"});
    EXPECT_TRUE(list.entries.empty());
    EXPECT_EQ(dialogShown, 0);

    dialogs.confirmAnswer = true;
    port.close();
    update(2);
    EXPECT_EQ(list.entries, Texts{"COM is't open"});
    EXPECT_EQ(dialogShown, 0);
    EXPECT_EQ(countdown.seconds(), 0);
}

TEST_F(UpdateWorkflow, ClosedPortWithABootloaderOnUsbAsksForTheTypeAndProgramsAtOnce) {
    TempDir dir{TempDir::Use::WorkingFolder};
    FakeIsp fake;
    fake.setBootloaderPresent(true);
    port.close();
    const uint8_t choices[] = {kAutoDeviceType, 2, kAutoDeviceType, kAutoDeviceType};
    const auto choose = [&] { state.deviceTypeChoice = choices[dialogShown++]; };
    StartDeviceUpdate(c, countdown, choose);
    EXPECT_EQ(dialogShown, 2);
    EXPECT_EQ(dialogs.texts(), (Texts{"Choose type of device", "Size 32k", "start_program_flash",
                                      "Switching to appli mode"}));
    EXPECT_EQ(list.entries, Texts{"BrdId>> 2"});
    EXPECT_TRUE(serial.written.empty());
    EXPECT_EQ(countdown.seconds(), 0);
    EXPECT_EQ(fake.programmed(),
              std::vector<uint8_t>(imageBuffer.data(), imageBuffer.data() + 0x3948));

    // Auto again after the reminder: nothing is loaded or programmed.
    fake.setBootloaderPresent(true);
    dialogs.messages.clear();
    list.entries.clear();
    StartDeviceUpdate(c, countdown, choose);
    EXPECT_EQ(dialogShown, 4);
    EXPECT_EQ(dialogs.texts(), Texts{"Choose type of device"});
    EXPECT_TRUE(list.entries.empty());
}

TEST_F(UpdateWorkflow, AutoReadsTheBoardIdFromTheDevice) {
    serial.reads.push_back(BoardInfo(4));
    update(kAutoDeviceType);
    EXPECT_EQ(list.entries, (Texts{"id= auto", "BrdId= 4", "Send OK"}));
    EXPECT_EQ(serial.written, (std::vector<uint8_t>{Cmd::BoardInfo, Cmd::StartBootloader}));
    EXPECT_EQ(state.imageEndAddress, 0x4667u);
    EXPECT_EQ(countdown.seconds(), 3);
}

TEST_F(UpdateWorkflow, AutoWithBoardIdOneEndsInUpdateErr) {
    state.imageEndAddress = 0x123;
    serial.reads.push_back(BoardInfo(1));
    update(kAutoDeviceType);
    EXPECT_EQ(list.entries, (Texts{"id= auto", "BrdId= 1"}));
    EXPECT_EQ(dialogs.texts(), Texts{"UpdateErr"});
    EXPECT_EQ(serial.written, std::vector<uint8_t>{Cmd::BoardInfo});
    EXPECT_EQ(state.imageEndAddress, 0x123u);
    EXPECT_EQ(countdown.seconds(), 0);
}

TEST_F(UpdateWorkflow, AutoWithoutAnswerLogsReadErr) {
    update(kAutoDeviceType + 50);
    EXPECT_EQ(list.entries, (Texts{"id= auto", "Read err"}));
    EXPECT_EQ(countdown.seconds(), 0);
}

TEST_F(UpdateWorkflow, FailedBootloaderCommandKeepsTheCountdown) {
    serial.failStep = "write";
    serial.errorCode = 31;
    update(2);
    EXPECT_EQ(list.entries, (Texts{"BrdId>> 2", "Send ERR=31"}));
    EXPECT_EQ(state.imageEndAddress, 0x3947u);
    EXPECT_EQ(countdown.seconds(), 0);
}

TEST_F(UpdateWorkflow, SecondUpdateWhileTheCountdownStandsAtThree) {
    update(0);
    ASSERT_EQ(countdown.seconds(), 3);
    imageBuffer.fill(0, Buff::kImageSize - 1, 0x00);
    update(0);
    EXPECT_EQ(countdown.seconds(), 3);
    EXPECT_EQ(imageBuffer.data()[0x1E74], 0xFF); // reloaded
    EXPECT_EQ(list.entries, (Texts{"BrdId>> 0", "Send OK", "BrdId>> 0", "Send OK"}));
    EXPECT_EQ(serial.written, (std::vector<uint8_t>{Cmd::StartBootloader, Cmd::StartBootloader}));
}

TEST_F(UpdateWorkflow, Button7LogsTheLoaderMessageThen9B) {
    LoadBoardTwoImage(c);
    EXPECT_EQ(list.entries, (Texts{"hex, len = 41067\nparser,len= 14580, addr=14663", "9B"}));
    EXPECT_EQ(state.targetChipSize, "32k");
}

TEST_F(UpdateWorkflow, Button8RightAfterStartProgramsOneFFByteOnThe16U4) {
    TempDir dir{TempDir::Use::WorkingFolder};
    FakeIsp fake;
    ProgramImageBuffer(c);
    EXPECT_EQ(fake.calls()[2], "ispSelectDevice(ATmega16U4)");
    EXPECT_EQ(fake.fills(), Texts{"0,0,FF"});
    EXPECT_EQ(dialogs.texts().front(), "Size 16k");
}

TEST(DeviceTypeChoice, AutoItemOrBoxWithoutSelection) {
    FakeDialogs dialogs;
    FirmwareState state;
    ApplyDeviceTypeChoice(true, 1, state, dialogs);
    EXPECT_EQ(state.deviceTypeChoice, kAutoDeviceType);
    ApplyDeviceTypeChoice(false, 3, state, dialogs);
    EXPECT_EQ(state.deviceTypeChoice, 4);
    for (int bad : {-1, 4}) {
        ApplyDeviceTypeChoice(false, bad, state, dialogs);
        EXPECT_EQ(state.deviceTypeChoice, 4);
    }
    EXPECT_EQ(dialogs.texts(), (Texts{"Choose type of device", "Choose type of device"}));
}
