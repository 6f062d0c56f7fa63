#pragma once

#include "tests/fuzz/fuzz_entries.h"

#include <cstddef>
#include <cstdint>

// The USB bootloader's answers as the ISP library reads them: every control transfer
// of a whole update takes its outcome from the next input bytes. An OUT transfer takes
// one byte (0: stalled, else accepted); an IN transfer takes a byte n (0: stalled, 255:
// the device answers with as many of the next bytes as were asked, else with the next
// n - 1 bytes, cut to what was asked). When the input runs out the device has left the
// bus. Linux only, like the library.
void FuzzIspAnswers(const uint8_t* data, size_t size);

inline constexpr FuzzTarget kIspFuzzTarget = {"isp_answers", FuzzIspAnswers};
