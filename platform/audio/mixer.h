#pragma once
// The sound card's mixer, reduced to what the volume sliders need: find a line by
// component type, find that line's volume control, set its value. Values run from
// the control's minimum to its maximum (0 to 65535 here, whatever the card's own
// range; the ALSA mixer scales).
//
// Usage:
//   auto mixer = vantry::audio::CreateSystemMixer();   // or FakeMixer in tests
//   if (!mixer->Open(0)) disable both sliders;
//   vantry::audio::MixerControl mic;
//   if (GetVolumeControl(*mixer, kComponentSrcMicrophone, kControlTypeVolume, mic))
//       SetVolumeControl(*mixer, mic, level);
//   else disable the slider;
//
// ALSA mapping (simple mixer of the card behind VANTRY_ALSA_DEVICE or MURMEL_ALSA_DEVICE, default
// "default"): microphone = the capture volume element ("Capture", else "Mic", else
// the first element with a capture volume); speakers = the playback master
// ("Master", else "PCM", else the first element with a playback volume).

#include <cstdint>
#include <memory>
#include <string>

namespace vantry::audio {

inline constexpr uint32_t kComponentSrcMicrophone = 0x1003;
inline constexpr uint32_t kComponentDstSpeakers = 4;
inline constexpr uint32_t kControlTypeVolume = 0x50030001;

// A found control, copied out to the caller.
struct MixerControl {
    uint32_t controlId = 0;
    uint32_t controlType = 0;
    uint32_t minimum = 0;
    uint32_t maximum = 0;
    std::string name;
};

class Mixer {
public:
    virtual ~Mixer() = default;
    // Opens mixer device `index` (0 = the configured card). False when there is none.
    virtual bool Open(unsigned index) = 0;
    virtual bool IsOpen() const = 0;
    // The line of a component type; false when the mixer has none (or is not open).
    virtual bool LineByComponentType(uint32_t componentType, uint32_t& lineId) = 0;
    // That line's first control of `controlType`; false when it has none.
    virtual bool ControlByType(uint32_t lineId, uint32_t controlType, MixerControl& out) = 0;
    // Sets the control's value (one channel value applied to all channels; clamped to
    // the range). False when the mixer refused it.
    virtual bool SetControlValue(const MixerControl& control, uint32_t value) = 0;
};

// Finds the line, then its control; false if either look-up fails (out untouched then).
bool GetVolumeControl(Mixer& mixer, uint32_t componentType, uint32_t controlType,
                      MixerControl& out);
// True when the mixer accepted the value.
bool SetVolumeControl(Mixer& mixer, const MixerControl& control, uint32_t value);

// ALSA simple mixer.
std::unique_ptr<Mixer> CreateSystemMixer();

}  // namespace vantry::audio
