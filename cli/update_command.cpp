#include "cli/commands.h"

#include "firmware/board_table.h"
#include "firmware/buff.h"
#include "firmware/library_loader.h"
#include "firmware/update_countdown.h"
#include "firmware/update_workflow.h"
#include "link/port_selection.h"

#include <atomic>
#include <chrono>
#include <thread>

namespace {

constexpr auto kProgressPeriod = std::chrono::milliseconds(100);
constexpr int kBarWidth = 30;

// The workflow's boxes as lines on standard error. The one question was asked before
// the workflow started; its progress becomes a bar on a terminal.
class CliDialogs : public Dialogs {
  public:
    explicit CliDialogs(const CliIo& io) : io_(io) {}
    void showMessage(const std::string& text, const std::string&) override {
        io_.err << text << '\n';
        last_ = text;
    }
    bool confirmYesNo(const std::string&) override { return true; }
    std::optional<std::string> chooseOpenFile() override { return std::nullopt; }
    std::optional<std::string> chooseSaveFile(const std::string&) override { return std::nullopt; }
    void runWithProgress(const std::function<void()>& work,
                         const std::function<ProgressState()>& progress) override {
        if (!io_.terminal) {
            work();
            return;
        }
        std::atomic<bool> done{false};
        std::thread worker([&] {
            work();
            done.store(true);
        });
        while (!done.load()) {
            std::this_thread::sleep_for(kProgressPeriod);
            showBar(progress());
        }
        worker.join();
        io_.err << '\n';
    }
    const std::string& lastMessage() const { return last_; }

  private:
    void showBar(const ProgressState& state) {
        const int percent = std::clamp(state.percent, 0, 100);
        const int filled = percent * kBarWidth / 100;
        io_.err << "\r[" << std::string(size_t(filled), '#')
                << std::string(size_t(kBarWidth - filled), ' ') << "] " << percent << "% "
                << state.step << "\033[K" << std::flush;
    }
    const CliIo& io_;
    std::string last_;
};

bool Confirmed(const CliIo& io) {
    if (io.in == nullptr) {
        io.err << "Update not confirmed: give --yes, or run it on a terminal to be asked\n";
        return false;
    }
    io.err << "Program Device? [y/N] " << std::flush;
    std::string answer;
    std::getline(*io.in, answer);
    const bool yes = answer == "y" || answer == "Y" || answer == "yes";
    if (!yes) {
        io.err << "Update not confirmed\n";
    }
    return yes;
}

} // namespace

std::optional<uint8_t> BoardChoice(const std::string& text) {
    if (text == "auto") {
        return kAutoDeviceType;
    }
    for (const Board& board : kBoards) {
        if (text == board.listText) {
            return board.id;
        }
    }
    return std::nullopt;
}

ExitCode RunUpdate(const CliIo& io, const UpdateOptions& options) {
    if (!options.yes && !Confirmed(io)) {
        return ExitCode::NotConfirmed;
    }
    MyErrLog log;
    StreamListSink messages(io.err);
    log.attach(&messages);
    CommDevice port;
    // A device waiting in its bootloader has no serial port: the workflow finds it on USB.
    if (!options.recover && !OpenChosenPort(port, log, options.port)) {
        return ExitCode::NoPort;
    }
    Buff image(Buff::kImageSize);
    FirmwareState state;
    CliDialogs dialogs(io);
    SystemLibraryLoader loader;
    FirmwareContext context{port, image, state, log, dialogs, loader, io.err};
    UpdateCountdown countdown([&] { CloseDevice(port, log); },
                              [&] { UpdateCountdownReachedOne(context); });
    StartDeviceUpdate(context, countdown, [&] { state.deviceTypeChoice = options.board; });
    // The window's tick counts the seconds of the hand-over; here a plain clock does.
    while (countdown.seconds() > 0) {
        std::this_thread::sleep_for(std::chrono::seconds(1));
        countdown.secondElapsed();
    }
    if (port.isOpen()) {
        port.close();
    }
    if (!state.ispResult || *state.ispResult != 0) {
        const std::string& why = dialogs.lastMessage();
        // The sequence says "Update failed: ..." itself; other ends get it said here.
        if (why.rfind("Update failed", 0) != 0) {
            io.err << "Update failed: " << (why.empty() ? messages.lastEntry() : why) << '\n';
        }
        return ExitCode::UpdateFailed;
    }
    io.err << "Update done\n";
    return ExitCode::Ok;
}
