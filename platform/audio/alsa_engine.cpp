#include <atomic>
#include <thread>
#include <vector>

#include "audio/alsa_p.h"
#include "audio/wave_device.h"
#include "audio/wave_engine.h"
#include "audio/wave_store.h"

namespace vantry::audio {
namespace {

// Capture and playback on a worker thread; the store is only touched by that thread
// (and read for frames() by anyone) while an operation runs.
class AlsaEngine : public WaveEngine {
public:
    ~AlsaEngine() override { Stop(); }

    int StartCapture(WaveStore& store) override {
        Stop();
        pcm_ = alsa::OpenPcm(SND_PCM_STREAM_CAPTURE, store.sampleRate(), store.channels());
        if (pcm_ == nullptr) {
            return kErrHardware;
        }
        Begin();
        thread_ = std::thread([this, &store] { CaptureLoop(store); });
        return 0;
    }

    int StartPlayback(WaveStore& store, int64_t fromFrame) override {
        Stop();
        pcm_ = alsa::OpenPcm(SND_PCM_STREAM_PLAYBACK, store.sampleRate(), store.channels());
        if (pcm_ == nullptr) {
            return kErrHardware;
        }
        Begin();
        playFrame_ = fromFrame;
        thread_ = std::thread([this, &store, fromFrame] { PlaybackLoop(store, fromFrame); });
        return 0;
    }

    void Stop() override {
        stop_ = true;
        Join();
    }

    int64_t PlaybackFrame() const override { return playFrame_.load(); }

    int WaitPlayback() override {
        Join();
        return result_.load();
    }

private:
    void Begin() {
        stop_ = false;
        result_ = 0;
    }

    void Join() {
        if (thread_.joinable()) {
            thread_.join();
        }
        if (pcm_ != nullptr) {
            snd_pcm_drop(pcm_);
            snd_pcm_close(pcm_);
            pcm_ = nullptr;
        }
    }

    void End(int error) {
        result_ = error;
        Finished(error);
    }

    void CaptureLoop(WaveStore& store) {
        const int channels = store.channels();
        const int64_t chunk = std::max(store.sampleRate() / 20, 64);  // 50 ms
        std::vector<int16_t> buffer(static_cast<size_t>(chunk * channels));
        const alsa::Pacer pacer(store.sampleRate());
        int64_t done = 0;
        while (!stop_.load()) {
            snd_pcm_sframes_t n =
                snd_pcm_readi(pcm_, buffer.data(), static_cast<snd_pcm_uframes_t>(chunk));
            if (n == -EAGAIN) {
                snd_pcm_wait(pcm_, 100);
                continue;
            }
            if (n < 0) {
                if (snd_pcm_recover(pcm_, static_cast<int>(n), 1) < 0) {
                    End(kErrHardware);
                    return;
                }
                continue;
            }
            if (!store.Append(buffer.data(), n)) {
                End(kErrBuffer);
                return;
            }
            done += n;
            pacer.Wait(done, stop_);
        }
    }

    void PlaybackLoop(WaveStore& store, int64_t from) {
        const int channels = store.channels();
        const int64_t chunk = std::max(store.sampleRate() / 20, 64);
        std::vector<int16_t> buffer(static_cast<size_t>(chunk * channels));
        const alsa::Pacer pacer(store.sampleRate());
        std::atomic<int64_t> written{0};
        int64_t at = from;
        while (!stop_.load()) {
            const int64_t got = store.Read(at, buffer.data(), chunk);
            if (got <= 0) {
                break;
            }
            if (!alsa::WriteFrames(pcm_, buffer.data(), got, channels, stop_, written)) {
                if (!stop_.load()) {
                    End(kErrHardware);
                }
                return;
            }
            at += got;
            playFrame_ = std::max(from, from + written.load() - alsa::Delay(pcm_));
            pacer.Wait(written.load(), stop_);
        }
        if (stop_.load()) {
            return;
        }
        const bool ok = alsa::WaitUntilPlayed(pcm_, stop_);
        if (stop_.load()) {
            return;
        }
        playFrame_ = at;
        End(ok ? 0 : kErrHardware);
    }

    snd_pcm_t* pcm_ = nullptr;
    std::thread thread_;
    std::atomic<bool> stop_{false};
    std::atomic<int> result_{0};
    std::atomic<int64_t> playFrame_{0};
};

}  // namespace

std::unique_ptr<WaveDevice> CreateSystemWaveDevice(QObject* parent) {
    return std::make_unique<WaveDevice>(std::make_unique<AlsaEngine>(), parent);
}

}  // namespace vantry::audio
