#pragma once
// The recording, whatever its codec (PCM, GSM 6.10, IMA or MS ADPCM, A-law,
// mu-law ...), becomes a 16-bit PCM WAV that every mail reader plays.

#include <cstdint>
#include <filesystem>
#include <string>

namespace murmel::relay {

// What the mail carries: a WAV every reader plays, or Ogg Opus, a tenth of
// the size, for sites whose readers take it.
enum class SoundFormat { Wave, Opus };

// Decodes in into out (created 0600) in the wanted format. Opus takes only
// some sample rates; a recording at another rate is written as WAV, and
// *written says which came out. False, with a reason, when in is no sound
// file libsndfile reads, or when the decoded samples would exceed
// maxDecodedBytes.
bool TranscodeRecording(const std::filesystem::path& in, const std::filesystem::path& out,
                        SoundFormat wanted, std::uint64_t maxDecodedBytes, SoundFormat* written,
                        std::string* error);

// The attachment's MIME subtype and file name extension.
const char* SoundSubtype(SoundFormat format);
const char* SoundExtension(SoundFormat format);

}  // namespace murmel::relay
