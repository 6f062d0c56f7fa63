#include "monitor/live_params.h"

#include <cstdio>

namespace {
// Single-precision constants, bit for bit 0x3CA0902E and 0x3D23D70A.
constexpr float kThrotScale = 0.0196f;
constexpr float kCoilScale = 0.04f;
} // namespace

const std::array<par_info, kWordParCount> kWordPars = {{
    {"d_cdiff", false, 1.0f},
    {"speed_kmh", false, 1.0f},
    {"gearbox_speed", false, 1.0f},
    {"vrs0", false, 1.0f},
    {"vrs1", false, 1.0f},
    {"speed0L_kmh", false, 1.0f},
    {"speed1R_kmh", false, 1.0f},
    {"dino", false, 1.0f},
    {"speedFL_kmh", false, 1.0f},
    {"speedFR_kmh", false, 1.0f},
    {"steering2b", true, 1.0f},
    {"par2b", false, 1.0f},
}};

const std::array<par_info, kByteParCount> kBytePars = {{
    {"cdiff_mode", false, 1.0f},    {"led_dimmer", false, 1.0f},     {"ee_dimmer", false, 1.0f},
    {"ee_cdiff_mode", false, 1.0f}, {"i2c_error", false, 1.0f},      {"g_yaw", false, 1.0f},
    {"g_longitudial", false, 1.0f}, {"throt_v", false, kThrotScale}, {"pot", false, 1.0f},
    {"i_coil", false, kCoilScale},  {"slip", false, 1.0f},           {"g_mult", false, 1.0f},
    {"steering1b", true, 1.0f},     {"steer_sign", false, 1.0f},     {"steer_mult", false, 1.0f},
    {"throt", false, 1.0f},         {"can_fl", false, 1.0f},         {"can_fr", false, 1.0f},
    {"can_rl", false, 1.0f},        {"can_rr", false, 1.0f},         {"can_throt", false, 1.0f},
    {"can_h_brake", false, 1.0f},   {"can_brake", false, 1.0f},
}};

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

std::string formatWordValue(size_t index, uint16_t raw) {
    if (index >= kWordPars.size()) {
        return {};
    }
    return std::to_string(wordValue(index, raw));
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
