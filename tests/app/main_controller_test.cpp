#include "app/main_controller.h"

#include "app/globals.h"
#include "fakes/fake_dialogs.h"
#include "fakes/fake_isp.h"
#include "fakes/fake_serial.h"
#include "fakes/recording_list.h"
#include "fakes/temp_dir.h"
#include "link/device_commands.h"
#include "monitor/live_params.h"
#include "tests/monitor/recording_poll_view.h"

#include <gtest/gtest.h>

#include <fstream>
#include <functional>

namespace {

using Texts = std::vector<std::string>;

class RecordingMainView : public RecordingView<MainView> {
  public:
    ListSink& messageList() override { return messages; }
    ListSink& candidateList() override { return candidates; }
    void hideControl(const char* name) override { hidden.emplace_back(name); }
    void setPortList(const std::vector<std::string>& list, int selected) override {
        ports = list;
        port = list.at(static_cast<size_t>(selected));
    }
    std::string portText() const override { return port; }
    void setLogCaption(const std::string& caption) override { logCaption = caption; }
    void showModal(Window window) override {
        if (onModal) {
            onModal(window);
        }
    }

    RecordingList messages;
    RecordingList candidates;
    Texts hidden;
    Texts ports;
    std::string port;
    std::string logCaption;
    std::function<void(Window)> onModal;
};

struct Main {
    // Made inside a temporary working folder: creation reads dino.cfg from there.
    Main() : g(std::make_unique<FakeSerial>(serial)) {
        loader.available = false;
        controller.setUpWindow();
    }
    const Texts& log() const { return view.messages.entries; }
    void ticks(int n) {
        for (int i = 0; i < n; ++i) {
            controller.tick();
        }
    }

    FakeSerial::Shared serial;
    Globals g;
    FakeDialogs dialogs;
    FakeIspLoader loader;
    RecordingMainView view;
    MainController controller{g, dialogs, view, loader};
};

} // namespace

TEST(MainController, CreationLogsWhetherDinoCfgWasReadHidesDeveloperControlsAndFillsTheWindow) {
    {
        TempDir cwd(TempDir::Use::WorkingFolder);
        Main m;
        EXPECT_EQ(m.log(), (Texts{"dino.cfg read ERR", "RunUserMode"}));
        EXPECT_FLOAT_EQ(m.g.dino.Values()[0], 0.34f);
        EXPECT_EQ(m.view.hidden, (Texts{"ListBox2", "CheckBox1", "Button3", "Button6", "Button7",
                                        "Button8", "Button9", "Button10", "BitBtn1"}));
        ASSERT_EQ(m.view.ports.size(), 99u);
        EXPECT_EQ(m.view.ports.back(), "COM99");
        EXPECT_EQ(m.view.port, "COM7");
        EXPECT_EQ(m.view.cell(0, 0), "Par_num");
        EXPECT_EQ(m.view.cell(1, 12), "par2b");
        EXPECT_EQ(m.view.cell(3, 23), "can_brake");
    }
    {
        TempDir cwd(TempDir::Use::WorkingFolder);
        const float first = 0.5f;
        std::ofstream(cwd.file("dino.cfg"), std::ios::binary)
            .write(reinterpret_cast<const char*>(&first), 4);
        Main m;
        EXPECT_EQ(m.log(), (Texts{"dino.cfg read OK", "RunUserMode"}));
        EXPECT_FLOAT_EQ(m.g.dino.Values()[0], 0.5f);
        EXPECT_FLOAT_EQ(m.g.dino.Values()[1], 2.2f);
    }
}

TEST(MainController, StartWithClosedPortAndFileLogWithoutPollingOnlyReport) {
    TempDir cwd(TempDir::Use::WorkingFolder);
    Main m;
    m.controller.toggleRun();
    m.controller.toggleDataLog();
    EXPECT_TRUE(m.view.captions.empty());
    EXPECT_EQ(m.view.logCaption, "StartLog");
    ASSERT_EQ(m.log().size(), 4u);
    EXPECT_EQ(m.log()[2], "Try to Open Com");
    EXPECT_EQ(m.log()[3], "Can't log, Try Start");
}

// The whole hand-over while polling: the update closes the port once, the sequence runs
// once, and the ticks its box lets through (across a multiple of 40) start nothing again.
TEST(MainController, UpdateHandOverClosesThePortThenProgramsOnceWhileItsBoxKeepsTicking) {
    TempDir cwd(TempDir::Use::WorkingFolder);
    Main m;
    ASSERT_TRUE(m.g.port.open(7));
    m.controller.toggleRun();
    m.serial.reads.push_back({kConnectReady});
    for (int i = 0; i < 70; ++i) {
        m.serial.reads.emplace_back(kFrameSize, uint8_t(i));
    }
    m.ticks(100);
    ASSERT_EQ(m.controller.pollCycle().state(), PollCycle::State::Polling);
    m.view.onModal = [&](MainView::Window w) {
        EXPECT_EQ(w, MainView::Window::DeviceType);
        m.g.firmware.deviceTypeChoice = 0;
    };
    int boxes = 0;
    m.dialogs.onMessage = [&](const std::string&) {
        ++boxes;
        m.ticks(45);
    };
    m.controller.updateDevice();
    EXPECT_EQ(m.controller.updateCountdown().seconds(), UpdateCountdown::kStart);
    m.ticks(60); // tick 160 runs the sequence, whose box runs ticks 161 to 205
    EXPECT_EQ(m.controller.pollCycle().tickCount(), 205u);
    EXPECT_EQ(m.controller.updateCountdown().seconds(), 0);
    EXPECT_EQ(m.view.elapsed, "Time=0m5s");
    m.ticks(100);
    // No vendor library here: the sequence ran exactly once and said so.
    EXPECT_EQ(boxes, 1);
    EXPECT_EQ(m.dialogs.texts(), Texts{"WIN32 can not load AtJniIsp.dll"});
    // The port closes before the tick's half-step, which finds it closed; the cycle then
    // stops once, with its own messages, and the sequence logs nothing.
    EXPECT_EQ(m.log(), (Texts{"dino.cfg read ERR", "RunUserMode", "Cmd Connect", "Connected",
                              "BrdId>> 0", "Send OK", "Close Com OK", "Read ERR2 = 0", "Time=0m3s",
                              "Connect ERR = 0", "Time=0m3s"}));
    EXPECT_FALSE(m.controller.pollCycle().runFlag());
}
