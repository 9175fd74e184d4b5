#include "startup/apppath.h"

#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>

namespace murmel {

QString ProgramFolder() {
    const QString home = qEnvironmentVariable("MURMEL_HOME");
    if (!home.isEmpty()) {
        return QDir::cleanPath(home);
    }
    QString data = qEnvironmentVariable("XDG_DATA_HOME");
    if (data.isEmpty()) {
        data = QDir::homePath() + QStringLiteral("/.local/share");
    }
    return QDir::cleanPath(data + QStringLiteral("/murmel"));
}

QString InstalledDataFolder() {
    const QString overridden = qEnvironmentVariable("MURMEL_DATA_DIR");
    if (!overridden.isEmpty()) {
        return QDir::cleanPath(overridden);
    }
    return QDir::cleanPath(QCoreApplication::applicationDirPath() +
                           QStringLiteral("/../share/murmel"));
}

bool SeedProgramFolder(const QString& dataFolder, const QString& programFolder) {
    if (!QDir().mkpath(programFolder)) {
        return false;
    }
    const QDir source(dataFolder);
    if (!source.exists()) {
        return true;
    }
    // No symbolic links are followed: the data folder is plain files.
    QDirIterator it(dataFolder, QDir::Files | QDir::Hidden | QDir::NoSymLinks,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString from = it.next();
        const QString relative = source.relativeFilePath(from);
        const QString to = programFolder + QLatin1Char('/') + relative;
        if (QFileInfo::exists(to)) {
            continue;
        }
        QDir().mkpath(QFileInfo(to).absolutePath());
        if (QFile::copy(from, to)) {
            // Installed data is read-only; the copy belongs to the user.
            QFile::setPermissions(
                to, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther);
        }
    }
    return true;
}

}  // namespace murmel
