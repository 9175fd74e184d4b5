#pragma once
// The recording, whatever its codec (PCM, GSM 6.10, IMA or MS ADPCM, A-law,
// mu-law ...), becomes a 16-bit PCM WAV that every mail reader plays.

#include <cstdint>
#include <filesystem>
#include <string>

namespace murmel::relay {

// Decodes in into out (created 0600). False, with a reason, when in is no
// sound file libsndfile reads, or when out would exceed maxOutBytes.
bool TranscodeToPcm16(const std::filesystem::path& in, const std::filesystem::path& out,
                      std::uint64_t maxOutBytes, std::string* error);

}  // namespace murmel::relay
