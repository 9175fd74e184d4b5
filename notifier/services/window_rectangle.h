#pragma once
// A window's rectangle kept in the profile as Left, Top, Right and Bottom of
// its section. Where the compositor places windows (Wayland) only the size is
// applied; the position is still saved so an X11 session keeps it.

#include <string>

#include "profile/profile.h"

class QWidget;

namespace corvy {

// Applies the saved rectangle, if any; a missing Left key leaves the window as it is.
void LoadWindowRectangle(QWidget& window, const vantry::profile::Profile& profile,
                         const std::string& section, bool placesWindows);
// Where the compositor places windows, the position a client sees is not
// where the window is: the saved position stays and only the size changes.
// False when a key could not be written.
bool SaveWindowRectangle(const QWidget& window, vantry::profile::Profile& profile,
                         const std::string& section, bool placesWindows);

}  // namespace corvy
