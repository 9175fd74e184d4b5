#include "program_services.h"

#include <cstdio>

namespace murmel {

namespace {

#if !MURMEL_HAVE_AUDIO
// Used while the program is built without the sound layer: silent.
class SilentSoundPlayer : public vantry::audio::SoundPlayer {
public:
    bool Play(const QString&, vantry::audio::SoundMode) override { return false; }
    void Stop() override {}
};
#endif

}  // namespace

ProgramServices CreateProgramServices() {
    ProgramServices s;
#if MURMEL_HAVE_AUDIO
    s.sound = vantry::audio::CreateSystemSoundPlayer();
#else
    s.sound = std::make_unique<SilentSoundPlayer>();
#endif
    s.shell = vantry::shell::CreateSystemShell();
    s.createSettings = []() -> std::unique_ptr<FormSettings> {
        std::fprintf(stderr,
                     "murmel: built without the settings store; settings last "
                     "until the program ends\n");
        return std::make_unique<MemorySettings>();
    };
    return s;
}

}  // namespace murmel
