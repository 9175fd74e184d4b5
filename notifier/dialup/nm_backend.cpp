#include "dialup/nm_backend.h"

#include <QDBusArgument>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusVariant>
#include <QEventLoop>
#include <QTimer>

#include "dialup/nm_names.h"

namespace corvy::dialup {

namespace {

using NmSettings = QMap<QString, QVariantMap>;

using namespace nm;

// NetworkManager's published values.
constexpr uint kConnectivityUnknown = 0;
constexpr uint kConnectivityFull = 4;
constexpr uint kStateConnectedGlobal = 70;
constexpr uint kActiveActivated = 2;
constexpr uint kActiveDeactivating = 3;
constexpr uint kActiveDeactivated = 4;
constexpr uint kUpdateInMemory = 0x2;  // leaves the saved profile as it is

// The profile kinds a user dials, as opposed to wired and Wi-Fi networks.
bool IsDialable(const QString& type) {
    static const QStringList kTypes = {QStringLiteral("gsm"), QStringLiteral("cdma"),
                                       QStringLiteral("pppoe"), QStringLiteral("vpn"),
                                       QStringLiteral("wireguard")};
    return kTypes.contains(type);
}

// Where each kind keeps the number, the user name and the password; an
// empty key is a field the kind does not have.
struct Keys {
    const char* number;
    const char* user;
    const char* password;
};
Keys KeysOf(const QString& type) {
    if (type == QLatin1String("gsm") || type == QLatin1String("cdma")) {
        return {"number", "username", "password"};
    }
    if (type == QLatin1String("pppoe")) {
        return {"", "username", "password"};
    }
    if (type == QLatin1String("vpn")) {
        // VPN secrets belong to the plug-in; only the user name is shared.
        return {"", "user-name", ""};
    }
    return {"", "", ""};
}

std::string ErrorText(const QDBusMessage& reply) {
    QString text = reply.errorMessage();
    if (text.isEmpty()) {
        text = reply.errorName();
    }
    return text.toStdString();
}

QDBusMessage Call(QDBusConnection& bus, const QString& path, const QString& iface,
                  const QString& method, const QVariantList& args = {}) {
    QDBusMessage msg = QDBusMessage::createMethodCall(kService, path, iface, method);
    msg.setArguments(args);
    return bus.call(msg);
}

bool Property(QDBusConnection& bus, const QString& path, const QString& iface, const QString& name,
              QVariant& value, std::string& error) {
    const QDBusMessage reply = Call(bus, path, kProperties, QStringLiteral("Get"), {iface, name});
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) {
        error = ErrorText(reply);
        return false;
    }
    value = qvariant_cast<QDBusVariant>(reply.arguments().at(0)).variant();
    return true;
}

bool GetSettings(QDBusConnection& bus, const QString& path, NmSettings& settings,
                 std::string& error) {
    const QDBusMessage reply = Call(bus, path, kConnection, QStringLiteral("GetSettings"));
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) {
        error = ErrorText(reply);
        return false;
    }
    settings = qdbus_cast<NmSettings>(reply.arguments().at(0));
    return true;
}

QString Text(const NmSettings& settings, const QString& group, const char* key) {
    if (*key == '\0') {
        return {};
    }
    return settings.value(group).value(QString::fromLatin1(key)).toString();
}

// Calls `visit` with the path, type and name of each dialable connection
// profile until it returns true. False, with `error`, when the profiles
// cannot be listed.
template <typename Visit>
bool VisitDialable(QDBusConnection& bus, std::string& error, Visit visit) {
    const QDBusMessage reply =
        Call(bus, kSettingsPath, kSettings, QStringLiteral("ListConnections"));
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) {
        error = ErrorText(reply);
        return false;
    }
    const auto paths = qdbus_cast<QList<QDBusObjectPath>>(reply.arguments().at(0));
    for (const QDBusObjectPath& path : paths) {
        NmSettings settings;
        std::string ignored;
        // A profile that vanished meanwhile is simply passed over.
        if (!GetSettings(bus, path.path(), settings, ignored)) {
            continue;
        }
        const QVariantMap& connection = settings.value(QStringLiteral("connection"));
        const QString type = connection.value(QStringLiteral("type")).toString();
        if (IsDialable(type) &&
            visit(path.path(), type, connection.value(QStringLiteral("id")).toString())) {
            break;
        }
    }
    return true;
}

}  // namespace

