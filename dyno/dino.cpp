#include "dyno/dino.h"

#include "core/file_replace.h"
#include "core/file_system.h"

#include <bit>
#include <climits>
#include <cmath>
#include <fstream>

namespace {

enum Coef { kCx, kArea, kRho20, kTAir, kTAbs, kKw2Hp, kMass, kWhp2Bhp };

constexpr int kFileBytes = Dino::kCount * 4;

// The estimate may be anything after odd coefficients (t_abs + t_air = 0 divides by zero);
// the integer shown must still be defined.
int TruncateSaturating(float value) {
    const double d = value;
    if (std::isnan(d)) {
        return 0;
    }
    if (d >= 2147483648.0) {
        return INT_MAX;
    }
    if (d <= -2147483649.0) {
        return INT_MIN;
    }
    return static_cast<int>(d);
}

float FromLittleEndian(const unsigned char* p) {
    const uint32_t bits =
        uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
    return std::bit_cast<float>(bits);
}

void ToLittleEndian(float value, char* p) {
    const uint32_t bits = std::bit_cast<uint32_t>(value);
    for (int i = 0; i < 4; ++i) {
        p[i] = char((bits >> (8 * i)) & 0xFF);
    }
}

} // namespace

Dino::Dino()
    : names_{"cx_car",   "s_car, m^2", "ro_air20, kg/m^3", "t_air, C",
             "t_abs, K", "kW2hp",      "m_car, kg",        "whp2bhp"},
      coef_{0.34f, 2.2f, 1.201f, 20.0f, 271.15f, 1.37f, 1450.0f, 1.2f} {}

// Each step is worked out in double and kept as a float, and later steps use the kept
// value, so the estimates match the ones the controller's users know.
void Dino::Compute(uint16_t speed, uint16_t drive) {
    const auto& c = coef_;
    const float rho =
        float((double(c[kTAbs]) + 20) * double(c[kRho20]) / (double(c[kTAbs]) + double(c[kTAir])));
    const float v = float(double(speed) * (1.0 / 3.6));
    aero_ = float(0.5 * c[kCx] * rho * c[kArea] * v * v * v * c[kKw2Hp] * 0.001);
    acc_ = float(double(drive) * c[kMass] * 9.81 * (1.0 / 63) * (1.0 / 3.6) * c[kKw2Hp] * 0.001);
    wheel_ = float(double(aero_) + double(acc_));
    total_ = float(double(wheel_) * c[kWhp2Bhp]);
}

int Dino::Total() const {
    return TruncateSaturating(total_);
}

int Dino::Aero() const {
    return TruncateSaturating(aero_);
}

std::string Dino::Name(int index) const {
    if (index < 0 || index >= kCount) {
        return "0";
    }
    return names_[size_t(index)];
}

const char* Dino::ReadWorkingFolderFile() {
    return ReadFile("dino.cfg") > 0 ? "dino.cfg read OK" : "dino.cfg read ERR";
}

int Dino::ReadFile(const std::string& path) {
    std::ifstream in(PathFromText(path), std::ios::binary);
    if (!in) {
        return 0;
    }
    unsigned char bytes[kFileBytes];
    in.read(reinterpret_cast<char*>(bytes), kFileBytes);
    // A coefficient cut short by the end of the file keeps its value.
    const int whole = int(in.gcount()) / 4;
    for (int i = 0; i < whole; ++i) {
        coef_[size_t(i)] = FromLittleEndian(bytes + 4 * size_t(i));
    }
    return whole;
}

int Dino::WriteFile(const std::string& path) const {
    char bytes[kFileBytes];
    for (int i = 0; i < kCount; ++i) {
        ToLittleEndian(coef_[size_t(i)], bytes + 4 * size_t(i));
    }
    return ReplaceFile(path, bytes, kFileBytes) ? kCount : 0;
}
