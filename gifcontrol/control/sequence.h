#pragma once
// The user-defined playback order: a comma-separated list of frame numbers.

#include <cstdint>
#include <string_view>
#include <vector>

namespace plimova {

// Splits at every ","; each non-empty piece is read as a decimal integer
// (leading blanks, optional sign, digits up to the first non-digit; no
// digits reads 0) and kept as a 16-bit frame number.
std::vector<int16_t> ParseSequence(std::u16string_view text);

}  // namespace plimova
