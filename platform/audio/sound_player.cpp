#include "audio/sound_player.h"

#include <sndfile.h>

#include <QFile>
#include <atomic>
#include <thread>
#include <vector>

#include "audio/alsa_p.h"

namespace vantry::audio {
namespace {

// One sound at a time, as one sound channel would.
class AlsaSoundPlayer : public SoundPlayer {
public:
    ~AlsaSoundPlayer() override { Stop(); }

    bool Play(const QString& path, SoundMode mode) override {
        Stop();
        SF_INFO info{};
        const QByteArray name = QFile::encodeName(path);
        SNDFILE* file = sf_open(name.constData(), SFM_READ, &info);
        if (file == nullptr) {
            return false;
        }
        if (info.channels < 1 || info.channels > 8 || info.samplerate <= 0) {
            sf_close(file);
            return false;
        }
        snd_pcm_t* pcm = alsa::OpenPcm(SND_PCM_STREAM_PLAYBACK, info.samplerate, info.channels);
        if (pcm == nullptr) {
            sf_close(file);
            return false;
        }
        stop_ = false;
        if (mode == SoundMode::Sync) {
            return Run(file, pcm, info);
        }
        thread_ = std::thread([this, file, pcm, info] { Run(file, pcm, info); });
        return true;
    }

    void Stop() override {
        stop_ = true;
        if (thread_.joinable()) {
            thread_.join();
        }
    }

private:
    bool Run(SNDFILE* file, snd_pcm_t* pcm, SF_INFO info) {
        const int64_t chunk = std::max(info.samplerate / 20, 64);
        std::vector<int16_t> buffer(static_cast<size_t>(chunk * info.channels));
        const alsa::Pacer pacer(info.samplerate);
        std::atomic<int64_t> written{0};
        bool ok = true;
        while (ok && !stop_.load()) {
            const sf_count_t got = sf_readf_short(file, buffer.data(), chunk);
            if (got <= 0) {
                break;
            }
            ok = alsa::WriteFrames(pcm, buffer.data(), got, info.channels, stop_, written);
            pacer.Wait(written.load(), stop_);
        }
        ok = ok && alsa::WaitUntilPlayed(pcm, stop_) && !stop_.load();
        snd_pcm_drop(pcm);
        snd_pcm_close(pcm);
        sf_close(file);
        return ok;
    }

    std::thread thread_;
    std::atomic<bool> stop_{false};
};

}  // namespace

std::unique_ptr<SoundPlayer> CreateSystemSoundPlayer() {
    return std::make_unique<AlsaSoundPlayer>();
}

}  // namespace vantry::audio
