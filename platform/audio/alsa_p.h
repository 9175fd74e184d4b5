#pragma once
// Helpers shared by the ALSA-backed pieces: the device name, quiet error reporting,
// opening a PCM in our sample layout, and a pacer for devices that run faster than
// real time.

#include <alsa/asoundlib.h>

#include <QByteArray>
#include <atomic>
#include <chrono>
#include <cstdint>

namespace vantry::audio::alsa {

// VANTRY_ALSA_DEVICE, else MURMEL_ALSA_DEVICE, else "default".
QByteArray DeviceName();

// Routes alsa-lib's own diagnostics into our debug log instead of stderr.
void InstallErrorHandler();

// Opens `stream` on DeviceName(), non-blocking, for interleaved signed 16-bit frames;
// nullptr when the device is missing or refuses the layout.
snd_pcm_t* OpenPcm(snd_pcm_stream_t stream, int rate, int channels);

// Writes `frames` frames, waiting for room in short slices. Adds what was written to
// `written`. False on a device failure (or when `stop` was raised).
bool WriteFrames(snd_pcm_t* pcm, const int16_t* data, int64_t frames, int channels,
                 const std::atomic<bool>& stop, std::atomic<int64_t>& written);

// Starts a stream that never filled its buffer and waits until everything written
// has been heard (or `stop`). False on a device failure.
bool WaitUntilPlayed(snd_pcm_t* pcm, const std::atomic<bool>& stop);

// Frames written but not yet heard.
int64_t Delay(snd_pcm_t* pcm);

// Keeps a loop from moving frames faster than they would be heard: devices that are
// not clocked (the null device, some virtual ones) would otherwise record gigabytes
// in seconds or end playback at once.
class Pacer {
public:
    explicit Pacer(int rate) : rate_(rate), start_(std::chrono::steady_clock::now()) {}
    // Waits until `framesDone` frames' worth of time has passed (in short slices so
    // `stop` is noticed soon). A clocked device never makes it wait noticeably.
    void Wait(int64_t framesDone, const std::atomic<bool>& stop) const;

private:
    int rate_;
    std::chrono::steady_clock::time_point start_;
};

}  // namespace vantry::audio::alsa
