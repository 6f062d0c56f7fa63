#include "config/value_codec.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>

namespace {

// Byte position of an element, or nothing when it lies outside the block.
std::optional<size_t> OffsetWithType(const PAR_long& p, const ElementType& t, int col, int row) {
    const auto index = ElementIndex(p, {col, row});
    if (!index) {
        return std::nullopt;
    }
    const size_t offset = p.data + *index * t.width;
    if (offset + t.width > kConfigBlockSize) {
        return std::nullopt;
    }
    return offset;
}

float ReadWithType(const ConfigBlock& block, const PAR_long& p, const ElementType& t, int col,
                   int row) {
    const auto offset = OffsetWithType(p, t, col, row);
    if (!offset) {
        return 0.0f;
    }
    uint32_t raw = block[*offset];
    if (t.width == 2) {
        raw |= uint32_t(block[*offset + 1]) << 8;
    }
    int32_t n = int32_t(raw);
    const uint32_t signBit = t.width == 2 ? 0x8000u : 0x80u;
    if (t.isSigned && (raw & signBit) != 0) {
        n -= int32_t(signBit << 1);
    }
    return float(n) * p.scale;
}

void WriteWithType(ConfigBlock& block, const PAR_long& p, const ElementType& t, int col, int row,
                   float value) {
    const auto offset = OffsetWithType(p, t, col, row);
    if (!offset) {
        return;
    }
    // Nearest, not floor: n * scale rounded to a float may lie just below n * scale.
    // Out-of-range or non-finite values cannot come from loading or entering; they are
    // held to the type's range so the conversion below stays defined.
    const double q = double(value) / double(p.scale);
    double n = std::isfinite(q) ? std::nearbyint(q) : 0.0;
    n = std::clamp(n, double(t.min), double(t.max));
    const auto bits = uint32_t(int32_t(n));
    block[*offset] = uint8_t(bits & 0xFFu);
    if (t.width == 2) {
        block[*offset + 1] = uint8_t((bits >> 8) & 0xFFu);
    }
}

} // namespace

std::optional<size_t> ElementOffset(const PAR_long& p, int col, int row) {
    const ElementType* t = FindElementType(p.type);
    return t == nullptr ? std::nullopt : OffsetWithType(p, *t, col, row);
}

float ReadElement(const ConfigBlock& block, const PAR_long& p, int col, int row) {
    const ElementType* t = FindElementType(p.type);
    return t == nullptr ? 0.0f : ReadWithType(block, p, *t, col, row);
}

void WriteElement(ConfigBlock& block, const PAR_long& p, int col, int row, float value) {
    if (const ElementType* t = FindElementType(p.type)) {
        WriteWithType(block, p, *t, col, row, value);
    }
}

void LoadWorkingValues(WorkingValues& w, const ConfigBlock& block) {
    size_t k = 0;
    for (auto& p : w.pars) {
        p.values = uint16_t(k);
        const ElementType* t = FindElementType(p.type);
        ForEachElement(p, [&](int c, int r) {
            if (k < w.values.size()) {
                w.values[k++] = t == nullptr ? 0.0f : ReadWithType(block, p, *t, c, r);
            }
        });
    }
}

void StoreWorkingValues(const WorkingValues& w, ConfigBlock& block) {
    for (const auto& p : w.pars) {
        const ElementType* t = FindElementType(p.type);
        if (!p.values || t == nullptr) {
            continue;
        }
        size_t k = *p.values;
        ForEachElement(p, [&](int c, int r) {
            if (k < w.values.size()) {
                WriteWithType(block, p, *t, c, r, w.values[k++]);
            }
        });
    }
}

namespace {
float StepOf(const PAR_long& p, const ElementType& t, double steps) {
    if (std::isnan(steps) || steps < double(t.min)) {
        return float(t.min) * p.scale;
    }
    if (steps > double(t.max)) {
        return float(t.max) * p.scale;
    }
    // Through an integer, so "-0" enters as 0 and never shows as "-0".
    return float(int32_t(steps)) * p.scale;
}
} // namespace

float StepValue(const PAR_long& p, double value) {
    const ElementType* t = FindElementType(p.type);
    if (t == nullptr) {
        return 0.0f;
    }
    constexpr double kHair = 1e-4;
    return StepOf(p, *t, std::floor(value / double(p.scale) + kHair));
}

EnteredValue EnterValue(const PAR_long& p, const std::string& text, char decimalSeparator) {
    const ElementType* t = FindElementType(p.type);
    if (t == nullptr) {
        return {};
    }
    const auto parsed = ParseDecimalFloat(text, decimalSeparator);
    const bool notANumber = !parsed;
    const float q = parsed.value_or(0.0f) / p.scale;
    return {StepOf(p, *t, std::floor(double(q))), notANumber};
}

std::string FullText(float value, char decimalSeparator) {
    char buf[64];
    const auto res =
        std::to_chars(buf, buf + sizeof buf, double(value), std::chars_format::general, 15);
    std::string text(buf, res.ptr);
    for (char& ch : text) {
        if (ch == '.') {
            ch = decimalSeparator;
        }
    }
    return text;
}

std::string CellText(float value, char decimalSeparator) {
    return FullText(value, decimalSeparator).substr(0, 6);
}
