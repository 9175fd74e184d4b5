#pragma once
// The light scrambling of stored passwords: it only keeps them from being
// read at a glance, it is not encryption.

#include <string>
#include <string_view>

namespace corvy::settings {

// Every character c becomes c-1 followed by c+2 (byte arithmetic).
std::string ScramblePassword(std::string_view plain);
// Characters at even positions, each plus 1.
std::string UnscramblePassword(std::string_view scrambled);

}  // namespace corvy::settings
