#include "core/recording.h"

#include <sndfile.h>
#include <sys/stat.h>

#include <memory>
#include <vector>

namespace murmel::relay {

namespace {

struct SndCloser {
    void operator()(SNDFILE* f) const { sf_close(f); }
};
using SndFile = std::unique_ptr<SNDFILE, SndCloser>;

constexpr sf_count_t kBlockFrames = 4096;

bool OpusTakesRate(int rate) {
    return rate == 8000 || rate == 12000 || rate == 16000 || rate == 24000 || rate == 48000;
}

}  // namespace

const char* SoundSubtype(SoundFormat format) {
    return format == SoundFormat::Opus ? "ogg" : "wav";
}

const char* SoundExtension(SoundFormat format) {
    return format == SoundFormat::Opus ? ".opus" : ".wav";
}

bool TranscodeRecording(const std::filesystem::path& in, const std::filesystem::path& out,
                        SoundFormat wanted, std::uint64_t maxOutBytes, SoundFormat* written,
                        std::string* error) {
    SF_INFO inInfo{};
    SndFile source(sf_open(in.c_str(), SFM_READ, &inInfo));
    if (!source) {
        *error = std::string("recording: ") + sf_strerror(nullptr);
        return false;
    }
    if (inInfo.channels < 1 || inInfo.channels > 8 || inInfo.samplerate < 1) {
        *error = "recording has an unusable format";
        return false;
    }
    SF_INFO outInfo{};
    outInfo.samplerate = inInfo.samplerate;
    outInfo.channels = inInfo.channels;
    *written =
        wanted == SoundFormat::Opus && inInfo.channels <= 2 && OpusTakesRate(inInfo.samplerate)
            ? SoundFormat::Opus
            : SoundFormat::Wave;
    outInfo.format = *written == SoundFormat::Opus ? SF_FORMAT_OGG | SF_FORMAT_OPUS
                                                   : SF_FORMAT_WAV | SF_FORMAT_PCM_16;
    const mode_t oldMask = ::umask(077);
    SndFile sink(sf_open(out.c_str(), SFM_WRITE, &outInfo));
    ::umask(oldMask);
    if (!sink) {
        *error = std::string("cannot write ") + out.string() + ": " + sf_strerror(nullptr);
        return false;
    }
    const auto channels = static_cast<std::uint64_t>(inInfo.channels);
    std::vector<short> block(static_cast<std::size_t>(kBlockFrames) * channels);
    std::uint64_t decoded = 0;
    // Read until the decoder stops rather than trusting the frame count in the header.
    for (;;) {
        const sf_count_t frames = sf_readf_short(source.get(), block.data(), kBlockFrames);
        if (frames <= 0) {
            break;
        }
        decoded += static_cast<std::uint64_t>(frames) * channels * 2;
        if (decoded > maxOutBytes) {
            *error = "recording decodes beyond the limit";
            return false;
        }
        if (sf_writef_short(sink.get(), block.data(), frames) != frames) {
            *error = std::string("cannot write ") + out.string();
            return false;
        }
    }
    return true;
}

}  // namespace murmel::relay
