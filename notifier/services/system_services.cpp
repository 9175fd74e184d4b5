// The desktop behind NotifierServices: Qt message boxes and file dialogs,
// the platform shell for "open", QProcess for programs and sounds, and the
// freedesktop notification service over D-Bus.
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMessageBox>
#include <QProcess>
#include <QStandardPaths>
#include <QVariantMap>

#include "notifier_services.h"
#include "shell/session.h"
#include "shell/shell.h"

namespace corvy {
namespace {

class SystemServices : public NotifierServices {
public:
    SystemServices() : shell_(vantry::shell::CreateSystemShell()) {}

    BoxAnswer MessageBox(QWidget* parent, const std::string& text, const std::string& title,
                         BoxIcon icon, BoxButtons buttons) override {
        QMessageBox box(parent);
        box.setWindowTitle(QString::fromStdString(title));
        // Texts carry server lines and names the user typed: never markup.
        box.setTextFormat(Qt::PlainText);
        box.setText(QString::fromStdString(text));
        switch (icon) {
            case BoxIcon::Information:
                box.setIcon(QMessageBox::Information);
                break;
            case BoxIcon::Exclamation:
                box.setIcon(QMessageBox::Warning);
                break;
            case BoxIcon::Question:
                box.setIcon(QMessageBox::Question);
                break;
            case BoxIcon::Stop:
                box.setIcon(QMessageBox::Critical);
                break;
            case BoxIcon::None:
                break;
        }
        if (buttons == BoxButtons::YesNo) {
            box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
            return box.exec() == QMessageBox::Yes ? BoxAnswer::Yes : BoxAnswer::No;
        }
        box.setStandardButtons(QMessageBox::Ok);
        box.exec();
        return BoxAnswer::Ok;
    }

    std::string ChooseFile(QWidget* parent, const std::string& title, const std::string& filter,
                           const std::string& current) override {
        return QFileDialog::getOpenFileName(parent, QString::fromStdString(title),
                                            QString::fromStdString(current),
                                            QString::fromStdString(filter))
            .toStdString();
    }

    bool Open(const std::string& target) override {
        return shell_->Open(QString::fromStdString(target));
    }

    bool RunCommandLine(const std::string& commandLine) override {
        QStringList words = QProcess::splitCommand(QString::fromStdString(commandLine));
        if (words.isEmpty()) {
            return false;
        }
        const QString program = words.takeFirst();
        return QProcess::startDetached(program, words);
    }

    bool PlaySoundAsync(const std::string& file) override {
        const QString path = QString::fromStdString(file);
        if (!QFileInfo(path).isFile()) {
            return false;
        }
        for (const char* player : {"pw-play", "paplay", "aplay"}) {
            const QString exe = QStandardPaths::findExecutable(QString::fromLatin1(player));
            if (exe.isEmpty()) {
                continue;
            }
            QStringList args{path};
            if (exe.endsWith(QStringLiteral("aplay"))) {
                args.prepend(QStringLiteral("-q"));
            }
            return QProcess::startDetached(exe, args);
        }
        return false;
    }

    void Notify(const std::string& summary, const std::string& body) override {
        QDBusConnection bus = QDBusConnection::sessionBus();
        const QString service = QStringLiteral("org.freedesktop.Notifications");
        if (!bus.isConnected() || bus.interface() == nullptr ||
            !bus.interface()->isServiceRegistered(service).value()) {
            return;
        }
        QDBusMessage call = QDBusMessage::createMethodCall(
            service, QStringLiteral("/org/freedesktop/Notifications"), service,
            QStringLiteral("Notify"));
        call << QStringLiteral("Corvy") << 0u << QStringLiteral("mail-unread")
             << QString::fromStdString(summary)
             // Some services read the body as markup; account names are plain text.
             << QString::fromStdString(body).toHtmlEscaped() << QStringList{} << QVariantMap{}
             << -1;
        bus.call(call, QDBus::NoBlock);
    }

    bool PlacesWindows() const override {
        return !vantry::shell::IsWaylandPlatform(QGuiApplication::platformName());
    }

private:
    std::unique_ptr<vantry::shell::Shell> shell_;
};

}  // namespace

std::unique_ptr<NotifierServices> CreateSystemServices() {
    return std::make_unique<SystemServices>();
}

}  // namespace corvy
