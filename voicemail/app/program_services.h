#pragma once
// The real platform services of the murmel program, and the routines of the
// program's other pieces that run on the main window.

#include <functional>
#include <memory>

#include "audio/sound_player.h"
#include "form_settings.h"
#include "frm_mm.h"
#include "shell/shell.h"

namespace murmel {

struct ProgramServices {
    std::unique_ptr<vantry::audio::SoundPlayer> sound;
    std::unique_ptr<vantry::shell::Shell> shell;
    std::function<std::unique_ptr<FormSettings>()> createSettings;
    frmMMRoutines routines;
};

ProgramServices CreateProgramServices();

}  // namespace murmel
