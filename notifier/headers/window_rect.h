#pragma once
// A window's rectangle kept in one profile section as Left, Top, Right and
// Bottom. Where the compositor places windows (Wayland) only the size is
// applied; the position is still saved for X11.

#include <QWidget>

#include "profile/profile.h"
#include "services/notifier_services.h"

namespace corvy::headers {

void LoadWindowRect(const vantry::profile::Profile& profile, const char* section,
                    const NotifierServices& services, QWidget& window);
void SaveWindowRect(vantry::profile::Profile& profile, const char* section, const QWidget& window);

}  // namespace corvy::headers
