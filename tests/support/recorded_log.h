#pragma once

#include "core/my_err_log.h"
#include "dyno/dino.h"
#include "monitor/data_log.h"
#include "monitor/live_params.h"
#include "tests/support/live_frames.h"

#include <string>

// A data log written by the real DataLog into `folder`, one frame pair at a time.
class RecordedLog {
  public:
    explicit RecordedLog(const std::string& folder)
        : log_(
              errors_, dino_, [] { return std::tm{}; }, folder) {
        log_.ToggleDataLog(true);
    }
    // Word frame with the given speed and drive (every other word its index, steering2b
    // -1), then a byte frame whose byte j holds `bytes` + j.
    void add(uint32_t tick, uint16_t speed, uint16_t drive, uint8_t bytes = 0) {
        addWords(tick, speed, drive);
        log_.frameArrived(
            DecodeFrame(FrameKind::Byte, MakeByteFrame(bytes, kHandBrakeSwitchBit).data(), 0));
    }
    void addWords(uint32_t tick, uint16_t speed, uint16_t drive) {
        log_.frameArrived(DecodeFrame(FrameKind::Word, MakeWordFrame(speed, drive).data(), tick));
    }
    // Closes the file; returns its path.
    std::string close() {
        if (log_.logging()) {
            log_.ToggleDataLog(true);
        }
        return log_.path();
    }
    const std::string& path() const { return log_.path(); }
    Dino& dino() { return dino_; }

  private:
    MyErrLog errors_;
    Dino dino_;
    DataLog log_;
};
