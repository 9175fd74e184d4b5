#pragma once
// A sound player for tests: records what was asked for, plays nothing.

#include <QString>
#include <vector>

#include "audio/sound_player.h"

namespace vantry::audio {

class FakeSoundPlayer : public SoundPlayer {
public:
    struct Played {
        QString path;
        SoundMode mode;
    };
    bool Play(const QString& path, SoundMode mode) override {
        played_.push_back({path, mode});
        return true;
    }
    void Stop() override { ++stops_; }
    const std::vector<Played>& played() const { return played_; }
    void clear() { played_.clear(); }
    int stops() const { return stops_; }

private:
    std::vector<Played> played_;
    int stops_ = 0;
};

}  // namespace vantry::audio
