#include "headers/window_rect.h"

namespace corvy::headers {

void LoadWindowRect(const vantry::profile::Profile& profile, const char* section,
                    const NotifierServices& services, QWidget& window) {
    const int left = profile.GetInt(section, "Left", -1);
    if (left == -1) {
        return;
    }
    const int top = profile.GetInt(section, "Top", -1);
    const int right = profile.GetInt(section, "Right", -1);
    const int bottom = profile.GetInt(section, "Bottom", -1);
    const bool placed = services.PlacesWindows();
    if (right > left && bottom > top) {
        if (placed) {
            window.setGeometry(left, top, right - left, bottom - top);
        } else {
            window.resize(right - left, bottom - top);
        }
    } else if (placed) {
        window.move(left, top);
    }
}

void SaveWindowRect(vantry::profile::Profile& profile, const char* section, const QWidget& window) {
    const QRect r = window.geometry();
    profile.WriteInt(section, "Left", r.left());
    profile.WriteInt(section, "Top", r.top());
    profile.WriteInt(section, "Right", r.left() + r.width());
    profile.WriteInt(section, "Bottom", r.top() + r.height());
}

}  // namespace corvy::headers
