#include "audio/mixer.h"

namespace vantry::audio {

bool GetVolumeControl(Mixer& mixer, uint32_t componentType, uint32_t controlType,
                      MixerControl& out) {
    uint32_t line = 0;
    if (!mixer.LineByComponentType(componentType, line)) {
        return false;
    }
    MixerControl found;
    if (!mixer.ControlByType(line, controlType, found)) {
        return false;
    }
    out = found;
    return true;
}

bool SetVolumeControl(Mixer& mixer, const MixerControl& control, uint32_t value) {
    return mixer.SetControlValue(control, value);
}

}  // namespace vantry::audio
