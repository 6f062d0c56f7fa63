#pragma once

#include <cstdint>
#include <functional>

// The seconds of the firmware-update hand-over: the start-bootloader command went
// out, the port is closed once the device had time to leave the poll, and the image
// is programmed a second later, when the bootloader has come up on USB.
class UpdateCountdown {
  public:
    // What the hand-over sets off: the click of CloseDevice, then the ISP sequence with
    // the image buffer (which may show modal boxes and so run ticks of its own).
    UpdateCountdown(std::function<void()> closePort, std::function<void()> programDevice);

    // Once the start-bootloader command went out.
    void start() { seconds_ = kStart; }
    // The tick calls this once a second, after counting the tick and before showing the time.
    void secondElapsed();

    uint8_t seconds() const { return seconds_; }

    static constexpr uint8_t kStart = 3;

  private:
    std::function<void()> closePort_;
    std::function<void()> programDevice_;
    uint8_t seconds_ = 0;
};
