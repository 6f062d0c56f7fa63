#pragma once

#include <cstdint>
#include <memory>

// A fixed-size byte buffer created full of 0xFF (the image buffer and the
// loader's scratch image). Never copied.
class Buff {
  public:
    explicit Buff(uint32_t size);
    Buff(const Buff&) = delete;
    Buff& operator=(const Buff&) = delete;

    uint8_t* data() { return data_.get(); }
    const uint8_t* data() const { return data_.get(); }
    uint32_t size() const { return size_; }

    // Sets bytes first..last inclusive; false and nothing written when either index
    // lies beyond the buffer. first > last writes nothing and succeeds.
    bool fill(uint32_t first, uint32_t last, uint8_t value);

    static constexpr uint32_t kImageSize = 0x20000;

  private:
    uint32_t size_;
    std::unique_ptr<uint8_t[]> data_;
};
