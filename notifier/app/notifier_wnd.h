#pragma once
// The notifier's hidden main window: owns the tray icon, check timer 0, the
// tray menu and the busy flags, and runs the mail check of every account.

#include <QMenu>
#include <QTimer>
#include <QWidget>
#include <array>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/tray.h"
#include "dialup/dial_up.h"
#include "pop3/pop3_client.h"
#include "profile/profile.h"
#include "registry/registry.h"
#include "services/notifier_services.h"
#include "settings/notifier_settings.h"

namespace corvy {

class CNotifierWnd : public QWidget {
    Q_OBJECT
public:
    struct Deps {
        vantry::profile::Profile& profile;
        vantry::registry::Store& registry;
        NotifierServices& services;
        NotifierTray& tray;
        DialUp& dialUp;
        std::string programFolder;
        pop3::Pop3Options pop3Options;
        // The installed data (sound, help pages); the user's folder comes first.
        std::string dataFolder = {};
        // The desktop keyring, or null where none runs.
        settings::PasswordVault* vault = nullptr;
    };

    explicit CNotifierWnd(Deps deps);
    ~CNotifierWnd() override;

    // Windows that other parts open, replaceable for tests. The new-mail
    // window returns the account chosen with Yes (empty for No or Client);
    // the header window returns how many messages it deleted; Setup returns
    // true on OK; the no-dial-up notice returns its "Don't show this again".
    std::function<std::string(const std::vector<std::string>& accounts, const std::string& sound)>
        newMailWindow;
    std::function<int(const std::string& account, int peekLines)> headerWindow;
    std::function<bool(settings::NotifierSettings& settings)> setupWindow;
    std::function<bool()> noDialUpNotice;
    std::function<void()> quickMailWindow;
    std::function<std::string()> clock;  // "9:05 PM"

    // Start-up message: first-run setup, tray icon, check on start.
    void OnStartup();
    // Timer 0 and the check at start-up.
    void OnTimer();
    // "Check Mail" from the menu or a left click.
    void OnCheckMail();
    void OnTrayClick(TrayClick click);
    void OnViewHeaders(const std::string& account);
    void OnSetup();
    void OnQuickMail();
    void OnHelp();
    void OnAbout();
    void OnRunEmailProgram();
    void OnExit();

    // One full check; callers hold the checking flag.
    void CheckAllAccounts();
    // True when the account has new mail; `count` and `error` are set.
    bool CheckAccount(const std::string& name, const std::string& server, const std::string& user,
                      const std::string& password, int port, const pop3::Pop3Options& options,
                      int& count, bool& error);
    void SetTrayIcon(TrayImage image, TrayOp op, const std::string& tip);

    // The tray menu as it would show now (enabling rules applied).
    std::unique_ptr<QMenu> BuildMenu();

    const settings::NotifierSettings& Settings() const { return settings_; }
    int MessageTotal() const { return total_; }
    QTimer& CheckTimer() { return checkTimer_; }
    bool Checking() const { return checking_; }

private:
    void LoadSettings();
    void RestartTimer();
    void ReportError(int code, const std::string& text, const std::string& account);
    std::string Clock() const;
    void ShowNewMail(const std::vector<std::string>& accounts);

    Deps deps_;
    settings::NotifierSettings settings_;
    QTimer checkTimer_;
    int total_ = 0;
    bool waitingForNetwork_ = false;  // a check was skipped while offline
    bool exiting_ = false;            // Exit came while a check was waiting on a server
    // Busy flags.
    bool checking_ = false;
    bool automatic_ = false;
    bool newMailOpen_ = false;
    bool headersOpen_ = false;
    bool setupOpen_ = false;
    bool aboutOpen_ = false;
    bool quickMailOpen_ = false;
};

}  // namespace corvy
