#pragma once
// The program folder ("App.Path"): where the voice-mail program finds its
// language files, sounds, pages and logo, and keeps in.wav, in.zip, Tos.txt,
// Outbox/ and ad/.

#include <QString>

namespace murmel {

// $MURMEL_HOME if set, else ${XDG_DATA_HOME:-~/.local/share}/murmel.
QString ProgramFolder();

// The installed read-only data (lang/, sounds/, htm/, logo.gif, ad/):
// $MURMEL_DATA_DIR if set, else share/murmel beside the executable's bin/
// folder, which holds for an install and for the build tree alike.
QString InstalledDataFolder();

// Copies into programFolder every file of dataFolder that programFolder
// lacks; files already there (possibly edited by the user) stay. Creates
// the program folder. Returns false when the program folder cannot be made.
bool SeedProgramFolder(const QString& dataFolder, const QString& programFolder);

}  // namespace murmel
