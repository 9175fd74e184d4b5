#pragma once
// Start at log-on: the freedesktop autostart entry that mirrors a Run
// value of the registry.

#include <filesystem>
#include <string_view>

namespace vantry::registry {

// ${XDG_CONFIG_HOME:-~/.config}/autostart
std::filesystem::path AutostartFolder();

// Writes <folder>/<entryName>.desktop running `command` when it is not empty,
// removes it when it is. The command is read as a command line: words split
// at blanks, double quotes group a word that holds blanks. Failures are
// ignored, like those of the registry value it mirrors. An entry name that
// is not a plain file name does nothing.
void MirrorAutostart(std::string_view entryName, std::string_view command);

}  // namespace vantry::registry
