#include "firmware/update_countdown.h"

#include <utility>

UpdateCountdown::UpdateCountdown(std::function<void()> closePort,
                                 std::function<void()> programDevice)
    : closePort_(std::move(closePort)), programDevice_(std::move(programDevice)) {}

void UpdateCountdown::secondElapsed() {
    if (seconds_ > 0) {
        --seconds_;
    }
    // Nested ticks during the ISP sequence find the countdown at 1 and can only move
    // it to 0, so neither action below ever runs twice for one update.
    if (seconds_ == 2) {
        closePort_();
    } else if (seconds_ == 1) {
        programDevice_();
    }
}
