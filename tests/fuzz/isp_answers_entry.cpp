#include "tests/fuzz/isp_answers_entry.h"

#include "isp/isp_chips.h"
#include "isp/isp_session.h"
#include "sim/sim_isp_update.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {
class ScriptedBootloader : public DfuTransport {
  public:
    ScriptedBootloader(const uint8_t* data, size_t size) : data_(data), size_(size) {}

    OpenOutcome open(uint16_t, uint16_t) override {
        return {OpenResult::Opened, 1, "bus 1 device 2"};
    }

    int control(uint8_t requestType, uint8_t, uint16_t, uint8_t* data, uint16_t length,
                unsigned) override {
        if (at_ >= size_) {
            return kTransferNoDevice;
        }
        const uint8_t outcome = data_[at_++];
        if (outcome == 0) {
            return kTransferStall;
        }
        if ((requestType & 0x80) == 0) {
            return length;
        }
        const size_t offered = outcome == 0xFF ? length : size_t(outcome - 1);
        const size_t n = std::min({offered, size_t(length), size_ - at_});
        std::memcpy(data, data_ + at_, n);
        at_ += n;
        return static_cast<int>(n);
    }

    void close() override {}

  private:
    const uint8_t* data_;
    size_t size_;
    size_t at_ = 0;
};
} // namespace

void FuzzIspAnswers(const uint8_t* data, size_t size) {
    ScriptedBootloader device(data, size);
    SimIspClock clock;
    IspSession session(device, clock);
    std::array<uint8_t, 300> image{};
    for (size_t i = 0; i < image.size(); ++i) {
        image[i] = static_cast<uint8_t>(i * 7);
    }
    const std::string failedStep =
        RunSessionUpdate(session, std::string(kIspChips[0].name), image.data(),
                         static_cast<uint32_t>(image.size() - 1), FuzzScratchFolder());
    // Whatever the device answers, a failed update says why.
    if (!failedStep.empty() && session.lastErrorMessage()[0] == '\0') {
        std::fprintf(stderr, "fuzz property broken: the %s step failed without a message\n",
                     failedStep.c_str());
        std::abort();
    }
}
