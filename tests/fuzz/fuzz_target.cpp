// One libFuzzer program; KORVEX_FUZZ_TARGET names its entry in kFuzzTargets.
#include "tests/fuzz/fuzz_entries.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {
FuzzTarget Target() {
    for (const FuzzTarget& t : kFuzzTargets) {
        if (std::strcmp(t.name, KORVEX_FUZZ_TARGET) == 0) {
            return t;
        }
    }
    std::fprintf(stderr, "no fuzz entry named %s\n", KORVEX_FUZZ_TARGET);
    std::abort();
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const FuzzTarget target = Target();
    target.run(data, size);
    return 0;
}
