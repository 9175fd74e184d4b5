#include "audio/testing/fake_wave_device.h"

#include <algorithm>
#include <vector>

#include "audio/wave_engine.h"
#include "audio/wave_store.h"

namespace vantry::audio {

// An engine driven by a virtual clock: nothing moves until Advance().
class FakeWaveEngine : public WaveEngine {
public:
    int StartCapture(WaveStore& store) override {
        store_ = &store;
        capturing_ = true;
        return 0;
    }
    int StartPlayback(WaveStore& store, int64_t fromFrame) override {
        store_ = &store;
        playing_ = true;
        playFrame_ = fromFrame;
        if (fromFrame >= store.frames()) {
            EndPlayback(0);  // nothing to hear: over at once (reported through the loop)
        }
        return 0;
    }
    void Stop() override {
        capturing_ = false;
        playing_ = false;
        failRunning_ = 0;
    }
    int64_t PlaybackFrame() const override { return playFrame_; }
    int WaitPlayback() override {
        if (playing_) {
            playFrame_ = store_->frames();
            playing_ = false;
        }
        return 0;
    }

    void FailRunning(int error) { failRunning_ = error; }

    void Advance(int64_t ms) {
        if (!capturing_ && !playing_) {
            return;
        }
        if (failRunning_ != 0) {
            const int error = failRunning_;
            failRunning_ = 0;
            capturing_ = false;
            playing_ = false;
            Finished(error);
            return;
        }
        const int64_t frames = store_->MsToFrames(ms);
        if (capturing_) {
            // In steps of at most a second, so a long advance needs no more memory.
            for (int64_t done = 0; capturing_ && done < frames;) {
                const int64_t step = std::min<int64_t>(frames - done, store_->sampleRate());
                Capture(step);
                done += step;
            }
        } else {
            playFrame_ += frames;
            if (playFrame_ >= store_->frames()) {
                EndPlayback(0);
            }
        }
    }

private:
    // A 1 kHz square wave at a quarter of full scale, continuous across calls.
    void Capture(int64_t frames) {
        const int channels = store_->channels();
        const int64_t half = std::max<int64_t>(1, store_->sampleRate() / 2000);
        std::vector<int16_t> samples(static_cast<size_t>(frames * channels));
        for (int64_t i = 0; i < frames; ++i) {
            const int16_t v = ((tonePhase_ + i) / half) % 2 == 0 ? 8192 : -8192;
            for (int c = 0; c < channels; ++c) {
                samples[static_cast<size_t>(i * channels + c)] = v;
            }
        }
        tonePhase_ += frames;
        if (!store_->Append(samples.data(), frames)) {
            capturing_ = false;
            Finished(kErrBuffer);
        }
    }

    void EndPlayback(int error) {
        playFrame_ = store_->frames();
        playing_ = false;
        Finished(error);
    }

    WaveStore* store_ = nullptr;
    bool capturing_ = false;
    bool playing_ = false;
    int64_t playFrame_ = 0;
    int64_t tonePhase_ = 0;
    int failRunning_ = 0;
};

FakeWaveDevice::FakeWaveDevice(QObject* parent)
    : WaveDevice(std::make_unique<FakeWaveEngine>(), parent) {
    fake_ = static_cast<FakeWaveEngine*>(engine());
}

void FakeWaveDevice::advance(int64_t ms) {
    if (ms > 0) {
        fake_->Advance(ms);
    }
}

void FakeWaveDevice::failNext(const QString& command, int error) {
    failures_[command.trimmed().toLower()] = error;
}

void FakeWaveDevice::failRunning(int error) {
    fake_->FailRunning(error);
}

int FakeWaveDevice::commandHook(const QString& command) {
    commands_.append(command);
    const auto it = failures_.find(command);
    if (it == failures_.end()) {
        return 0;
    }
    const int error = it->second;
    failures_.erase(it);
    return error;
}

}  // namespace vantry::audio