NmBackend::NmBackend(QDBusConnection bus) : bus_(std::move(bus)) {
    qDBusRegisterMetaType<NmSettings>();
    bus_.connect(kService, kManagerPath, kManager, QStringLiteral("StateChanged"), this,
                 SLOT(OnManagerState(uint)));
    std::string error;
    wasOnline_ = Online(error);
}

bool NmBackend::Online(std::string& error) {
    QVariant connectivity;
    if (!Property(bus_, kManagerPath, kManager, QStringLiteral("Connectivity"), connectivity,
                  error)) {
        return false;
    }
    if (connectivity.toUInt() != kConnectivityUnknown) {
        return connectivity.toUInt() == kConnectivityFull;
    }
    // With its connectivity check turned off NetworkManager only knows
    // whether it has a default route.
    QVariant state;
    if (!Property(bus_, kManagerPath, kManager, QStringLiteral("State"), state, error)) {
        return false;
    }
    return state.toUInt() == kStateConnectedGlobal;
}

bool NmBackend::ListEntries(std::vector<std::string>& names, std::string& error) {
    std::vector<std::string> found;
    const bool listed =
        VisitDialable(bus_, error, [&](const QString&, const QString&, const QString& id) {
            found.push_back(id.toStdString());
            return false;
        });
    if (listed) {
        names = std::move(found);
    }
    return listed;
}

bool NmBackend::FindProfile(const std::string& name, Profile& profile, std::string& error) {
    const QString wanted = QString::fromStdString(name);
    bool found = false;
    const bool listed = VisitDialable(
        bus_, error, [&](const QString& path, const QString& type, const QString& id) {
            if (id == wanted) {
                profile = {path, type};
                found = true;
            }
            return found;
        });
    if (!listed) {
        return false;
    }
    if (found) {
        return true;
    }
    error = "The connection \"" + name + "\" does not exist.";
    return false;
}

bool NmBackend::LookUp(const std::string& name, EntryDetails& details, std::string& error) {
    Profile profile;
    NmSettings settings;
    if (!FindProfile(name, profile, error) || !GetSettings(bus_, profile.path, settings, error)) {
        return false;
    }
    const Keys keys = KeysOf(profile.type);
    details.number = Text(settings, profile.type, keys.number).toStdString();
    details.user = Text(settings, profile.type, keys.user).toStdString();
    details.password.clear();
    if (*keys.password != '\0') {
        // Secrets may be held by an agent that will not hand them out; the
        // field then stays empty for the user to fill in.
        const QDBusMessage reply =
            Call(bus_, profile.path, kConnection, QStringLiteral("GetSecrets"), {profile.type});
        if (reply.type() == QDBusMessage::ReplyMessage && !reply.arguments().isEmpty()) {
            const auto secrets = qdbus_cast<NmSettings>(reply.arguments().at(0));
            details.password = Text(secrets, profile.type, keys.password).toStdString();
        }
    }
    return true;
}

bool NmBackend::ApplyStored(const Profile& profile, const EntryDetails& details,
                            std::string& error) {
    if (profile.type != QLatin1String("gsm") && profile.type != QLatin1String("cdma") &&
        profile.type != QLatin1String("pppoe")) {
        // A VPN's secrets live in its plug-in's own group, out of reach of an
        // update; a VPN or WireGuard profile is dialed as saved.
        return true;
    }
    const Keys keys = KeysOf(profile.type);
    NmSettings settings;
    if (!GetSettings(bus_, profile.path, settings, error)) {
        return false;
    }
    // An update replaces the whole profile, secrets included: the ones
    // NetworkManager holds (a SIM PIN, say) go back in with it.
    const QDBusMessage secrets =
        Call(bus_, profile.path, kConnection, QStringLiteral("GetSecrets"), {profile.type});
    QVariantMap& group = settings[profile.type];
    if (secrets.type() == QDBusMessage::ReplyMessage && !secrets.arguments().isEmpty()) {
        const QVariantMap held =
            qdbus_cast<NmSettings>(secrets.arguments().at(0)).value(profile.type);
        for (auto it = held.begin(); it != held.end(); ++it) {
            group.insert(it.key(), it.value());
        }
    }
    bool changed = false;
    const auto put = [&](const char* key, const std::string& value) {
        const QString k = QString::fromLatin1(key);
        const QString v = QString::fromStdString(value);
        if (*key != '\0' && !value.empty() && group.value(k).toString() != v) {
            group[k] = v;
            changed = true;
        }
    };
    put(keys.number, details.number);
    put(keys.user, details.user);
    put(keys.password, details.password);
    if (!changed) {
        return true;
    }
    const QDBusMessage reply =
        Call(bus_, profile.path, kConnection, QStringLiteral("Update2"),
             {QVariant::fromValue(settings), kUpdateInMemory, QVariantMap()});
    if (reply.type() != QDBusMessage::ReplyMessage) {
        error = ErrorText(reply);
        return false;
    }
    return true;
}

