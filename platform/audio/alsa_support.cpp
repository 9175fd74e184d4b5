#include <QLoggingCategory>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <thread>

#include "audio/alsa_p.h"

Q_LOGGING_CATEGORY(lcAlsa, "vantry.audio.alsa", QtWarningMsg)

namespace vantry::audio::alsa {
namespace {

void QuietHandler(const char* file, int line, const char* function, int err, const char* fmt, ...) {
    char text[512];
    va_list args;
    va_start(args, fmt);
    std::vsnprintf(text, sizeof text, fmt, args);
    va_end(args);
    qCDebug(lcAlsa, "%s:%d %s: %s (%d)", file, line, function, text, err);
}

}  // namespace

QByteArray DeviceName() {
    for (const char* var : {"VANTRY_ALSA_DEVICE", "MURMEL_ALSA_DEVICE"}) {
        const char* value = std::getenv(var);
        if (value != nullptr && *value != '\0') {
            return QByteArray(value);
        }
    }
    return QByteArrayLiteral("default");
}

void InstallErrorHandler() {
    // Set every time: another part of the process may have put its own in place.
    snd_lib_error_set_handler(&QuietHandler);
}

snd_pcm_t* OpenPcm(snd_pcm_stream_t stream, int rate, int channels) {
    InstallErrorHandler();
    snd_pcm_t* pcm = nullptr;
    const QByteArray name = DeviceName();
    if (snd_pcm_open(&pcm, name.constData(), stream, SND_PCM_NONBLOCK) < 0) {
        return nullptr;
    }
    // Half a second of buffer: comfortable for a recorder, and resampling by the
    // plug layer when the card does not offer the rate itself.
    if (snd_pcm_set_params(pcm, SND_PCM_FORMAT_S16, SND_PCM_ACCESS_RW_INTERLEAVED,
                           static_cast<unsigned>(channels), static_cast<unsigned>(rate), 1,
                           500000) < 0) {
        snd_pcm_close(pcm);
        return nullptr;
    }
    return pcm;
}

bool WriteFrames(snd_pcm_t* pcm, const int16_t* data, int64_t frames, int channels,
                 const std::atomic<bool>& stop, std::atomic<int64_t>& written) {
    while (frames > 0) {
        if (stop.load()) {
            return false;
        }
        snd_pcm_sframes_t n = snd_pcm_writei(pcm, data, static_cast<snd_pcm_uframes_t>(frames));
        if (n == -EAGAIN) {
            snd_pcm_wait(pcm, 100);
            continue;
        }
        if (n < 0) {
            // An underrun (the GUI thread was busy) is recovered from; others end it.
            if (snd_pcm_recover(pcm, static_cast<int>(n), 1) < 0) {
                return false;
            }
            continue;
        }
        data += n * channels;
        frames -= n;
        written += n;
    }
    return true;
}

int64_t Delay(snd_pcm_t* pcm) {
    snd_pcm_sframes_t delay = 0;
    if (snd_pcm_delay(pcm, &delay) < 0 || delay < 0) {
        return 0;
    }
    return delay;
}

bool WaitUntilPlayed(snd_pcm_t* pcm, const std::atomic<bool>& stop) {
    if (snd_pcm_state(pcm) == SND_PCM_STATE_PREPARED && snd_pcm_start(pcm) < 0) {
        return false;
    }
    while (!stop.load()) {
        const snd_pcm_state_t state = snd_pcm_state(pcm);
        if (state != SND_PCM_STATE_RUNNING || Delay(pcm) <= 0) {
            return state != SND_PCM_STATE_DISCONNECTED;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return true;
}

void Pacer::Wait(int64_t framesDone, const std::atomic<bool>& stop) const {
    using namespace std::chrono;
    const auto due = start_ + microseconds(framesDone * 1000000 / rate_);
    // Slack so a real device, which paces itself, never waits here.
    const auto slack = milliseconds(250);
    while (!stop.load() && steady_clock::now() + slack < due) {
        std::this_thread::sleep_for(milliseconds(20));
    }
}

}  // namespace vantry::audio::alsa
