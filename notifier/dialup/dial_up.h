#pragma once
// The dial-up operations the check cycle, the tray menu and Setup call.
// CDialUp runs them over a backend found at run time; without one the
// machine is on a LAN and every operation answers as there.

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "dialup/dialup_backend.h"
#include "profile/profile.h"
#include "services/notifier_services.h"

namespace corvy {

class DialUp {
public:
    virtual ~DialUp() = default;
    virtual bool Available() const = 0;
    virtual bool IsOnline() = 0;
    virtual bool Dial() = 0;
    virtual bool HangUp() = 0;
    // Before server work from a menu: true when it may go on.
    virtual bool EnsureConnected() = 0;
    // After server work from a menu.
    virtual void OfferDisconnect() = 0;
    // For the Connection page; boxes stay silent while `lanChecked`.
    virtual std::vector<std::string> ListEntries(bool lanChecked) = 0;
    // False when nothing changes (empty name); else `details` are the fields.
    virtual bool LookUpEntry(const std::string& name, bool lanChecked,
                             dialup::EntryDetails& details) = 0;

    // The LAN setting of the notifier window.
    void SetLan(bool lan) { lan_ = lan; }
    // Errors that may be suppressed stay silent while set.
    void SetQuiet(bool quiet) { quiet_ = quiet; }
    bool DialedByUs() const { return dialedByUs_; }
    void SetDialedByUs(bool dialed) { dialedByUs_ = dialed; }
    // The machine came back online.
    std::function<void()> onBackOnline;

protected:
    bool lan_ = false;
    bool quiet_ = false;
    bool dialedByUs_ = false;
};

// The machine on a LAN: always online, nothing to dial or hang up.
class NoDialUp : public DialUp {
public:
    bool Available() const override { return false; }
    bool IsOnline() override { return true; }
    bool Dial() override { return true; }
    bool HangUp() override { return true; }
    bool EnsureConnected() override { return true; }
    void OfferDisconnect() override {}
    std::vector<std::string> ListEntries(bool) override { return {}; }
    bool LookUpEntry(const std::string&, bool, dialup::EntryDetails&) override { return false; }
};

namespace dialup {

class CDialUp : public QObject, public DialUp {
    Q_OBJECT
public:
    // `backend` null: no dial-up support, the machine is on a LAN.
    CDialUp(vantry::profile::Profile& profile, NotifierServices& services,
            std::unique_ptr<DialUpBackend> backend);

    bool Available() const override { return backend_ != nullptr; }
    bool IsOnline() override;
    bool Dial() override;
    bool HangUp() override;
    bool EnsureConnected() override;
    void OfferDisconnect() override;
    std::vector<std::string> ListEntries(bool lanChecked) override;
    bool LookUpEntry(const std::string& name, bool lanChecked, EntryDetails& details) override;

    // The tray while dialing (image 167) and after a failed connect (166).
    std::function<void(int image, const std::string& tip)> trayStatus;
    // Asks whether to connect: empty for No, else "Always ask before connecting".
    std::function<std::optional<bool>()> askConnect;

private:
    bool OnLan() const { return lan_ || backend_ == nullptr; }
    bool AskBeforeConnecting() const;
    void ShowError(const std::string& text, const char* fallback, bool suppressible);
    void Tray(int image, const std::string& tip);

    vantry::profile::Profile& profile_;
    NotifierServices& services_;
    std::unique_ptr<DialUpBackend> backend_;
    bool dialing_ = false;
};

}  // namespace dialup
}  // namespace corvy
