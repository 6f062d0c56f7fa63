#pragma once

#include "core/dialogs.h"
#include "core/list_sink.h"
#include "firmware/library_loader.h"
#include "firmware/update_countdown.h"
#include "firmware/update_workflow.h"
#include "monitor/data_log.h"
#include "monitor/live_grid.h"
#include "monitor/poll_cycle.h"

#include <string>
#include <vector>

struct Globals;

// The main window "Logger" as its controller sees it.
class MainView : public PollView, public LiveGridView {
  public:
    enum class Window { Config, Dino, DeviceType };

    virtual ListSink& messageList() = 0;   // ListBox1
    virtual ListSink& candidateList() = 0; // ListBox2
    virtual void hideControl(const char* name) = 0;
    virtual void setPortList(const std::vector<std::string>& ports, int selected) = 0; // ComboBox1
    virtual std::string portText() const = 0;
    virtual void setLogCaption(const std::string& caption) = 0; // Button4
    // Shows the window modally and returns when it is closed.
    virtual void showModal(Window window) = 0;
};

// The main window's decisions: its creation and destruction, the port buttons, the
// 25 ms tick (poll cycle and update countdown), the data log and the update hand-over.
class MainController {
  public:
    MainController(Globals& globals, Dialogs& dialogs, MainView& view, LibraryLoader& loader);
    MainController(const MainController&) = delete;
    MainController& operator=(const MainController&) = delete;

    void setUpWindow();
    void shutDown();

    void openPort();
    void closePort();
    void sendBoardInfoRequest();
    void toggleDataLog();
    void toggleRun() { poll_.toggleRun(); }
    void startBootloader();
    void loadBoardTwoImage();
    void programImageBuffer();
    void resetDevice();
    void openPortShort();
    void setAutoSearch(bool checked) { autoFlag_ = checked; }
    void tick();
    void showConfig() { view_.showModal(MainView::Window::Config); }
    void updateDevice();
    void showDino() { view_.showModal(MainView::Window::Dino); }
    void showAbout();

    PollCycle& pollCycle() { return poll_; }
    const LiveGrid& liveGrid() const { return grid_; }
    DataLog& dataLog() { return dataLog_; }
    UpdateCountdown& updateCountdown() { return countdown_; }
    bool autoFlag() const { return autoFlag_; }

    static constexpr int kPortCount = 99;
    static constexpr int kFirstPortShown = 6; // COM7

  private:
    Globals& g_;
    Dialogs& dialogs_;
    MainView& view_;
    LiveGrid grid_;
    DataLog dataLog_;
    PollCycle poll_;
    FirmwareContext firmware_;
    UpdateCountdown countdown_;
    bool autoFlag_ = true;
};
