#pragma once

#include "isp/dfu_transport.h"
#include "isp/isp_session.h"

#include <cstdint>
#include <string>

// A clock for the simulated bootloader: sleeping only moves its time on.
class SimIspClock : public IspClock {
  public:
    uint64_t nowMs() override { return now; }
    void sleepMs(uint32_t ms) override { now += ms; }
    uint64_t now = 0;
};

// Drives `session` through an update the way the ISP sequence calls the library's
// entry points (one-byte HEX file in `workDir`, one fill call per byte). The name
// of the step that failed, or empty after a complete update.
std::string RunSessionUpdate(IspSession& session, const std::string& chipName, const uint8_t* image,
                             uint32_t endAddress, const std::string& workDir);
