// The notifier program: a hidden window with a tray icon that checks POP3
// accounts at an interval.
#include <QApplication>
#include <QMessageBox>
#include <QSystemTrayIcon>
#include <QTimer>

#include "app/notifier_wnd.h"
#include "settings/data_files.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Corvy"));
    QApplication::setQuitOnLastWindowClosed(false);

    vantry::profile::Profile profile;
    vantry::registry::Store registry;
    auto services = corvy::CreateSystemServices();
    auto tray = corvy::CreateSystemTray();
    corvy::NoDialUp dialUp;
    corvy::CNotifierWnd wnd({profile,
                             registry,
                             *services,
                             *tray,
                             dialUp,
                             QCoreApplication::applicationDirPath().toStdString(),
                             {},
                             corvy::settings::InstalledDataFolder(
                                 QCoreApplication::applicationDirPath().toStdString())});
    if (!QSystemTrayIcon::isSystemTrayAvailable()) {
        // Still useful: checks run and new mail is announced by window and sound.
        QTimer::singleShot(0, [] {
            QMessageBox::information(nullptr, QStringLiteral("Corvy"),
                                     QStringLiteral("No system tray was found on this desktop."));
        });
    }
    return app.exec();
}
