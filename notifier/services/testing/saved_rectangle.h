#pragma once
// A window's rectangle as the profile keeps it: Left, Top, Right and Bottom
// of the window's section, Right and Bottom just past the window.

#include <QRect>
#include <string>

#include "profile/profile.h"

namespace corvy::testing {

inline void WriteSavedRectangle(vantry::profile::Profile& profile, const std::string& section,
                                const QRect& r) {
    profile.WriteInt(section, "Left", r.left());
    profile.WriteInt(section, "Top", r.top());
    profile.WriteInt(section, "Right", r.left() + r.width());
    profile.WriteInt(section, "Bottom", r.top() + r.height());
}

// Missing keys read as -1.
inline QRect SavedRectangle(const vantry::profile::Profile& profile, const std::string& section) {
    const int left = profile.GetInt(section, "Left", -1);
    const int top = profile.GetInt(section, "Top", -1);
    return {left, top, profile.GetInt(section, "Right", -1) - left,
            profile.GetInt(section, "Bottom", -1) - top};
}

}  // namespace corvy::testing
