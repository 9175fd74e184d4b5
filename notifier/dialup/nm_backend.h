#pragma once
// The dial-up backend over NetworkManager on D-Bus. Phone-book entries are
// the connection profiles a user dials (mobile broadband, PPPoE, VPN,
// WireGuard); dialing activates one, hanging up deactivates only the active
// connection activated here, and "online" is NetworkManager's connectivity.

#include <QDBusConnection>
#include <QEventLoop>
#include <QString>
#include <memory>

#include "dialup/dialup_backend.h"

namespace corvy::dialup {

class NmBackend : public DialUpBackend {
    Q_OBJECT
public:
    explicit NmBackend(QDBusConnection bus);

    bool Online(std::string& error) override;
    bool ListEntries(std::vector<std::string>& names, std::string& error) override;
    bool LookUp(const std::string& name, EntryDetails& details, std::string& error) override;
    bool Dial(const std::string& name, const EntryDetails& details, std::string& error) override;
    bool HangUp() override;

    // How long Dial waits for the connection to come up.
    void SetDialTimeout(int milliseconds) { dialTimeout_ = milliseconds; }

private slots:
    void OnManagerState(uint state);
    void OnActiveState(uint state, uint reason);

private:
    struct Profile {
        QString path;
        QString type;
    };
    bool FindProfile(const std::string& name, Profile& profile, std::string& error);
    bool ApplyStored(const Profile& profile, const EntryDetails& details, std::string& error);
    bool WaitUntilUp(std::string& error);

    QDBusConnection bus_;
    QEventLoop* waiting_ = nullptr;  // while Dial waits for the connection
    QString active_;                 // the active connection Dial made; empty when none
    int dialTimeout_ = 90000;
    bool wasOnline_ = false;
};

// The backend when NetworkManager answers on `bus`, else null: the machine
// is then treated as on a LAN.
std::unique_ptr<DialUpBackend> FindNetworkManager(QDBusConnection bus);

}  // namespace corvy::dialup
