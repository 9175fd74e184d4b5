#include "audio/fake_mixer.h"

namespace vantry::audio {

FakeMixer::FakeMixer() {
    lines_[kComponentSrcMicrophone] = Line{};
    lines_[kComponentDstSpeakers] = Line{};
}

void FakeMixer::AddLine(uint32_t componentType, bool withVolume) {
    Line line;
    line.volume = withVolume;
    lines_[componentType] = line;
}

int64_t FakeMixer::Value(uint32_t componentType) const {
    const auto it = lines_.find(componentType);
    return it == lines_.end() ? -1 : it->second.value;
}

bool FakeMixer::Open(unsigned index) {
    open_ = !openFails_ && index == 0;
    return open_;
}

bool FakeMixer::LineByComponentType(uint32_t componentType, uint32_t& lineId) {
    if (!open_ || lines_.count(componentType) == 0) {
        return false;
    }
    lineId = componentType;
    return true;
}

bool FakeMixer::ControlByType(uint32_t lineId, uint32_t controlType, MixerControl& out) {
    const auto it = lines_.find(lineId);
    if (!open_ || it == lines_.end() || !it->second.volume || controlType != kControlTypeVolume) {
        return false;
    }
    out.controlId = lineId;
    out.controlType = controlType;
    out.minimum = 0;
    out.maximum = 65535;
    out.name = lineId == kComponentSrcMicrophone ? "Capture" : "Master";
    return true;
}

bool FakeMixer::SetControlValue(const MixerControl& control, uint32_t value) {
    const auto it = lines_.find(control.controlId);
    if (!open_ || refuse_ || it == lines_.end() || !it->second.volume) {
        return false;
    }
    it->second.value = value > control.maximum ? control.maximum : value;
    ++setCount_;
    return true;
}

}  // namespace vantry::audio
