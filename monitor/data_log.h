#pragma once

#include "core/my_err_log.h"
#include "core/periodic_sync.h"
#include "dyno/dino.h"
#include "monitor/frame_listener.h"

#include <cstdint>
#include <cstdio>
#include <ctime>
#include <functional>
#include <memory>
#include <string>

// The tab-separated file of live frames and dyno estimates, open from Start to Stop
// of logging. One line per word frame; the byte frame after it completes the line.
// Each frame's text reaches the operating system as it arrives and the file reaches
// the disk once a second, so a crash loses at most the line being written and a power
// cut at most the last second.
class DataLog : public FrameListener {
  public:
    // The local time used for the file name; injected so tests pick the stamp.
    using Clock = std::function<std::tm()>;

    DataLog(MyErrLog& log, Dino& dino);
    // `folder` empty means the working directory of the process.
    DataLog(MyErrLog& log, Dino& dino, Clock clock, std::string folder);
    DataLog(const DataLog&) = delete;
    DataLog& operator=(const DataLog&) = delete;
    // The open log is written out and closed at program end.
    ~DataLog() override;

    // Opens or closes the log; returns the logging flag after the call. Opening needs
    // the poll cycle running (`runFlag`); otherwise "Can't log, Try Start".
    bool ToggleDataLog(bool runFlag);
    // The FileLog button's caption for a logging flag.
    static const char* CaptionFor(bool logging) { return logging ? "StopLog" : "StartLog"; }

    // "ddmmYYYY_HHMMSS" of the clock's current time.
    std::string MakeLogTimeName() const;

    // One record per frame while logging, nothing otherwise. A word frame's record is
    // the only caller of Dino::Compute.
    void frameArrived(const DecodedFrame& frame) override;

    bool logging() const { return file_ != nullptr; }
    // The path of the open log (or of the last one opened).
    const std::string& path() const { return path_; }

  private:
    bool open();
    void close();
    void write(const char* text, size_t size);
    void LogWordFrame(const DecodedFrame& frame);
    void LogByteFrame(const DecodedFrame& frame);

    MyErrLog& log_;
    Dino& dino_;
    Clock clock_;
    std::string folder_;
    std::string path_;
    std::FILE* file_ = nullptr;
    bool writeFailed_ = false;
    std::unique_ptr<PeriodicSync> sync_;
};

// The local time of the system clock.
std::tm LocalTimeNow();
