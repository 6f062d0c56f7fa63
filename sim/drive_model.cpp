#include "sim/drive_model.h"

#include <algorithm>

static_assert(kFrameSize == kBoardInfoSize, "frames and board information share one buffer type");

namespace {

// The driving state of frame n. Frames come every 50 ms while polling, so one cycle of
// 400 frames is 20 s: 15 s of steady acceleration from standstill to 100 km/h, then
// 5 s of braking back to standstill. Steering swings +-20 over 4 s.
struct Drive {
    uint32_t speed10; // tenths of km/h
    bool braking;
    int steer;
    uint32_t phase;
};

constexpr uint32_t kCycle = 400;
constexpr uint32_t kAccelFrames = 300;

Drive DriveAt(uint32_t n) {
    Drive d{};
    d.phase = n % kCycle;
    d.braking = d.phase >= kAccelFrames;
    d.speed10 = d.braking ? (kCycle - d.phase) * 1000 / (kCycle - kAccelFrames)
                          : d.phase * 1000 / kAccelFrames;
    const int s = static_cast<int>(n % 80);
    d.steer = s < 40 ? s - 20 : 60 - s;
    return d;
}

uint8_t Clip(uint32_t v) {
    return static_cast<uint8_t>(std::min<uint32_t>(v, 255));
}

} // namespace

DriveModel::Frame DriveModel::WordFrame(uint32_t n) {
    const Drive d = DriveAt(n);
    const uint32_t kmh = d.speed10 / 10;
    // Acceleration 100 km/h in 15 s = 1.852 m/s^2 = 11.89 units of 9.81/63 m/s^2; the
    // drive value is km/h times those units, none while braking.
    const uint32_t drive = d.braking ? 0 : kmh * 1189 / 100;
    const uint32_t left = kmh + (d.steer > 0 ? 1 : 0);
    const uint32_t right = kmh + (d.steer < 0 ? 1 : 0);
    Frame f{};
    const auto put = [&f](size_t word, uint32_t value) {
        PutFrameWord(f.data(), word, static_cast<uint16_t>(value));
    };
    put(kCdiffWord, left > right ? left - right : right - left);
    put(kSpeedWord, kmh);
    put(kGearboxSpeedWord, kmh * 36);
    put(kVrs0Word, d.speed10 * 7);
    put(kVrs1Word, d.speed10 * 7 + (d.phase % 3));
    put(kSpeed0LWord, left);
    put(kSpeed1RWord, right);
    put(kDriveWord, drive);
    put(kSpeedFLWord, left);
    put(kSpeedFRWord, right);
    put(kSteeringWord, static_cast<uint16_t>(static_cast<int16_t>(d.steer * 10)));
    put(kPar2bWord, n & 0xFFFF);
    return f;
}

DriveModel::Frame DriveModel::ByteFrame(uint32_t n) {
    const Drive d = DriveAt(n);
    const uint32_t kmh = d.speed10 / 10;
    const uint8_t throtV = d.braking ? 40 : static_cast<uint8_t>(128 + d.phase / 4); // x0.0196 V
    const uint8_t throtPct = static_cast<uint8_t>((throtV - 40) * 100 / 175);
    Frame f{};
    f[kCdiffModeByte] = 2;
    f[kLedDimmerByte] = 1;
    f[kEeDimmerByte] = 1;
    f[kEeCdiffModeByte] = 2;
    f[kI2cErrorByte] = 0;
    f[kYawByte] = static_cast<uint8_t>(128 + d.steer);
    f[kLongitudinalByte] = static_cast<uint8_t>(d.braking ? 128 - 30 : 128 + 12);
    f[kThrottleVoltsByte] = throtV;
    f[kPotByte] = static_cast<uint8_t>(throtPct * 2);
    f[kCoilCurrentByte] = static_cast<uint8_t>(d.braking ? 10 : 25 + d.phase % 50); // x0.04 A
    f[kSlipByte] = static_cast<uint8_t>(d.steer != 0 ? 1 : 0);
    f[kGMultByte] = 10;
    f[kSteeringByte] = static_cast<uint8_t>(static_cast<int8_t>(d.steer));
    f[kSteerSignByte] = d.steer < 0 ? 1 : 0;
    f[kSteerMultByte] = 5;
    f[kThrottleByte] = throtPct;
    f[kCanFrontLeftByte] = Clip(kmh + (d.steer > 0 ? 1 : 0));
    f[kCanFrontRightByte] = Clip(kmh + (d.steer < 0 ? 1 : 0));
    f[kCanRearLeftByte] = Clip(kmh);
    f[kCanRearRightByte] = Clip(kmh);
    f[kCanThrottleByte] = Clip(throtPct * 255u / 100u);
    f[kCanHandBrakeByte] = 0;
    f[kCanBrakeByte] = d.braking ? 80 : 0;
    // The handbrake is on at standstill.
    f[kSwitchByteIndex] = static_cast<uint8_t>((d.braking ? kBrakeSwitchBit : 0) |
                                               (d.speed10 == 0 ? kHandBrakeSwitchBit : 0));
    return f;
}

DriveModel::Block DriveModel::DefaultConfigBlock() {
    Block b{};
    for (size_t i = 0; i < b.size(); ++i) {
        b[i] = static_cast<uint8_t>(1 + (i * 37) % 200);
    }
    // The first system settings in their usual ranges.
    const uint8_t system[] = {1, 2, 1, 10, 240, 12, 230};
    std::copy(std::begin(system), std::end(system), b.begin());
    return b;
}

DriveModel::DriveModel() : block_(DefaultConfigBlock()) {
    setDateText(kDefaultDate);
}

void DriveModel::setDateText(std::string_view text) {
    date_.fill(0);
    std::copy_n(text.begin(), std::min(text.size(), date_.size()), date_.begin());
}

DriveModel::Frame DriveModel::boardInfo() const {
    Frame f{};
    const uint8_t head[] = {'K', 'V', 'X', 1, 0, 0};
    std::copy(std::begin(head), std::end(head), f.begin());
    std::copy(date_.begin(), date_.end(), f.begin() + kBoardInfoDateFirst);
    f[kBoardInfoIdIndex] = boardId_;
    return f;
}

bool DriveModel::absorb(uint8_t byte) {
    if (bootloader_) {
        return true; // the application no longer runs
    }
    if (pendingBlockBytes_ == 0) {
        return false;
    }
    incoming_[kBlockBytes - pendingBlockBytes_] = byte;
    if (--pendingBlockBytes_ == 0) {
        block_ = incoming_;
    }
    return true;
}

std::vector<uint8_t> DriveModel::answer(uint8_t command, uint8_t connectAnswer, bool silent) {
    switch (command) {
    case Cmd::Connect:
        return {connectAnswer};
    case Cmd::WordFrame:
    case Cmd::ByteFrame: {
        if (silent) {
            return {};
        }
        const Frame f = command == Cmd::WordFrame ? WordFrame(framesSent_) : ByteFrame(framesSent_);
        ++framesSent_;
        return {f.begin(), f.end()};
    }
    case Cmd::ReadConfig:
        return {block_.begin(), block_.end()};
    case Cmd::WriteConfig:
        pendingBlockBytes_ = kBlockBytes;
        return {};
    case Cmd::BoardInfo: {
        const Frame f = boardInfo();
        return {f.begin(), f.end()};
    }
    case Cmd::StartBootloader:
        bootloader_ = true;
        return {};
    default: // reset and unknown bytes: nothing to say
        return {};
    }
}
