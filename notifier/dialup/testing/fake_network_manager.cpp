#include "dialup/testing/fake_network_manager.h"

#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusVariant>
#include <QMutexLocker>
#include <QTimer>

#include "dialup/nm_names.h"

namespace corvy::dialup::testing {

namespace {

using namespace corvy::dialup::nm;

const QString kProfilePrefix = kSettingsPath + QLatin1Char('/');
const QString kActivePrefix = QStringLiteral("/org/freedesktop/NetworkManager/ActiveConnection/");

}  // namespace

PrivateBus::PrivateBus() {
    daemon_.setStandardErrorFile(QProcess::nullDevice());  // its fd-limit complaint
    daemon_.start(QStringLiteral("dbus-daemon"),
                  {QStringLiteral("--session"), QStringLiteral("--nofork"),
                   QStringLiteral("--print-address")});
    if (daemon_.waitForStarted(10000)) {
        while (!daemon_.canReadLine() && daemon_.waitForReadyRead(10000)) {
        }
        address_ = QString::fromUtf8(daemon_.readLine()).trimmed();
    }
}

PrivateBus::~PrivateBus() {
    daemon_.kill();
    daemon_.waitForFinished(10000);
}

QDBusConnection PrivateBus::Connect(const QString& name) const {
    return QDBusConnection::connectToBus(address_, name + QLatin1Char('@') + address_);
}

FakeNetworkManager::FakeNetworkManager(const PrivateBus& bus)
    : bus_(bus.Connect(QStringLiteral("fake-nm"))) {
    qDBusRegisterMetaType<NmSettings>();
    bus_.registerVirtualObject(kManagerPath, this, QDBusConnection::SubPath);
    thread_.start();
    moveToThread(&thread_);
    bus_.registerService(kService);
}

FakeNetworkManager::~FakeNetworkManager() {
    bus_.unregisterService(kService);
    bus_.unregisterObject(kManagerPath, QDBusConnection::UnregisterTree);
    thread_.quit();
    thread_.wait();
    QDBusConnection::disconnectFromBus(bus_.name());
}

void FakeNetworkManager::AddDialProfiles() {
    AddProfile("Mobile", "gsm", {{"number", "*99#"}, {"username", "web"}, {"password", "secret"}});
    AddProfile("DSL", "pppoe", {{"username", "dsl-user"}, {"password", "dsl-pw"}});
}

void FakeNetworkManager::AddProfile(const QString& id, const QString& type,
                                    const QVariantMap& fields) {
    QMutexLocker lock(&mutex_);
    Profile p{id, type, {}, fields.value(QStringLiteral("password")).toString()};
    p.settings[QStringLiteral("connection")] = {{QStringLiteral("id"), id},
                                                {QStringLiteral("type"), type}};
    QVariantMap own = fields;
    own.remove(QStringLiteral("password"));
    p.settings[type] = own;
    profiles_.push_back(p);
}

void FakeNetworkManager::ActivateElsewhere(const QString& id) {
    QMutexLocker lock(&mutex_);
    active_.push_back({kActivePrefix + QString::number(nextActive_++), id, 2});
}

void FakeNetworkManager::SetActivationFails(bool fails) {
    QMutexLocker lock(&mutex_);
    fails_ = fails;
}

void FakeNetworkManager::SetActivationHangs(bool hangs) {
    QMutexLocker lock(&mutex_);
    hangs_ = hangs;
}

void FakeNetworkManager::FinishActivations() {
    QStringList waiting;
    {
        QMutexLocker lock(&mutex_);
        for (const Active& a : active_) {
            if (a.state == 1) {
                waiting.append(a.path);
            }
        }
    }
    for (const QString& path : waiting) {
        SetActiveState(path, 2u);
    }
}

void FakeNetworkManager::SetOnline(bool online) {
    {
        QMutexLocker lock(&mutex_);
        foreignOnline_ = online;
    }
    AnnounceState();
}

QStringList FakeNetworkManager::Activated() const {
    QMutexLocker lock(&mutex_);
    return activated_;
}

QStringList FakeNetworkManager::Deactivated() const {
    QMutexLocker lock(&mutex_);
    return deactivated_;
}

QString FakeNetworkManager::ActivePathOf(const QString& id) const {
    QMutexLocker lock(&mutex_);
    for (const Active& a : active_) {
        if (a.profileId == id) {
            return a.path;
        }
    }
    return {};
}

NmSettings FakeNetworkManager::LastUpdate(uint* flags) const {
    QMutexLocker lock(&mutex_);
    if (flags != nullptr) {
        *flags = lastFlags_;
    }
    return lastUpdate_;
}

void FakeNetworkManager::ClearLastUpdate() {
    QMutexLocker lock(&mutex_);
    lastUpdate_.clear();
}

QString FakeNetworkManager::introspect(const QString&) const {
    return {};
}

bool FakeNetworkManager::AnyUp() const {
    if (foreignOnline_) {
        return true;
    }
    for (const Active& a : active_) {
        if (a.state == 2) {
            return true;
        }
    }
    return false;
}

void FakeNetworkManager::Reply(const QDBusMessage& call, const QVariantList& args) {
    bus_.send(call.createReply(args));
}

void FakeNetworkManager::Fail(const QDBusMessage& call, const QString& text) {
    bus_.send(call.createErrorReply(QStringLiteral("org.freedesktop.NetworkManager.Failed"), text));
}

void FakeNetworkManager::Emit(const QString& path, const QString& iface, const QString& name,
                              const QVariantList& args) {
    QDBusMessage signal = QDBusMessage::createSignal(path, iface, name);
    signal.setArguments(args);
    bus_.send(signal);
}

void FakeNetworkManager::AnnounceState() {
    bool up = false;
    {
        QMutexLocker lock(&mutex_);
        up = AnyUp();
    }
    Emit(kManagerPath, kManager, QStringLiteral("StateChanged"), {up ? 70u : 20u});
}

void FakeNetworkManager::SetActiveState(const QString& path, uint state) {
    {
        QMutexLocker lock(&mutex_);
        for (Active& a : active_) {
            if (a.path == path) {
                a.state = state;
            }
        }
    }
    Emit(path, kActive, QStringLiteral("StateChanged"), {state, 0u});
    AnnounceState();
}

bool FakeNetworkManager::handleMessage(const QDBusMessage& message, const QDBusConnection&) {
    const QString path = message.path();
    const QString member = message.member();
    const QVariantList args = message.arguments();
    QMutexLocker lock(&mutex_);
    if (message.interface() == kProperties && member == QLatin1String("Get") && args.size() == 2) {
        const QString name = args.at(1).toString();
        QVariant value;
        if (path == kManagerPath && name == QLatin1String("Connectivity")) {
            value = AnyUp() ? 4u : 1u;
        } else if (path == kManagerPath && name == QLatin1String("State")) {
            value = AnyUp() ? 70u : 20u;
        } else {
            for (const Active& a : active_) {
                if (a.path == path && name == QLatin1String("State")) {
                    value = a.state;
                }
            }
        }
        if (!value.isValid()) {
            Fail(message, QStringLiteral("No such object or property"));
        } else {
            Reply(message, {QVariant::fromValue(QDBusVariant(value))});
        }
        return true;
    }
    if (path == kSettingsPath && member == QLatin1String("ListConnections")) {
        QList<QDBusObjectPath> paths;
        for (std::size_t i = 0; i < profiles_.size(); ++i) {
            paths.append(QDBusObjectPath(kProfilePrefix + QString::number(i)));
        }
        Reply(message, {QVariant::fromValue(paths)});
        return true;
    }
    if (path.startsWith(kProfilePrefix)) {
        bool ok = false;
        const std::size_t index = path.mid(kProfilePrefix.size()).toUInt(&ok);
        if (!ok || index >= profiles_.size()) {
            Fail(message, QStringLiteral("No such connection"));
            return true;
        }
        Profile& p = profiles_[index];
        if (member == QLatin1String("GetSettings")) {
            Reply(message, {QVariant::fromValue(p.settings)});
        } else if (member == QLatin1String("GetSecrets")) {
            NmSettings secrets;
            secrets[p.type] = {{QStringLiteral("password"), p.password}};
            Reply(message, {QVariant::fromValue(secrets)});
        } else if (member == QLatin1String("Update2") && args.size() == 3) {
            lastUpdate_ = qdbus_cast<NmSettings>(args.at(0));
            lastFlags_ = args.at(1).toUInt();
            Reply(message, {QVariantMap()});
        } else {
            Fail(message, QStringLiteral("Unknown method"));
        }
        return true;
    }
    if (path == kManagerPath && member == QLatin1String("ActivateConnection") && args.size() == 3) {
        const QString profilePath = qvariant_cast<QDBusObjectPath>(args.at(0)).path();
        const std::size_t index = profilePath.mid(kProfilePrefix.size()).toUInt();
        if (!profilePath.startsWith(kProfilePrefix) || index >= profiles_.size()) {
            Fail(message, QStringLiteral("Unknown connection"));
            return true;
        }
        const QString activePath = kActivePrefix + QString::number(nextActive_++);
        active_.push_back({activePath, profiles_[index].id, 1});
        activated_.append(profiles_[index].id);
        Reply(message, {QVariant::fromValue(QDBusObjectPath(activePath))});
        if (!hangs_) {
            const uint outcome = fails_ ? 4u : 2u;
            QTimer::singleShot(
                0, this, [this, activePath, outcome] { SetActiveState(activePath, outcome); });
        }
        return true;
    }
    if (path == kManagerPath && member == QLatin1String("DeactivateConnection") &&
        args.size() == 1) {
        const QString activePath = qvariant_cast<QDBusObjectPath>(args.at(0)).path();
        deactivated_.append(activePath);
        Reply(message, {});
        QTimer::singleShot(0, this, [this, activePath] { SetActiveState(activePath, 4u); });
        return true;
    }
    Fail(message, QStringLiteral("Unknown method"));
    return true;
}

}  // namespace corvy::dialup::testing
