#include "config/value_codec.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>

namespace {

// Byte position of an element, or nothing when it lies outside the block.
std::optional<size_t> ElementOffset(const PAR_long& p, const ElementType& t, int col, int row) {
    if (col < 0 || row < 0) {
        return std::nullopt;
    }
    const size_t index = size_t(row) * p.cols + size_t(col);
    const size_t offset = p.data + index * t.width;
    if (offset + t.width > kConfigBlockSize) {
        return std::nullopt;
    }
    return offset;
}

// Visits every element in working-value order: the grid row by row, then for a map
// the x axis (row `rows`) and the y axis (row `rows` + 1).
template <typename F> void ForEachElement(const PAR_long& p, F&& visit) {
    for (int r = 0; r < p.rows; ++r) {
        for (int c = 0; c < p.cols; ++c) {
            visit(c, r);
        }
    }
    if (IsMap(p)) {
        for (int c = 0; c < p.cols; ++c) {
            visit(c, int(p.rows));
        }
        for (int c = 0; c < p.rows; ++c) {
            visit(c, p.rows + 1);
        }
    }
}

struct DecimalSyntax {
    std::string plain; // the number in from_chars form: '.' separator, no '+'
    bool negative = false;
    long long magnitudeExponent = 0; // decimal exponent of the leading significant digit
    bool anyNonZeroDigit = false;
};

// Strict decimal syntax: blanks, sign, digits, separator, digits, exponent, blanks.
std::optional<DecimalSyntax> Scan(const std::string& text, char sep) {
    size_t i = 0;
    const size_t n = text.size();
    auto blank = [&](size_t k) { return k < n && (text[k] == ' ' || text[k] == '\t'); };
    auto digit = [&](size_t k) { return k < n && text[k] >= '0' && text[k] <= '9'; };
    while (blank(i)) {
        ++i;
    }
    DecimalSyntax s;
    if (i < n && (text[i] == '+' || text[i] == '-')) {
        s.negative = text[i] == '-';
        if (s.negative) {
            s.plain += '-';
        }
        ++i;
    }
    size_t digits = 0;
    long long intDigits = 0; // significant digits before the separator
    long long leadingFractionZeros = 0;
    bool seenSignificant = false;
    for (; digit(i); ++i, ++digits) {
        s.plain += text[i];
        seenSignificant = seenSignificant || text[i] != '0';
        intDigits += seenSignificant ? 1 : 0;
    }
    if (i < n && text[i] == sep) {
        s.plain += '.';
        for (++i; digit(i); ++i, ++digits) {
            s.plain += text[i];
            if (!seenSignificant && text[i] == '0') {
                ++leadingFractionZeros;
            }
            seenSignificant = seenSignificant || text[i] != '0';
        }
    }
    if (digits == 0) {
        return std::nullopt;
    }
    s.anyNonZeroDigit = seenSignificant;
    long long exponent = 0;
    if (i < n && (text[i] == 'e' || text[i] == 'E')) {
        s.plain += 'e';
        ++i;
        bool negativeExp = false;
        if (i < n && (text[i] == '+' || text[i] == '-')) {
            negativeExp = text[i] == '-';
            s.plain += text[i];
            ++i;
        }
        if (!digit(i)) {
            return std::nullopt;
        }
        for (; digit(i); ++i) {
            s.plain += text[i];
            exponent = std::min(exponent * 10 + (text[i] - '0'), 1000000000LL);
        }
        exponent = negativeExp ? -exponent : exponent;
    }
    while (blank(i)) {
        ++i;
    }
    if (i != n) {
        return std::nullopt;
    }
    s.magnitudeExponent = exponent + (intDigits > 0 ? intDigits - 1 : -leadingFractionZeros - 1);
    return s;
}

// The number in type T, correctly rounded; beyond T's range it is +-infinity or +-0.
template <typename T> std::optional<T> Parse(const std::string& text, char sep) {
    const auto s = Scan(text, sep);
    if (!s) {
        return std::nullopt;
    }
    T value{};
    const char* first = s->plain.data();
    const auto [ptr, ec] = std::from_chars(first, first + s->plain.size(), value);
    if (ec == std::errc::result_out_of_range) {
        const bool overflow = s->anyNonZeroDigit && s->magnitudeExponent > 0;
        value = overflow ? std::numeric_limits<T>::infinity() : T(0);
        return s->negative ? -value : value;
    }
    if (ec != std::errc() || ptr != first + s->plain.size()) {
        return std::nullopt;
    }
    return value;
}

} // namespace

namespace {

float ReadWithType(const ConfigBlock& block, const PAR_long& p, const ElementType& t, int col,
                   int row) {
    const auto offset = ElementOffset(p, t, col, row);
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
    const auto offset = ElementOffset(p, t, col, row);
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

std::optional<double> ParseDecimal(const std::string& text, char decimalSeparator) {
    return Parse<double>(text, decimalSeparator);
}

float EnterValue(const PAR_long& p, const std::string& text, char decimalSeparator,
                 Dialogs& dialogs) {
    const ElementType* t = FindElementType(p.type);
    if (t == nullptr) {
        return 0.0f;
    }
    auto parsed = Parse<float>(text, decimalSeparator);
    if (!parsed) {
        dialogs.showMessage("not a number");
        parsed = 0.0f;
    }
    const float q = *parsed / p.scale;
    const double n = std::floor(double(q));
    if (std::isnan(n) || n < double(t->min)) {
        return float(t->min) * p.scale;
    }
    if (n > double(t->max)) {
        return float(t->max) * p.scale;
    }
    // Through an integer, so "-0" enters as 0 and never shows as "-0".
    return float(int32_t(n)) * p.scale;
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
