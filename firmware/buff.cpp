#include "firmware/buff.h"

#include <algorithm>

Buff::Buff(uint32_t size) : size_(size == 0 ? 1 : size), data_(new uint8_t[size_]) {
    fill(0, size_ - 1, 0xFF);
}

bool Buff::fill(uint32_t first, uint32_t last, uint8_t value) {
    if (first > size_ - 1 || last > size_ - 1) {
        return false;
    }
    if (first <= last) {
        std::fill(data_.get() + first, data_.get() + last + 1, value);
    }
    return true;
}
