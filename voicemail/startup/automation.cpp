#include "startup/automation.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusReply>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>
#include <cstdio>

namespace murmel {

InstanceGuard::InstanceGuard(QString serviceName, QString lockPath)
    : serviceName_(std::move(serviceName)), lockPath_(std::move(lockPath)) {}

InstanceGuard::~InstanceGuard() {
    if (published_) {
        QDBusConnection::sessionBus().unregisterObject(QLatin1String(kMurmelObjectPath));
    }
    if (onBus_ && claimed_) {
        QDBusConnection::sessionBus().unregisterService(serviceName_);
    }
}

InstanceGuard::Claim InstanceGuard::TryClaim() {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (bus.isConnected() && bus.interface()) {
        const QDBusReply<QDBusConnectionInterface::RegisterServiceReply> reply =
            bus.interface()->registerService(serviceName_,
                                             QDBusConnectionInterface::DontQueueService,
                                             QDBusConnectionInterface::DontAllowReplacement);
        if (reply.isValid()) {
            onBus_ = true;
            claimed_ = reply.value() == QDBusConnectionInterface::ServiceRegistered;
            return claimed_ ? Claim::First : Claim::AlreadyRunning;
        }
        std::fprintf(stderr,
                     "murmel: the session bus refused the name %s (%s); "
                     "using a lock file instead\n",
                     qPrintable(serviceName_), qPrintable(reply.error().message()));
    } else {
        std::fprintf(stderr,
                     "murmel: no session bus; other programs cannot reach MurmelMail, "
                     "and a lock file keeps it to one instance\n");
    }
    claimed_ = ClaimLockFile();
    return claimed_ ? Claim::First : Claim::AlreadyRunning;
}

bool InstanceGuard::ClaimLockFile() {
    QDir().mkpath(QFileInfo(lockPath_).absolutePath());
    lockFd_.Reset(
        ::open(QFile::encodeName(lockPath_).constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600));
    if (!lockFd_.valid()) {
        // Without a lock file there is no way to tell; running beats refusing.
        return true;
    }
    if (::flock(lockFd_.get(), LOCK_EX | LOCK_NB) != 0) {
        lockFd_.Reset();
        return false;
    }
    return true;
}

bool InstanceGuard::ShowRunningInstance() const {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        return false;
    }
    const QDBusMessage call = QDBusMessage::createMethodCall(
        serviceName_, QLatin1String(kMurmelObjectPath), QLatin1String(kMurmelInterface),
        QStringLiteral("ShowImmediately"));
    return bus.call(call, QDBus::BlockWithGui, 5000).type() == QDBusMessage::ReplyMessage;
}

bool InstanceGuard::Publish(Murmel* automation) {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        return false;
    }
    published_ = bus.registerObject(QLatin1String(kMurmelObjectPath), automation,
                                    QDBusConnection::ExportAllSlots);
    return published_;
}

}  // namespace murmel
