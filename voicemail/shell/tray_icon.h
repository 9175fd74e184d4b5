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

}  // namespace murmel
