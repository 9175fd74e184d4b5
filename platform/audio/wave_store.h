#pragma once
// The samples of one open recording, kept in an unlinked temporary file as
// interleaved 16-bit frames, so memory stays flat however long the recording.
// One writer (the capture side) or one reader (the playback side) at a time;
// frames() may be read from any thread.

#include <QString>
#include <atomic>
#include <cstdint>

#include "audio/recording_format.h"
#include "base/regular_file.h"

namespace vantry::audio {

class WaveStore {
public:
    WaveStore() = default;
    ~WaveStore();
    WaveStore(const WaveStore&) = delete;
    WaveStore& operator=(const WaveStore&) = delete;

    // Starts empty with the given layout. False when no temporary file can be made.
    bool Reset(int sampleRate, int channels, int bitsPerSample, Encoding encoding = Encoding::Pcm);
    // Loads a wave file (any layout libsndfile reads, kept as 16-bit). Returns 0, or
    // kErrInvalidFile / kErrBuffer.
    int Load(const QString& path);
    // Writes the frames as a wave file in the layout's encoding, through a
    // temporary file beside `path` and a rename. Returns 0 or kErrFileNotSaved.
    int Save(const QString& path) const;

    // Drops every frame from `frame` on.
    bool Truncate(int64_t frame);
    // Appends `count` frames. False on a write failure.
    bool Append(const int16_t* data, int64_t count);
    // Reads up to `count` frames from `frame`; returns how many were read.
    int64_t Read(int64_t frame, int16_t* data, int64_t count) const;

    int64_t frames() const { return frames_.load(); }
    int sampleRate() const { return rate_; }
    int channels() const { return channels_; }
    int bitsPerSample() const { return bits_; }
    Encoding encoding() const { return encoding_; }
    int64_t FramesToMs(int64_t frames) const;
    int64_t MsToFrames(int64_t ms) const;

private:
    void CloseFile();

    vantry::FileDescriptor fd_;
    int rate_ = 16000;
    int channels_ = 1;
    int bits_ = 16;
    Encoding encoding_ = Encoding::Pcm;
    std::atomic<int64_t> frames_{0};
};

}  // namespace vantry::audio
