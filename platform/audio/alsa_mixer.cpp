#include <map>

#include "audio/alsa_p.h"
#include "audio/mixer.h"

namespace vantry::audio {
namespace {

// The ALSA simple mixer of one card, seen as the two lines the sliders need.
class AlsaMixer : public Mixer {
public:
    ~AlsaMixer() override { Close(); }

    bool Open(unsigned index) override {
        Close();
        alsa::InstallErrorHandler();
        const QByteArray name =
            index == 0 ? alsa::DeviceName() : QByteArray("hw:") + QByteArray::number(index - 1);
        if (snd_mixer_open(&handle_, 0) < 0) {
            handle_ = nullptr;
            return false;
        }
        if (snd_mixer_attach(handle_, name.constData()) < 0 ||
            snd_mixer_selem_register(handle_, nullptr, nullptr) < 0 ||
            snd_mixer_load(handle_) < 0) {
            Close();
            return false;
        }
        return true;
    }

    bool IsOpen() const override { return handle_ != nullptr; }

    bool LineByComponentType(uint32_t componentType, uint32_t& lineId) override {
        if (handle_ == nullptr) {
            return false;
        }
        snd_mixer_elem_t* elem = nullptr;
        if (componentType == kComponentSrcMicrophone) {
            elem = Find({"Capture", "Mic"}, &snd_mixer_selem_has_capture_volume);
        } else if (componentType == kComponentDstSpeakers) {
            elem = Find({"Master", "PCM"}, &snd_mixer_selem_has_playback_volume);
        }
        if (elem == nullptr) {
            return false;
        }
        lines_[componentType] = elem;
        lineId = componentType;
        return true;
    }

    bool ControlByType(uint32_t lineId, uint32_t controlType, MixerControl& out) override {
        const auto it = lines_.find(lineId);
        if (handle_ == nullptr || it == lines_.end() || controlType != kControlTypeVolume) {
            return false;
        }
        out.controlId = lineId;
        out.controlType = controlType;
        out.minimum = 0;
        out.maximum = 65535;
        out.name = snd_mixer_selem_get_name(it->second);
        return true;
    }

    bool SetControlValue(const MixerControl& control, uint32_t value) override {
        const auto it = lines_.find(control.controlId);
        if (handle_ == nullptr || it == lines_.end()) {
            return false;
        }
        const uint64_t v = value > 65535 ? 65535 : value;
        long lo = 0;
        long hi = 0;
        const bool capture = control.controlId == kComponentSrcMicrophone;
        const int got = capture ? snd_mixer_selem_get_capture_volume_range(it->second, &lo, &hi)
                                : snd_mixer_selem_get_playback_volume_range(it->second, &lo, &hi);
        if (got < 0 || hi < lo) {
            return false;
        }
        const long level =
            lo + static_cast<long>((static_cast<uint64_t>(hi - lo) * v + 32767) / 65535);
        const int rc = capture ? snd_mixer_selem_set_capture_volume_all(it->second, level)
                               : snd_mixer_selem_set_playback_volume_all(it->second, level);
        return rc >= 0;
    }

private:
    // The first element among `names` that has the wanted volume, else the first
    // element at all that has it.
    snd_mixer_elem_t* Find(std::initializer_list<const char*> names,
                           int (*hasVolume)(snd_mixer_elem_t*)) {
        for (const char* wanted : names) {
            for (snd_mixer_elem_t* e = snd_mixer_first_elem(handle_); e != nullptr;
                 e = snd_mixer_elem_next(e)) {
                if (snd_mixer_selem_is_active(e) && hasVolume(e) &&
                    qstrcmp(snd_mixer_selem_get_name(e), wanted) == 0) {
                    return e;
                }
            }
        }
        for (snd_mixer_elem_t* e = snd_mixer_first_elem(handle_); e != nullptr;
             e = snd_mixer_elem_next(e)) {
            if (snd_mixer_selem_is_active(e) && hasVolume(e)) {
                return e;
            }
        }
        return nullptr;
    }

    void Close() {
        lines_.clear();
        if (handle_ != nullptr) {
            snd_mixer_close(handle_);
            handle_ = nullptr;
        }
    }

    snd_mixer_t* handle_ = nullptr;
    std::map<uint32_t, snd_mixer_elem_t*> lines_;
};

}  // namespace

std::unique_ptr<Mixer> CreateSystemMixer() {
    return std::make_unique<AlsaMixer>();
}

}  // namespace vantry::audio
