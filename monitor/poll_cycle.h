#pragma once

#include "link/comm_device.h"

#include <cstdint>
#include <string>

class DataLog;
class MyErrLog;

// The widgets the poll cycle drives; the main window implements it, tests record it.
class PollView {
  public:
    virtual ~PollView() = default;
    virtual void toggleHeartbeat() = 0;                                      // CheckBox1
    virtual void setElapsedText(const std::string& text) = 0;                // Edit1
    virtual void setStartCaption(const std::string& caption) = 0;            // Button5
    virtual void setGridCell(int col, int row, const std::string& text) = 0; // StringGrid1
};

// Is handed every frame the grid shows, as it is shown; `wordFrame` tells the two apart.
class LiveFrameListener {
  public:
    virtual ~LiveFrameListener() = default;
    virtual void liveFrame(bool wordFrame, const uint8_t* frame, uint32_t tickCount) = 0;
};

// "Time=0m7s", "Time=1h2m3s" for a count of 25 ms ticks.
std::string ElapsedTimeText(uint32_t tickCount);

// The 25 ms heartbeat: counts ticks, shows the elapsed time and advances the
// connect/poll state machine by one half-step per tick (one write or one read, never
// both). The tick's owner runs its once-a-second work between the two halves.
class PollCycle {
  public:
    enum class State { Idle, Connecting, Polling };
    enum class Step { Send, AwaitConnectAnswer, AwaitFrame };

    static constexpr uint32_t kTicksPerSecond = 40;

    PollCycle(CommDevice& port, MyErrLog& log, DataLog& dataLog, PollView& view);
    PollCycle(const PollCycle&) = delete;
    PollCycle& operator=(const PollCycle&) = delete;

    // Toggles the heartbeat and counts the tick; true when a second is full (every
    // 40th tick).
    bool startTick();
    // Shows the elapsed time and advances the state machine by one half-step.
    void finishTick();
    void Button5Click();

    uint32_t tickCount() const { return tickCount_; }
    bool runFlag() const { return runFlag_; }

    // At most one listener; nullptr removes it.
    void setFrameListener(LiveFrameListener* listener) { listener_ = listener; }

    State state() const { return state_; }
    Step step() const { return step_; }
    uint8_t lastPollCommand() const { return lastPollCommand_; }

  private:
    void halfStep();
    void connectSend();
    void connectAwait();
    void pollSend();
    void pollAwait();
    void decodeFrame(const uint8_t* frame);
    void stop();
    void logError(const char* prefix, int code);
    void toIdle();

    CommDevice& port_;
    MyErrLog& log_;
    DataLog& dataLog_;
    PollView& view_;
    LiveFrameListener* listener_ = nullptr;

    uint32_t tickCount_ = 0;
    bool runFlag_ = false;
    State state_ = State::Idle;
    Step step_ = Step::Send;
    uint8_t lastPollCommand_ = 0;
};
