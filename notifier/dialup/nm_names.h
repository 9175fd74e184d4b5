#pragma once
// NetworkManager's D-Bus names, shared by the back end and the test double
// so the two cannot drift apart.

#include <QString>

namespace corvy::dialup::nm {

inline const QString kService = QStringLiteral("org.freedesktop.NetworkManager");
inline const QString kManagerPath = QStringLiteral("/org/freedesktop/NetworkManager");
inline const QString kManager = QStringLiteral("org.freedesktop.NetworkManager");
inline const QString kSettingsPath = QStringLiteral("/org/freedesktop/NetworkManager/Settings");
inline const QString kSettings = QStringLiteral("org.freedesktop.NetworkManager.Settings");
inline const QString kConnection =
    QStringLiteral("org.freedesktop.NetworkManager.Settings.Connection");
inline const QString kActive = QStringLiteral("org.freedesktop.NetworkManager.Connection.Active");
inline const QString kProperties = QStringLiteral("org.freedesktop.DBus.Properties");

}  // namespace corvy::dialup::nm
