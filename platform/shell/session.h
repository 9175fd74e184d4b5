#pragma once
// Which kind of desktop session the program's windows live in. A Wayland
// client can neither place its own windows nor move them with move(); callers
// pass QGuiApplication::platformName() so tests can choose the answer.

#include <QString>

namespace vantry::shell {

// True for the Wayland platform plugins ("wayland", "wayland-egl", ...).
bool IsWaylandPlatform(const QString& platformName);

}  // namespace vantry::shell
