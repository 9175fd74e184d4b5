#include "shell/shell.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QProcess>
#include <QStandardPaths>
#include <QUrl>

namespace vantry::shell {
namespace {

// A target with a scheme of two or more letters is a URL; anything else is a path.
bool HasScheme(const QString& target) {
    const qsizetype colon = target.indexOf(QLatin1Char(':'));
    if (colon < 2) {
        return false;
    }
    for (qsizetype i = 0; i < colon; ++i) {
        const QChar c = target.at(i);
        const bool ok = (c >= QLatin1Char('a') && c <= QLatin1Char('z')) ||
                        (c >= QLatin1Char('A') && c <= QLatin1Char('Z')) ||
                        (i > 0 && (c.isDigit() || c == QLatin1Char('+') || c == QLatin1Char('-') ||
                                   c == QLatin1Char('.')));
        if (!ok) {
            return false;
        }
    }
    return true;
}

class SystemShell : public Shell {
public:
    bool Open(const QString& target, const QString& workingDir) override {
        if (target.trimmed().isEmpty()) {
            return false;
        }
        QString what = target;
        if (!HasScheme(target)) {
            const QString base = workingDir.isEmpty() ? QDir::currentPath() : workingDir;
            what = QDir(base).absoluteFilePath(target);
            if (!QFileInfo::exists(what)) {
                return false;
            }
        }
        // xdg-open follows the desktop's own choice of handler; without it, a GUI
        // application can still ask Qt's platform services.
        const QString opener = QStandardPaths::findExecutable(QStringLiteral("xdg-open"));
        if (!opener.isEmpty()) {
            // One argv entry, never a shell string; an absolute path or a scheme
            // means the target can never be taken for an option.
            return QProcess::startDetached(opener, {what},
                                           workingDir.isEmpty() ? QString() : workingDir);
        }
        if (qobject_cast<QGuiApplication*>(QCoreApplication::instance()) != nullptr) {
            const QUrl url = HasScheme(target) ? QUrl(target) : QUrl::fromLocalFile(what);
            return QDesktopServices::openUrl(url);
        }
        return false;
    }

    bool WinExec(const QString& program, const QStringList& args) override {
        if (program.isEmpty()) {
            return false;
        }
        return QProcess::startDetached(program, args);
    }
};

}  // namespace

std::unique_ptr<Shell> CreateSystemShell() {
    return std::make_unique<SystemShell>();
}

bool IsWebUrl(const QString& url) {
    for (const QChar c : url) {
        if (c.unicode() <= 0x20 || c.unicode() == 0x7f) {
            return false;
        }
    }
    const QUrl parsed(url, QUrl::StrictMode);
    if (!parsed.isValid() || parsed.isRelative()) {
        return false;
    }
    const QString scheme = parsed.scheme().toLower();
    if (scheme != QLatin1String("http") && scheme != QLatin1String("https")) {
        return false;
    }
    return !parsed.host().isEmpty();
}

bool OpenUrl(Shell& shell, const QString& url, const QString& workingDir) {
    if (!IsWebUrl(url)) {
        return false;
    }
    return shell.Open(url, workingDir);
}

}  // namespace vantry::shell
