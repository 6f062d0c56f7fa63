#include "monitor/live_params.h"

#include <cstdio>

namespace {
// Single-precision constants, bit for bit 0x3CA0902E and 0x3D23D70A.
constexpr float kThrotScale = 0.0196f;
constexpr float kCoilScale = 0.04f;
} // namespace

// Filled by position, so a name cannot slip to another word or byte of the frame.
constexpr std::array<par_info, kWordParCount> kWordPars = [] {
    std::array<par_info, kWordParCount> t{};
    t[kCdiffWord] = {"d_cdiff", false, 1.0f};
    t[kSpeedWord] = {"speed_kmh", false, 1.0f};
    t[kGearboxSpeedWord] = {"gearbox_speed", false, 1.0f};
    t[kVrs0Word] = {"vrs0", false, 1.0f};
    t[kVrs1Word] = {"vrs1", false, 1.0f};
    t[kSpeed0LWord] = {"speed0L_kmh", false, 1.0f};
    t[kSpeed1RWord] = {"speed1R_kmh", false, 1.0f};
    t[kDriveWord] = {"dino", false, 1.0f};
    t[kSpeedFLWord] = {"speedFL_kmh", false, 1.0f};
    t[kSpeedFRWord] = {"speedFR_kmh", false, 1.0f};
    t[kSteeringWord] = {"steering2b", true, 1.0f};
    t[kPar2bWord] = {"par2b", false, 1.0f};
    return t;
}();

constexpr std::array<par_info, kByteParCount> kBytePars = [] {
    std::array<par_info, kByteParCount> t{};
    t[kCdiffModeByte] = {"cdiff_mode", false, 1.0f};
    t[kLedDimmerByte] = {"led_dimmer", false, 1.0f};
    t[kEeDimmerByte] = {"ee_dimmer", false, 1.0f};
    t[kEeCdiffModeByte] = {"ee_cdiff_mode", false, 1.0f};
    t[kI2cErrorByte] = {"i2c_error", false, 1.0f};
    t[kYawByte] = {"g_yaw", false, 1.0f};
    t[kLongitudinalByte] = {"g_longitudial", false, 1.0f};
    t[kThrottleVoltsByte] = {"throt_v", false, kThrotScale};
    t[kPotByte] = {"pot", false, 1.0f};
    t[kCoilCurrentByte] = {"i_coil", false, kCoilScale};
    t[kSlipByte] = {"slip", false, 1.0f};
    t[kGMultByte] = {"g_mult", false, 1.0f};
    t[kSteeringByte] = {"steering1b", true, 1.0f};
    t[kSteerSignByte] = {"steer_sign", false, 1.0f};
    t[kSteerMultByte] = {"steer_mult", false, 1.0f};
    t[kThrottleByte] = {"throt", false, 1.0f};
    t[kCanFrontLeftByte] = {"can_fl", false, 1.0f};
    t[kCanFrontRightByte] = {"can_fr", false, 1.0f};
    t[kCanRearLeftByte] = {"can_rl", false, 1.0f};
    t[kCanRearRightByte] = {"can_rr", false, 1.0f};
    t[kCanThrottleByte] = {"can_throt", false, 1.0f};
    t[kCanHandBrakeByte] = {"can_h_brake", false, 1.0f};
    t[kCanBrakeByte] = {"can_brake", false, 1.0f};
    return t;
}();

namespace {
template <size_t N> constexpr bool EveryPositionNamed(const std::array<par_info, N>& table) {
    for (const par_info& par : table) {
        if (par.name == nullptr) {
            return false;
        }
    }
    return true;
}
static_assert(EveryPositionNamed(kWordPars) && EveryPositionNamed(kBytePars));
} // namespace

int wordValue(size_t index, uint16_t raw) {
    if (index >= kWordPars.size()) {
        return 0;
    }
    return kWordPars[index].is_signed ? static_cast<int16_t>(raw) : raw;
}

float byteValue(size_t index, uint8_t raw) {
    if (index >= kBytePars.size()) {
        return 0;
    }
    const par_info& par = kBytePars[index];
    const int value = par.is_signed ? static_cast<int8_t>(raw) : raw;
    return static_cast<float>(value) * par.scale;
}

std::string formatByteValue(size_t index, uint8_t raw) {
    if (index >= kBytePars.size()) {
        return {};
    }
    const float product = byteValue(index, raw);
    if (kBytePars[index].scale == 1.0f) {
        return std::to_string(static_cast<int>(product));
    }
    char text[32];
    std::snprintf(text, sizeof text, "%.2f", static_cast<double>(product));
    return text;
}
