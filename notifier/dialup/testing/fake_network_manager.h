#pragma once
// A stand-in for NetworkManager on a private D-Bus bus for tests: the
// manager (Connectivity, State, ActivateConnection, DeactivateConnection,
// StateChanged), the settings list, connection profiles (GetSettings,
// GetSecrets, Update2) and active connections (State, StateChanged). It
// answers from its own thread, so blocking calls of the code under test
// are served.

#include <QDBusConnection>
#include <QDBusVirtualObject>
#include <QMutex>
#include <QProcess>
#include <QThread>
#include <memory>

namespace corvy::dialup::testing {

// A dbus-daemon of the test's own, so tests running side by side do not
// fight over NetworkManager's name.
class PrivateBus {
public:
    PrivateBus();
    ~PrivateBus();
    // A new connection to the bus under `name`.
    QDBusConnection Connect(const QString& name) const;
    bool Running() const { return !address_.isEmpty(); }

private:
    QProcess daemon_;
    QString address_;
};

using NmSettings = QMap<QString, QVariantMap>;

class FakeNetworkManager : public QDBusVirtualObject {
    Q_OBJECT
public:
    explicit FakeNetworkManager(const PrivateBus& bus);
    ~FakeNetworkManager() override;

    // A profile of `type` whose group of that name holds `fields`
    // ("number", "username", ...); "password" goes to the secrets.
    void AddProfile(const QString& id, const QString& type, const QVariantMap& fields);
    // The two lines the tests dial: "Mobile" (number, user and password) and
    // "DSL" (user and password, no number).
    void AddDialProfiles();
    // An active connection of a profile someone else brought up.
    void ActivateElsewhere(const QString& id);
    // Whether the next activation comes up or fails.
    void SetActivationFails(bool fails);
    // An activation stays "activating" until the dial times out.
    void SetActivationHangs(bool hangs);
    // Brings every activation still waiting up.
    void FinishActivations();
    // Lost or regained Internet, as announced by NetworkManager.
    void SetOnline(bool online);

    // Ids of the profiles activated, paths of the active connections
    // deactivated, and the last Update2 (settings, flags).
    QStringList Activated() const;
    QStringList Deactivated() const;
    QString ActivePathOf(const QString& id) const;
    NmSettings LastUpdate(uint* flags = nullptr) const;
    void ClearLastUpdate();

    QString introspect(const QString& path) const override;
    bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override;

private:
    struct Profile {
        QString id;
        QString type;
        NmSettings settings;
        QString password;
    };
    struct Active {
        QString path;
        QString profileId;
        uint state = 0;
    };
    void Reply(const QDBusMessage& call, const QVariantList& args);
    void Fail(const QDBusMessage& call, const QString& text);
    void Emit(const QString& path, const QString& iface, const QString& name,
              const QVariantList& args);
    void SetActiveState(const QString& path, uint state);
    void AnnounceState();
    bool AnyUp() const;

    QThread thread_;
    QDBusConnection bus_;
    mutable QMutex mutex_;
    std::vector<Profile> profiles_;
    std::vector<Active> active_;
    QStringList activated_;
    QStringList deactivated_;
    NmSettings lastUpdate_;
    uint lastFlags_ = 0;
    bool fails_ = false;
    bool hangs_ = false;
    bool foreignOnline_ = false;
    int nextActive_ = 1;
};

}  // namespace corvy::dialup::testing
