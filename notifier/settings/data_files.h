#pragma once
// Where the notifier finds its data files (the new-mail sound, the
// signature, the help pages): the user's own folder first, then the data
// installed with the program. The program's folder is never written.

#include <string>
#include <string_view>

namespace corvy::settings {

// ${XDG_CONFIG_HOME:-~/.config}/corvy: files the user may replace or edit.
std::string UserDataFolder();

// $CORVY_DATA_DIR if set, else share/corvy beside the program's bin/ folder.
std::string InstalledDataFolder(const std::string& programFolder);

// A relative name (e.g. "corvy.wav", "signature.txt") resolves to the
// user's folder when the file is there, else to the installed data folder
// (whether or not it exists there). An absolute name is returned unchanged.
std::string ResolveDataFile(std::string_view name, const std::string& installedDataFolder);

}  // namespace corvy::settings
