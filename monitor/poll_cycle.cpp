#include "monitor/poll_cycle.h"

#include "core/my_err_log.h"
#include "link/device_commands.h"
#include "monitor/tick.h"

std::string ElapsedTimeText(uint32_t tickCount) {
    const uint32_t s = tickCount / kTicksPerSecond;
    const uint32_t m = s / 60;
    const uint32_t h = m / 60;
    std::string text = "Time=";
    if (h != 0) {
        text += std::to_string(h) + "h";
    }
    text += std::to_string(m - 60 * h) + "m" + std::to_string(s - 60 * m) + "s";
    return text;
}

PollCycle::PollCycle(CommDevice& port, MyErrLog& log, PollView& view)
    : port_(port), log_(log), view_(view) {}

bool PollCycle::startTick() {
    view_.toggleHeartbeat();
    ++tickCount_;
    return tickCount_ % kTicksPerSecond == 0;
}

void PollCycle::finishTick() {
    // Work between the halves may have run nested ticks; show the latest count so the
    // elapsed time never steps backwards.
    view_.setElapsedText(ElapsedTimeText(tickCount_));
    halfStep();
}

void PollCycle::toggleRun() {
    if (!port_.isOpen()) {
        log_.appendLine("Try to Open Com");
        return;
    }
    if (runFlag_) {
        runFlag_ = false;
        view_.setStartCaption("Start");
        log_.appendLine("Diconnected");
    } else {
        runFlag_ = true;
        view_.setStartCaption("Stop");
    }
}

void PollCycle::halfStep() {
    switch (state_) {
    case State::Idle:
        if (runFlag_) {
            state_ = State::Connecting;
            step_ = Step::Send;
            connectSend();
        }
        break;
    case State::Connecting:
        if (step_ == Step::Send) {
            connectSend();
        } else {
            connectAwait();
        }
        break;
    case State::Polling:
        if (step_ == Step::Send) {
            pollSend();
        } else {
            pollAwait();
        }
        break;
    }
}

void PollCycle::connectSend() {
    const uint8_t command = Cmd::Connect;
    if (!port_.write(&command, 1)) {
        const int code = port_.lastError();
        stop();
        logError("Connect ERR = ", code);
        return;
    }
    log_.appendLine("Cmd Connect");
    step_ = Step::AwaitConnectAnswer;
}

void PollCycle::connectAwait() {
    uint8_t answer = 0;
    if (!port_.read(&answer, 1)) {
        const int code = port_.lastError();
        stop();
        logError("Read ERR0 = ", code);
        return;
    }
    if (answer != kConnectReady) {
        stop();
        return;
    }
    log_.appendLine("Connected");
    state_ = State::Polling;
    step_ = Step::Send;
}

void PollCycle::pollSend() {
    if (!runFlag_) {
        toIdle();
        return;
    }
    lastPollCommand_ = lastPollCommand_ == Cmd::ByteFrame ? Cmd::WordFrame : Cmd::ByteFrame;
    if (!port_.write(&lastPollCommand_, 1)) {
        logError("Read ERR1 = ", port_.lastError());
        state_ = State::Connecting;
        step_ = Step::Send;
        return;
    }
    step_ = Step::AwaitFrame;
}

void PollCycle::pollAwait() {
    LiveFrame frame{};
    if (!port_.read(frame.data(), static_cast<uint32_t>(frame.size()))) {
        // The run flag stays set: the next tick asks the controller to connect again.
        logError("Read ERR2 = ", port_.lastError());
        toIdle();
        return;
    }
    step_ = Step::Send;
    handOver(frame.data());
}

void PollCycle::handOver(const uint8_t* frame) {
    const FrameKind kind = lastPollCommand_ == Cmd::ByteFrame ? FrameKind::Byte : FrameKind::Word;
    const DecodedFrame decoded = DecodeFrame(kind, frame, tickCount_);
    for (FrameListener* listener : listeners_) {
        listener->frameArrived(decoded);
    }
}

void PollCycle::stop() {
    runFlag_ = false;
    view_.setStartCaption("Start");
    toIdle();
}

void PollCycle::toIdle() {
    state_ = State::Idle;
    step_ = Step::Send;
}

// Callers read the code right after the failure, before any widget is touched.
void PollCycle::logError(const char* prefix, int code) {
    log_.append(prefix);
    log_.appendLine(std::to_string(code));
    log_.appendLine(ElapsedTimeText(tickCount_));
}
