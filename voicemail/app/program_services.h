#pragma once
// The real platform services of the murmel program, and the program's other
// pieces (composing, recording, ...) attached to its main window.

#include <functional>
#include <memory>

#include "audio/sound_player.h"
#include "settings/settings.h"
#include "shell/frm_mm.h"
#include "shell/shell.h"

namespace murmel {

struct ProgramServices {
    std::unique_ptr<vantry::audio::SoundPlayer> sound;
    std::unique_ptr<vantry::shell::Shell> shell;
    std::function<std::unique_ptr<Settings>()> createSettings;
};

ProgramServices CreateProgramServices();

// Builds the recorder, the composer and the ads over the window's panels and
// controls and attaches them to it. Lives as long as the window.
class ProgramPieces {
public:
    explicit ProgramPieces(frmMM& form);
    ~ProgramPieces();

private:
    struct Parts;
    std::unique_ptr<Parts> parts_;
};

}  // namespace murmel
