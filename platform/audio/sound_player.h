#pragma once
// Plays short wave files (navigation sounds). A missing file, an unreadable file or
// no sound card is silent: Play returns false and nothing else happens.
//
// Usage:
//   auto player = vantry::audio::CreateSystemSoundPlayer();  // or a fake in tests
//   player->Play(appPath + "/sounds/click.wav", SoundMode::Sync);    // returns when heard
//   player->Play(appPath + "/sounds/ok.wav", SoundMode::Async);      // returns at once
// A new sound stops the one still playing, as one sound channel would.

#include <QString>
#include <memory>
#include <vector>

namespace vantry::audio {

enum class SoundMode { Async, Sync };

class SoundPlayer {
public:
    virtual ~SoundPlayer() = default;
    // True when the sound was started (Async) or played to its end (Sync).
    virtual bool Play(const QString& path, SoundMode mode) = 0;
    // Stops a sound still playing.
    virtual void Stop() = 0;
};

// ALSA playback (VANTRY_ALSA_DEVICE or MURMEL_ALSA_DEVICE, default "default") of files
// read by libsndfile.
std::unique_ptr<SoundPlayer> CreateSystemSoundPlayer();

}  // namespace vantry::audio
