#pragma once

// A controller that speaks the whole serial protocol over a pseudo-terminal, run on
// its own thread, so tests and demos exercise the real termios code without hardware.
// This is the pty side; what the controller answers and holds is DriveModel's.
//
// Commands answered (see link/device_commands.h for the bytes):
//   "3" connect       -> kConnectReady (100), or the byte set by setConnectAnswer()
//   "4" word frame    -> WordFrame(n), n = number of frames ("4" or "5") answered before
//   "5" byte frame    -> ByteFrame(n), same counter
//   "7" read config   -> the stored 519-byte block
//   "8" write config  -> the next 519 bytes received replace the stored block; no answer
//   "9" board info    -> BoardInfo(): date text in bytes 6..17, board id in byte 23
//   "6" bootloader    -> no answer, and the simulator stays silent from then on
//   "a" reset         -> no answer
//   anything else     -> ignored (still recorded)
//
// Faults (setFault), applied to every answer from then on:
//   Fault::None          answer normally
//   Fault::Silent        never answer (commands are still recorded and counted)
//   Fault::Short         answer one byte fewer than the full answer
//   Fault::Bursts        split each answer into setBursts(count, pauseMs) pieces with pauses
//                        (default 3 bursts, 500 ms pauses)
//   Fault::WrongConnect  answer "3" with setConnectAnswer()'s byte (default 0x41)
//   Fault::HangUp        on the next command byte, close the master side instead of answering
// hangUp() closes the master at once, from any thread.
//
// Every public member is thread-safe.

#include "sim/drive_model.h"

#include <array>
#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

class ControllerSim {
  public:
    static constexpr size_t kFrameBytes = kFrameSize;
    static constexpr size_t kBlockBytes = DriveModel::kBlockBytes;
    static constexpr size_t kDateBytes = DriveModel::kDateBytes;
    using Frame = DriveModel::Frame;
    using Block = DriveModel::Block;

    enum class Fault { None, Silent, Short, Bursts, WrongConnect, HangUp };

    ControllerSim();
    ~ControllerSim(); // stops and removes the link
    ControllerSim(const ControllerSim&) = delete;
    ControllerSim& operator=(const ControllerSim&) = delete;

    // Opens a pty (raw mode on both sides) and starts answering. False with a message
    // in error() when the pty cannot be made.
    bool start();
    void stop();
    bool running() const;
    const std::string& error() const { return error_; }

    // The slave side's device path ("/dev/pts/N"), valid after start().
    std::string slavePath() const;

    // Makes $HOME/.korvex/dosdevices/comN a symbolic link to the slave (directories
    // created as needed; an existing link of that name is replaced). Removed by
    // unlinkCom(), stop() and the destructor.
    bool linkAsCom(int n);
    void unlinkCom();
    std::string linkPath() const;
    // The first N from `from` whose comN link does not exist yet.
    static int FirstFreeCom(int from = 3);
    static std::string ComLinkPath(int n);

    void setBoardId(uint8_t id);
    // Bytes 6..17 of the "9" answer: up to 12 bytes copied, the rest zero, so a text of
    // 12 characters has no terminating zero in the answer.
    void setDateText(std::string_view text);
    void setConfigBlock(const Block& block);
    Block configBlock() const;

    void setFault(Fault fault);
    void setBursts(int count, int pauseMs);
    void setConnectAnswer(uint8_t byte);
    // Appends a line "W <hex>" or "B <hex>" for every word or byte frame answered to
    // `path`, so a test of the whole program can compare its log with what was sent.
    bool traceFramesTo(const std::string& path);
    void hangUp();

    // Every byte received, in order (commands and the payload of "8").
    std::vector<uint8_t> received() const;
    // How many times the command byte was received (payload bytes of "8" not counted).
    uint32_t commandCount(uint8_t command) const;
    uint32_t framesSent() const;
    bool inBootloader() const;

    // What the simulator sends; tests predict answers with these.
    static Frame WordFrame(uint32_t n) { return DriveModel::WordFrame(n); }
    static Frame ByteFrame(uint32_t n) { return DriveModel::ByteFrame(n); }
    static Block DefaultConfigBlock() { return DriveModel::DefaultConfigBlock(); }
    Frame BoardInfo() const;

    static constexpr uint8_t kDefaultBoardId = DriveModel::kDefaultBoardId;
    static constexpr const char* kDefaultDate = DriveModel::kDefaultDate;
    static constexpr uint8_t kDefaultWrongConnect = 0x41;

  private:
    void run();
    void handle(uint8_t byte);
    void answer(const uint8_t* bytes, size_t count, Fault fault, int bursts, int pauseMs);
    bool sendAll(const uint8_t* bytes, size_t count);
    bool pauseFor(int ms); // false when stopping or asked to hang up
    void closeMaster();
    void traceFrame(char kind, const std::vector<uint8_t>& frame); // with mutex_ held

    mutable std::mutex mutex_;
    std::condition_variable wake_;
    std::thread thread_;
    std::atomic<bool> stopping_{false};
    std::atomic<int> master_{-1};
    int slaveHold_ = -1;
    int wakePipe_[2] = {-1, -1};
    bool hangUpRequested_ = false;
    std::string slavePath_;
    std::string linkPath_;
    std::string error_;

    DriveModel model_;
    Fault fault_ = Fault::None;
    int burstCount_ = 3;
    int burstPauseMs_ = 500;
    uint8_t wrongConnect_ = kDefaultWrongConnect;

    std::vector<uint8_t> received_;
    std::array<uint32_t, 256> commandCounts_{};
    std::FILE* trace_ = nullptr;
};
