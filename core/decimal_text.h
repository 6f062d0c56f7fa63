#pragma once

#include <optional>
#include <string>

// Numbers as a person types them into a grid cell: blanks, a sign, digits with the
// user's decimal separator, an optional exponent, blanks. Nothing else is a number
// ("nan", "inf" and hexadecimal included). Beyond the type's range a number is
// +-infinity (or +-0 below it), for the caller to clamp or refuse.
std::optional<double> ParseDecimal(const std::string& text, char decimalSeparator);
std::optional<float> ParseDecimalFloat(const std::string& text, char decimalSeparator);

// Keeps the first comma and everything else, dropping only the further commas;
// true when any was dropped.
bool KeepFirstComma(std::string& text);