bool NmBackend::Dial(const std::string& name, const EntryDetails& details, std::string& error) {
    Profile profile;
    if (!FindProfile(name, profile, error) || !ApplyStored(profile, details, error)) {
        return false;
    }
    const QDBusObjectPath any(QStringLiteral("/"));
    const QDBusMessage reply =
        Call(bus_, kManagerPath, kManager, QStringLiteral("ActivateConnection"),
             {QVariant::fromValue(QDBusObjectPath(profile.path)), QVariant::fromValue(any),
              QVariant::fromValue(any)});
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) {
        error = ErrorText(reply);
        return false;
    }
    active_ = qvariant_cast<QDBusObjectPath>(reply.arguments().at(0)).path();
    if (!WaitUntilUp(error)) {
        HangUp();
        return false;
    }
    return true;
}

bool NmBackend::WaitUntilUp(std::string& error) {
    QEventLoop loop;
    QTimer timeout;
    timeout.setSingleShot(true);
    connect(&timeout, &QTimer::timeout, &loop, &QEventLoop::quit);
    bus_.connect(kService, active_, kActive, QStringLiteral("StateChanged"), this,
                 SLOT(OnActiveState(uint, uint)));
    // The state changes arrive as events; the loop runs only until the next one.
    timeout.start(dialTimeout_);
    bool up = false;
    for (;;) {
        QVariant state;
        if (!Property(bus_, active_, kActive, QStringLiteral("State"), state, error)) {
            break;  // the active connection is gone: it failed
        }
        const uint value = state.toUInt();
        if (value == kActiveActivated) {
            up = true;
            break;
        }
        if (value == kActiveDeactivating || value == kActiveDeactivated || !timeout.isActive()) {
            break;
        }
        waiting_ = &loop;
        // Dialing holds the user interface as a synchronous dial would.
        loop.exec(QEventLoop::ExcludeUserInputEvents);
        waiting_ = nullptr;
    }
    bus_.disconnect(kService, active_, kActive, QStringLiteral("StateChanged"), this,
                    SLOT(OnActiveState(uint, uint)));
    return up;
}

void NmBackend::OnActiveState(uint /*state*/, uint /*reason*/) {
    if (waiting_ != nullptr) {
        waiting_->quit();
    }
}

bool NmBackend::HangUp() {
    if (active_.isEmpty()) {
        return false;
    }
    // Already gone is as good as hung up.
    Call(bus_, kManagerPath, kManager, QStringLiteral("DeactivateConnection"),
         {QVariant::fromValue(QDBusObjectPath(active_))});
    active_.clear();
    return true;
}

void NmBackend::OnManagerState(uint state) {
    // The state the signal carries, not a fresh query: a quick drop and
    // return must still be seen as two changes.
    const bool online = state == kStateConnectedGlobal;
    if (online != wasOnline_) {
        wasOnline_ = online;
        emit OnlineChanged(online);
    }
}

std::unique_ptr<DialUpBackend> FindNetworkManager(QDBusConnection bus) {
    if (!bus.isConnected() || bus.interface() == nullptr ||
        !bus.interface()->isServiceRegistered(kService).value()) {
        return nullptr;
    }
    return std::make_unique<NmBackend>(std::move(bus));
}

}  // namespace corvy::dialup
