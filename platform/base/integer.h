#pragma once
// Integers read from configuration, spool and header text.

#include <charconv>
#include <concepts>
#include <optional>
#include <string_view>

namespace vantry {

// The whole of TEXT as an integer in BASE: nothing when it is empty, holds any
// other character (blanks and a '+' included) or does not fit in T.
template <std::integral T>
std::optional<T> ParseInteger(std::string_view text, int base = 10) {
    T value{};
    const char* end = text.data() + text.size();
    const auto [p, ec] = std::from_chars(text.data(), end, value, base);
    if (text.empty() || ec != std::errc() || p != end) {
        return std::nullopt;
    }
    return value;
}

// The leading number of TEXT the way profile and registry readers take it:
// blanks, an optional sign, then digits up to the first other character.
// No digits read as 0; values beyond int saturate at INT_MIN or INT_MAX.
int ParseLeadingInt(std::string_view text);

}  // namespace vantry
