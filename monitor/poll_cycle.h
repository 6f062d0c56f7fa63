#pragma once

#include "link/comm_device.h"
#include "monitor/frame_listener.h"

#include <cstdint>
#include <string>
#include <vector>

class MyErrLog;

// The widgets the poll cycle drives; the main window implements it, tests record it.
class PollView {
  public:
    virtual ~PollView() = default;
    virtual void toggleHeartbeat() = 0;                           // CheckBox1
    virtual void setElapsedText(const std::string& text) = 0;     // Edit1
    virtual void setStartCaption(const std::string& caption) = 0; // Button5
};

// "Time=0m7s", "Time=1h2m3s" for a count of ticks.
std::string ElapsedTimeText(uint32_t tickCount);

// The heartbeat: counts ticks, shows the elapsed time and advances the connect/poll
// state machine by one half-step per tick (one write or one read, never both). The
// tick's owner runs its once-a-second work between the two halves. Each frame read is
// decoded once and handed to the listeners in the order they were added.
class PollCycle {
  public:
    enum class State { Idle, Connecting, Polling };
    enum class Step { Send, AwaitConnectAnswer, AwaitFrame };

    PollCycle(CommDevice& port, MyErrLog& log, PollView& view);
    PollCycle(const PollCycle&) = delete;
    PollCycle& operator=(const PollCycle&) = delete;

    // Toggles the heartbeat and counts the tick; true when a second is full.
    bool startTick();
    // Shows the elapsed time and advances the state machine by one half-step.
    void finishTick();
    // Start/Stop: polls from the next tick on, or stops; with the port closed it only
    // asks for the port to be opened.
    void toggleRun();

    uint32_t tickCount() const { return tickCount_; }
    bool runFlag() const { return runFlag_; }

    // The listener is handed every frame from now on, after those added before it.
    // Listeners are never removed, so one must live as long as the cycle ticks.
    void addListener(FrameListener& listener) { listeners_.push_back(&listener); }

    State state() const { return state_; }
    Step step() const { return step_; }
    uint8_t lastPollCommand() const { return lastPollCommand_; }

  private:
    void halfStep();
    void connectSend();
    void connectAwait();
    void pollSend();
    void pollAwait();
    void handOver(const uint8_t* frame);
    void stop();
    void logError(const char* prefix, int code);
    void toIdle();

    CommDevice& port_;
    MyErrLog& log_;
    PollView& view_;
    std::vector<FrameListener*> listeners_;

    uint32_t tickCount_ = 0;
    bool runFlag_ = false;
    State state_ = State::Idle;
    Step step_ = Step::Send;
    uint8_t lastPollCommand_ = 0;
};
