// The notifier program: a hidden window with a tray icon that checks POP3
// accounts at an interval.
#include <QApplication>
#include <QDBusConnection>
#include <QMessageBox>
#include <QTimer>
#include <cstdio>

#include "app/notifier_wnd.h"
#include "dialup/nm_backend.h"
#include "headers/message_files.h"
#include "settings/data_files.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Corvy"));
    QApplication::setQuitOnLastWindowClosed(false);

    // Message texts a crashed header window left behind.
    corvy::headers::MessageFiles().RemoveAll();

    vantry::profile::Profile profile;
    vantry::registry::Store registry;
    auto services = corvy::CreateSystemServices();
    auto tray = corvy::CreateSystemTray();
    corvy::dialup::CDialUp dialUp(profile, *services,
                                  corvy::dialup::FindNetworkManager(QDBusConnection::systemBus()));
    corvy::settings::SecretServiceVault keyring;
    // Without a Secret Service the profile keeps the passwords scrambled.
    corvy::settings::PasswordVault* vault = keyring.Available() ? &keyring : nullptr;
    corvy::CNotifierWnd wnd(
        {profile,
         registry,
         *services,
         *tray,
         dialUp,
         QCoreApplication::applicationDirPath().toStdString(),
         {},
         corvy::settings::InstalledDataFolder(QCoreApplication::applicationDirPath().toStdString()),
         vault});
    dialUp.trayStatus = [&wnd](int image, const std::string& tip) {
        wnd.SetTrayIcon(static_cast<corvy::TrayImage>(image), corvy::TrayOp::Modify, tip);
    };
    if (!tray->Available()) {
        // Still useful: checks run and new mail is announced by window and sound.
        std::fputs(
            "corvy: no system tray found; new mail opens the new-mail window and a "
            "desktop notification instead\n",
            stderr);
        QTimer::singleShot(0, [] {
            QMessageBox::information(nullptr, QStringLiteral("Corvy"),
                                     QStringLiteral("No system tray was found on this desktop."));
        });
    }
    return app.exec();
}
