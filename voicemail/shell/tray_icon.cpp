#include "shell/tray_icon.h"

#include <QCursor>
#include <QMenu>
#include <QSystemTrayIcon>

#include <cstdio>

namespace murmel {

namespace {

class SystemTrayIcon : public TrayIcon {
public:
    SystemTrayIcon() {
        connect(&icon_, &QSystemTrayIcon::activated, this,
                [this](QSystemTrayIcon::ActivationReason reason) {
                    switch (reason) {
                        case QSystemTrayIcon::DoubleClick:
                            emit MouseDblClick(1);
                            break;
                        case QSystemTrayIcon::Trigger:
                            emit MouseUp(1);
                            break;
                        case QSystemTrayIcon::Context:
                            emit MouseUp(2);
                            break;
                        case QSystemTrayIcon::MiddleClick:
                        case QSystemTrayIcon::Unknown:
                            break;
                    }
                });
    }

    void Install(const QIcon& icon, const QString& tip) override {
        if (!QSystemTrayIcon::isSystemTrayAvailable()) {
            std::fprintf(stderr,
                         "murmel: no system tray found; Hide and Close minimise the "
                         "window instead\n");
        }
        icon_.setIcon(icon);
        icon_.setToolTip(tip);
        icon_.show();
    }
    void Remove() override { icon_.hide(); }
    bool IsInstalled() const override { return icon_.isVisible(); }
    bool IsAvailable() const override { return QSystemTrayIcon::isSystemTrayAvailable(); }
    void SetTip(const QString& tip) override { icon_.setToolTip(tip); }
    void SetMenu(QMenu* menu) override { icon_.setContextMenu(menu); }
    void PopUpMenu(QMenu* menu) override {
        // Some trays already opened the context menu for this click.
        if (menu && !menu->isVisible()) {
            menu->popup(QCursor::pos());
        }
    }

private:
    QSystemTrayIcon icon_;
};

}  // namespace

std::unique_ptr<TrayIcon> CreateSystemTrayIcon() {
    return std::make_unique<SystemTrayIcon>();
}

}  // namespace murmel
