#pragma once
// The tray icon the main window lives in: put into the tray and removed, a
// tip text, and the mouse events double click and button up with the button
// number (1 left, 2 right). Windows take a TrayIcon& so tests can use the fake.

#include <QIcon>
#include <QObject>
#include <QString>

#include <memory>

class QMenu;

namespace murmel {

class TrayIcon : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;
    ~TrayIcon() override = default;

    virtual void Install(const QIcon& icon, const QString& tip) = 0;
    virtual void Remove() = 0;
    virtual bool IsInstalled() const = 0;
    // False on a desktop without a system tray: a hidden window would be lost.
    virtual bool IsAvailable() const = 0;
    virtual void SetTip(const QString& tip) = 0;
    // The menu the tray shows on its own (desktops that ask for it through
    // the tray protocol); PopUpMenu shows it at the pointer.
    virtual void SetMenu(QMenu* menu) = 0;
    virtual void PopUpMenu(QMenu* menu) = 0;

signals:
    void MouseDblClick(int button);
    void MouseUp(int button);
};

// QSystemTrayIcon: StatusNotifierItem and XEmbed trays alike.
std::unique_ptr<TrayIcon> CreateSystemTrayIcon();

// Records what the window asked for; tests raise the mouse events themselves.
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
