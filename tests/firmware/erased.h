#pragma once

#include "firmware/buff.h"

#include <algorithm>
#include <cstdint>

// Whether the bytes first..last of an image are all 0xFF, the value of erased flash.
inline bool AllFF(const Buff& b, uint32_t first, uint32_t last) {
    return std::all_of(b.data() + first, b.data() + last + 1, [](uint8_t v) { return v == 0xFF; });
}
