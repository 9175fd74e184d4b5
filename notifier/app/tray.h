#pragma once
// The notifier's tray icon: five drawn images and a tooltip, behind an
// interface so tests can record what the tray was told.

#include <QIcon>
#include <functional>
#include <memory>
#include <string>

namespace corvy {

// Numbered as the image resources they stand for.
enum class TrayImage { Idle = 128, Checking = 135, NewMail = 136, Failure = 166, Dialing = 167 };
enum class TrayOp { Add, Modify, Delete };
// Only these two clicks are acted on.
enum class TrayClick { LeftPress, RightRelease };

QIcon DrawTrayImage(TrayImage image);

class NotifierTray {
public:
    virtual ~NotifierTray() = default;
    // `tip` is already cut to the tray's length.
    virtual void Apply(TrayOp op, TrayImage image, const std::string& tip) = 0;
    // False where the desktop has no tray to show the icon in (e.g. GNOME
    // without its AppIndicator extension).
    virtual bool Available() const { return true; }
    // Called on the clicks the notifier acts on.
    std::function<void(TrayClick)> onClick;
};

std::unique_ptr<NotifierTray> CreateSystemTray();

}  // namespace corvy
