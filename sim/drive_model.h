#pragma once

// What the simulated controller is, apart from how it is reached: the values it makes
// up while driving, the configuration block and board information it holds, and what
// it answers to each command byte. Not thread-safe; ControllerSim guards it.

#include "link/device_commands.h"
#include "link/live_frame.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

class DriveModel {
  public:
    static constexpr size_t kBlockBytes = kConfigBlockSize;
    static constexpr size_t kDateBytes = kBoardInfoDateLast - kBoardInfoDateFirst + 1;
    using Frame = LiveFrame;
    using Block = std::array<uint8_t, kBlockBytes>;

    static constexpr uint8_t kDefaultBoardId = 2;
    static constexpr const char* kDefaultDate = "Apr 22 2022";

    DriveModel();

    // The frames of the n-th frame request; 400 frames make one 20 s drive cycle.
    static Frame WordFrame(uint32_t n);
    static Frame ByteFrame(uint32_t n);
    static Block DefaultConfigBlock();

    void setBoardId(uint8_t id) { boardId_ = id; }
    // Bytes 6..17 of the "9" answer: up to 12 bytes copied, the rest zero.
    void setDateText(std::string_view text);
    void setConfigBlock(const Block& block) { block_ = block; }
    const Block& configBlock() const { return block_; }
    Frame boardInfo() const;
    uint32_t framesSent() const { return framesSent_; }
    bool inBootloader() const { return bootloader_; }

    // Takes a received byte that is no command: part of a "8" payload, or anything
    // once the bootloader runs. False when `byte` is a command for answer().
    bool absorb(uint8_t byte);
    // Carries out a command and gives its answer (empty for none). "3" is answered
    // with `connectAnswer`; with `silent` no frame is made, so framesSent() counts only
    // frames that went out.
    std::vector<uint8_t> answer(uint8_t command, uint8_t connectAnswer, bool silent);

  private:
    uint8_t boardId_ = kDefaultBoardId;
    std::array<uint8_t, kDateBytes> date_{};
    Block block_;
    Block incoming_{};
    size_t pendingBlockBytes_ = 0; // payload bytes of "8" still to come
    uint32_t framesSent_ = 0;
    bool bootloader_ = false;
};
