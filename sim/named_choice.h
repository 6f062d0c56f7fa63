#pragma once

#include <cstddef>
#include <string_view>
#include <utility>

// The value a command-line word names in a table of (word, value) pairs; false, `value`
// untouched, for a word the table lacks.
template <typename T, size_t N>
bool PickByName(const std::pair<std::string_view, T> (&names)[N], std::string_view name, T& value) {
    for (const auto& [word, v] : names) {
        if (word == name) {
            value = v;
            return true;
        }
    }
    return false;
}
