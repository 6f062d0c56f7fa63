// The libFuzzer program of the ISP library's answers (its entry is Linux only).
#include "tests/fuzz/isp_answers_entry.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzIspAnswers(data, size);
    return 0;
}
