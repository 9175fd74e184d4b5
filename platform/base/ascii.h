#pragma once
// ASCII-only text helpers for file formats and protocols: case folds only
// 'A'-'Z', so bytes of any code page pass through unchanged.

#include <string>
#include <string_view>

namespace vantry {

// Space and TAB: what hand-edited files hold around their fields.
inline constexpr std::string_view kAsciiBlanks = " \t";

// S without leading and trailing characters from BLANKS.
std::string_view TrimAscii(std::string_view s, std::string_view blanks = kAsciiBlanks);

constexpr char LowerAscii(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

std::string LowerAscii(std::string_view s);
bool EqualsIgnoreAsciiCase(std::string_view a, std::string_view b);
bool StartsWithIgnoreAsciiCase(std::string_view text, std::string_view prefix);

}  // namespace vantry
