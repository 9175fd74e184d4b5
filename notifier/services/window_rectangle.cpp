#include "services/window_rectangle.h"

#include <QRect>
#include <QWidget>

namespace corvy {

void LoadWindowRectangle(QWidget& window, const vantry::profile::Profile& profile,
                         const std::string& section, bool placesWindows) {
    const int left = profile.GetInt(section, "Left", -1);
    if (left == -1) {
        return;
    }
    const int top = profile.GetInt(section, "Top", -1);
    const int right = profile.GetInt(section, "Right", -1);
    const int bottom = profile.GetInt(section, "Bottom", -1);
    if (right > left && bottom > top) {
        if (placesWindows) {
            window.setGeometry(left, top, right - left, bottom - top);
        } else {
            window.resize(right - left, bottom - top);
        }
    } else if (placesWindows) {
        window.move(left, top);
    }
}

bool SaveWindowRectangle(const QWidget& window, vantry::profile::Profile& profile,
                         const std::string& section, bool placesWindows) {
    QRect r = window.geometry();
    if (!placesWindows) {
        const int left = profile.GetInt(section, "Left", -1);
        if (left != -1) {
            r.moveTo(left, profile.GetInt(section, "Top", 0));
        }
    }
    const bool left = profile.WriteInt(section, "Left", r.left());
    const bool top = profile.WriteInt(section, "Top", r.top());
    const bool right = profile.WriteInt(section, "Right", r.left() + r.width());
    const bool bottom = profile.WriteInt(section, "Bottom", r.top() + r.height());
    return left && top && right && bottom;
}

}  // namespace corvy
