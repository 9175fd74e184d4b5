#pragma once
// Moves samples between a WaveStore and a sound device for WaveDevice.
// Implemented by the ALSA engine (worker thread) and the fake engine (virtual clock).
// Start/Stop are called on the GUI thread; the finished handler may be called on any
// thread and only reports an operation that ended by itself (end of playback, or a
// failure); Stop never calls it.

#include <cstdint>
#include <functional>

namespace vantry::audio {

class WaveStore;

class WaveEngine {
public:
    virtual ~WaveEngine() = default;

    // error is 0 when playback reached the end, else a DeviceError number.
    using FinishedHandler = std::function<void(int error)>;
    void setFinishedHandler(FinishedHandler handler) { finished_ = std::move(handler); }

    // Appends captured frames to the store's end until Stop. Returns 0 or a DeviceError.
    virtual int StartCapture(WaveStore& store) = 0;
    // Plays the store from `fromFrame` to its end. Returns 0 or a DeviceError.
    virtual int StartPlayback(WaveStore& store, int64_t fromFrame) = 0;
    // Ends whatever runs; returns once the store is no longer touched.
    virtual void Stop() = 0;
    // The frame being heard during playback (or where it stopped).
    virtual int64_t PlaybackFrame() const = 0;
    // Blocks until a running playback has ended by itself; returns its error.
    virtual int WaitPlayback() = 0;

protected:
    void Finished(int error) {
        if (finished_) {
            finished_(error);
        }
    }

private:
    FinishedHandler finished_;
};

}  // namespace vantry::audio
