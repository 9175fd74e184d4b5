#pragma once
// A mixer for tests: the lines it has are chosen by the test, values set are kept.
//
// Usage:
//   vantry::audio::FakeMixer mixer;               // microphone and speakers, 0..65535
//   mixer.RemoveLine(kComponentSrcMicrophone);    // "no microphone line"
//   mixer.SetOpenFails(true);                     // "no mixer at all"
//   mixer.Value(kComponentDstSpeakers);           // last value set, or -1

#include <map>

#include "audio/mixer.h"

namespace vantry::audio {

class FakeMixer : public Mixer {
public:
    FakeMixer();

    void RemoveLine(uint32_t componentType) { lines_.erase(componentType); }
    void AddLine(uint32_t componentType, bool withVolume);
    void SetOpenFails(bool fails) { openFails_ = fails; }
    void SetRefuseValues(bool refuse) { refuse_ = refuse; }
    // Last value set on the line's volume control, -1 when none was set.
    int64_t Value(uint32_t componentType) const;
    int SetCount() const { return setCount_; }

    bool Open(unsigned index) override;
    bool IsOpen() const override { return open_; }
    bool LineByComponentType(uint32_t componentType, uint32_t& lineId) override;
    bool ControlByType(uint32_t lineId, uint32_t controlType, MixerControl& out) override;
    bool SetControlValue(const MixerControl& control, uint32_t value) override;

private:
    struct Line {
        bool volume = true;
        int64_t value = -1;
    };
    std::map<uint32_t, Line> lines_;  // by component type; line id = component type
    bool open_ = false;
    bool openFails_ = false;
    bool refuse_ = false;
    int setCount_ = 0;
};

}  // namespace vantry::audio
