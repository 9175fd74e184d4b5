#pragma once
// A tray icon for tests: records what the window asked for; tests raise the
// mouse events themselves.

#include "shell/tray_icon.h"

namespace murmel {

class FakeTrayIcon : public TrayIcon {
    Q_OBJECT
public:
    using TrayIcon::TrayIcon;

    void Install(const QIcon&, const QString& tip) override {
        installed_ = true;
        tip_ = tip;
        ++installs_;
    }
    void Remove() override { installed_ = false; }
    bool IsInstalled() const override { return installed_; }
    bool IsAvailable() const override { return available_; }
    void setAvailable(bool available) { available_ = available; }
    void SetTip(const QString& tip) override { tip_ = tip; }
    void SetMenu(QMenu* menu) override { menu_ = menu; }
    void PopUpMenu(QMenu* menu) override {
        ++popUps_;
        poppedUp_ = menu;
    }

    const QString& tip() const { return tip_; }
    int installs() const { return installs_; }
    int popUps() const { return popUps_; }
    QMenu* poppedUp() const { return poppedUp_; }

private:
    bool installed_ = false;
    bool available_ = true;
    QString tip_;
    int installs_ = 0;
    int popUps_ = 0;
    QMenu* menu_ = nullptr;
    QMenu* poppedUp_ = nullptr;
};

}  // namespace murmel
