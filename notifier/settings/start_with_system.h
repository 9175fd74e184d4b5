#pragma once
// The start-at-log-on switch: the "Corvy" value of the machine's Run key in
// our registry store, mirrored to a desktop autostart entry.

#include <filesystem>
#include <string>

#include "profile/profile.h"
#include "registry/registry.h"

namespace corvy::settings {

inline constexpr const char* kRunKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
inline constexpr const char* kRunValue = "Corvy";

// The installation folder: "Install"/"Directory" of the profile when an
// installer wrote it, else `programFolder`.
std::string InstallFolder(const vantry::profile::Profile& profile,
                          const std::string& programFolder);
// The command the value holds: the folder and "/corvy".
std::string RunCommand(const std::string& installFolder);

// True when the value exists and equals `command`; unreadable reads as off.
bool StartsWithSystem(const vantry::registry::Store& store, const std::string& command);

// Sets or removes the value and the autostart entry. Empty on success,
// otherwise the text to show; nothing else changes on failure.
std::string SetStartWithSystem(vantry::registry::Store& store, bool on, const std::string& command);

}  // namespace corvy::settings
