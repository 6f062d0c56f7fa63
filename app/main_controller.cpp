#include "app/main_controller.h"

#include "app/about_box.h"
#include "app/globals.h"
#include "link/device_commands.h"
#include "link/port_selection.h"

#include <iostream>

MainController::MainController(Globals& globals, Dialogs& dialogs, MainView& view,
                               LibraryLoader& loader)
    : g_(globals), dialogs_(dialogs), view_(view), grid_(view_), dataLog_(g_.log, g_.dino),
      poll_(g_.port, g_.log, view_), firmware_{g_.port,  g_.image, g_.firmware, g_.log,
                                               dialogs_, loader,   std::cout},
      // The hand-over closes the port as a click of CloseDevice would.
      countdown_([this] { closePort(); }, [this] { UpdateCountdownReachedOne(firmware_); }) {
    poll_.addListener(grid_);
    poll_.addListener(dataLog_);
}

void MainController::setUpWindow() {
    g_.log.attach(&view_.messageList());
    g_.log.appendLine(g_.dino.ReadWorkingFolderFile());
    view_.hideControl("ListBox2");
    g_.log.appendLine("RunUserMode");
    for (const char* name : {"CheckBox1", "Button3", "Button6", "Button7", "Button8", "Button9",
                             "Button10", "BitBtn1"}) {
        view_.hideControl(name);
    }
    std::vector<std::string> ports;
    for (int n = 1; n <= kPortCount; ++n) {
        ports.push_back("COM" + std::to_string(n));
    }
    view_.setPortList(ports, kFirstPortShown);
    grid_.fillHeaders();
}

void MainController::shutDown() {
    if (g_.port.isOpen()) {
        g_.port.close();
    }
}

void MainController::openPort() {
    OpenDevice(g_.port, g_.log, view_.candidateList(), view_.portText(), autoFlag_);
}

void MainController::openPortShort() {
    OpenDeviceShort(g_.port, g_.log, view_.portText(), autoFlag_);
}

void MainController::closePort() {
    CloseDevice(g_.port, g_.log);
}

void MainController::sendBoardInfoRequest() {
    std::string text;
    uint8_t answer[kBoardInfoSize];
    requestBoardInfo(g_.port, text, answer);
}

void MainController::startBootloader() {
    std::string text;
    sendCommand(g_.port, Cmd::StartBootloader, text);
    g_.log.appendLine(text);
}

void MainController::resetDevice() {
    std::string text;
    sendCommand(g_.port, Cmd::Reset, text);
    g_.log.appendLine(text);
}

void MainController::toggleDataLog() {
    view_.setLogCaption(DataLog::CaptionFor(dataLog_.ToggleDataLog(poll_.runFlag())));
}

void MainController::loadBoardTwoImage() {
    LoadBoardTwoImage(firmware_);
}

void MainController::programImageBuffer() {
    ProgramImageBuffer(firmware_);
}

// The countdown runs between counting the tick and showing the time; its ISP sequence
// may show boxes during which the window calls this again.
void MainController::tick() {
    if (poll_.startTick()) {
        countdown_.secondElapsed();
    }
    poll_.finishTick();
}

void MainController::updateDevice() {
    StartDeviceUpdate(firmware_, countdown_,
                      [this] { view_.showModal(MainView::Window::DeviceType); });
}

void MainController::showAbout() {
    dialogs_.showMessage(AboutText(g_.port, g_.image, g_.firmware, BuildVersion()));
}
