#include "core/decimal_text.h"

#include <algorithm>
#include <charconv>
#include <limits>

namespace {

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

std::optional<double> ParseDecimal(const std::string& text, char decimalSeparator) {
    return Parse<double>(text, decimalSeparator);
}

std::optional<float> ParseDecimalFloat(const std::string& text, char decimalSeparator) {
    return Parse<float>(text, decimalSeparator);
}

bool KeepFirstComma(std::string& text) {
    const size_t first = text.find(',');
    if (first == std::string::npos) {
        return false;
    }
    const auto rest = std::remove(text.begin() + long(first) + 1, text.end(), ',');
    const bool dropped = rest != text.end();
    text.erase(rest, text.end());
    return dropped;
}
