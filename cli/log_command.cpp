#include "cli/commands.h"
#include "cli/stop_request.h"

#include "dyno/dino.h"
#include "monitor/data_log.h"
#include "monitor/poll_cycle.h"
#include "monitor/tick.h"

#include <chrono>
#include <filesystem>
#include <optional>
#include <thread>

namespace {

using Clock = std::chrono::steady_clock;
// The window's timer period: the poll cycle advances one half-step per tick.
constexpr auto kTick = std::chrono::milliseconds(kTickMilliseconds);
constexpr uint32_t kTicksBetweenOpenTries = kTicksPerSecond;

// No widgets: the heartbeat, elapsed time and Start caption have nowhere to go.
class NoPollView : public PollView {
  public:
    void toggleHeartbeat() override {}
    void setElapsedText(const std::string&) override {}
    void setStartCaption(const std::string&) override {}
};

// The one line on a terminal that shows the log growing: elapsed time, records and
// frame pairs per second, rewritten once a second.
class StatusLine : public FrameListener {
  public:
    StatusLine(std::ostream& stream, bool shown) : stream_(stream), shown_(shown) {}
    void frameArrived(const DecodedFrame& frame) override {
        if (frame.kind == FrameKind::Word) {
            ++records_;
        } else {
            ++pairs_;
        }
    }
    void secondElapsed(uint32_t tickCount) {
        if (shown_) {
            stream_ << '\r' << ElapsedTimeText(tickCount) << "  records " << records_
                    << "  pairs/s " << (pairs_ - pairsBefore_) << "   " << std::flush;
            written_ = true;
        }
        pairsBefore_ = pairs_;
    }
    void end() {
        if (written_) {
            stream_ << '\n';
        }
    }
    uint64_t records() const { return records_; }

  private:
    std::ostream& stream_;
    bool shown_;
    bool written_ = false;
    uint64_t records_ = 0;
    uint64_t pairs_ = 0;
    uint64_t pairsBefore_ = 0;
};

enum class Outcome { Stopped, TimeUp, Gone, NoController, FileTrouble };

// Ticks at the window's pace; a tick that ran long (a read waiting out its time-out)
// is not made up for, as a timer would not.
class Ticker {
  public:
    // Until `ticks` ticks after the time of the last wait.
    void wait(uint32_t ticks) {
        next_ += kTick * ticks;
        std::this_thread::sleep_until(next_);
        const auto now = Clock::now();
        if (now > next_ + kTick) {
            next_ = now;
        }
    }

  private:
    Clock::time_point next_ = Clock::now();
};

struct LogContext {
    const CliIo& io;
    const LogOptions& options;
    std::optional<Clock::time_point> deadline;
    MyErrLog& log;
    Dino& dino;
};

bool TimeUp(const LogContext& c) {
    return c.deadline && Clock::now() >= *c.deadline;
}

// One tick of a connection; an outcome when it ends the connection.
std::optional<Outcome> Tick(const LogContext& c, PollCycle& poll, DataLog& dataLog,
                            StatusLine& status) {
    const bool second = poll.startTick();
    poll.finishTick();
    if (!poll.runFlag()) {
        return dataLog.logging() ? Outcome::Gone : Outcome::NoController;
    }
    if (poll.state() == PollCycle::State::Polling && !dataLog.logging()) {
        if (!dataLog.ToggleDataLog(true)) {
            return Outcome::FileTrouble;
        }
        c.io.err << "Logging to " << dataLog.path() << '\n';
    }
    if (second) {
        status.secondElapsed(poll.tickCount());
    }
    return std::nullopt;
}

// One connection, from the open port to the end of its file: the file is opened once
// the controller answered the connect, so a port without one leaves no file behind.
Outcome LogConnection(const LogContext& c, CommDevice& port) {
    NoPollView view;
    PollCycle poll(port, c.log, view);
    DataLog dataLog(c.log, c.dino, LocalTimeNow, c.options.outDir);
    StatusLine status(c.io.err, c.io.terminal);
    poll.addListener(dataLog);
    poll.addListener(status);
    poll.toggleRun();
    Outcome outcome = Outcome::Stopped;
    // One tick asks, the next reads the answer. Waking for every tick would wake twice
    // per answer: a wake-up runs the tick that reads and the tick that asks again, and
    // ends once a question is out, so the answer is there by the next one.
    Ticker ticker;
    uint32_t ticks = 1;
    for (;;) {
        if (StopRequested() || TimeUp(c)) {
            outcome = StopRequested() ? Outcome::Stopped : Outcome::TimeUp;
            break;
        }
        ticker.wait(ticks);
        ticks = 0;
        std::optional<Outcome> end;
        do {
            ++ticks;
            end = Tick(c, poll, dataLog, status);
        } while (!end && ticks < 2 && poll.step() == PollCycle::Step::Send);
        if (end) {
            outcome = *end;
            break;
        }
    }
    status.end();
    if (dataLog.logging()) {
        dataLog.ToggleDataLog(true); // closes it
        c.io.err << "Closed " << dataLog.path() << " with " << status.records() << " records\n";
    }
    port.close();
    return outcome;
}

// Waits about a second, or less when a stop is asked for.
void PauseBeforeNextTry() {
    Ticker ticker;
    for (uint32_t i = 0; i < kTicksBetweenOpenTries && !StopRequested(); ++i) {
        ticker.wait(1);
    }
}

ExitCode ExitFor(Outcome outcome) {
    switch (outcome) {
    case Outcome::Stopped:
    case Outcome::TimeUp:
        return ExitCode::Ok;
    case Outcome::Gone:
        return ExitCode::DeviceGone;
    case Outcome::NoController:
        return ExitCode::NoAnswer;
    case Outcome::FileTrouble:
        return ExitCode::FileTrouble;
    }
    return ExitCode::Ok;
}

} // namespace

ExitCode RunLog(const CliIo& io, const LogOptions& options) {
    StopSignals signals;
    MyErrLog log;
    StreamListSink messages(io.err);
    log.attach(&messages);
    Dino dino;
    log.appendLine(dino.ReadWorkingFolderFile());
    std::optional<Clock::time_point> deadline;
    if (options.durationSec) {
        deadline = Clock::now() + std::chrono::duration_cast<Clock::duration>(
                                      std::chrono::duration<double>(*options.durationSec));
    }
    std::error_code ec;
    if (!options.outDir.empty() && !std::filesystem::is_directory(options.outDir, ec) &&
        !std::filesystem::create_directories(options.outDir, ec)) {
        io.err << "Can't create folder " << options.outDir << '\n';
        return ExitCode::FileTrouble;
    }
    const LogContext context{io, options, deadline, log, dino};
    // While waiting, the failed tries of every second stay quiet.
    MyErrLog quiet;
    DiscardListSink discard;
    quiet.attach(&discard);
    bool waiting = false;
    for (;;) {
        CommDevice port;
        if (OpenChosenPort(port, waiting ? quiet : log, options.port)) {
            const Outcome outcome = LogConnection(context, port);
            if (!options.wait || outcome == Outcome::Stopped || outcome == Outcome::TimeUp ||
                outcome == Outcome::FileTrouble) {
                return ExitFor(outcome);
            }
            waiting = false;
        } else if (!options.wait) {
            return ExitCode::NoPort;
        }
        if (!waiting) {
            io.err << "Waiting for the controller\n";
        }
        waiting = true;
        PauseBeforeNextTry();
        if (StopRequested() || TimeUp(context)) {
            return ExitCode::Ok;
        }
    }
}
