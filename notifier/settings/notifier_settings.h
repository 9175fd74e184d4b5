#pragma once
// The notifier's settings as kept in its profile: the ten account slots, the
// check and connection options, the first-run migration of the older host
// list, and the start-at-log-on switch.

#include <array>
#include <string>

#include "profile/profile.h"
#include "settings/password_vault.h"

namespace corvy::settings {

inline constexpr int kMaxAccounts = 10;
inline constexpr int kDefaultPop3Port = 110;
inline constexpr int kSetupDoneVersion = 3000;
// The Setup window's ranges; a profile value outside is brought inside on
// reading (minutes beyond 35791 would overflow the timer's milliseconds).
inline constexpr int kMaxCheckTime = 999;
inline constexpr int kMinPeekLines = 1;
inline constexpr int kMaxPeekLines = 99;

// How an account's connection is protected (values of the "Security" keys).
inline constexpr int kSecurityNone = 0;
inline constexpr int kSecurityStartTls = 1;
inline constexpr int kSecurityTls = 2;
// The ports that go with each choice.
int DefaultPop3Port(int security);
int DefaultSmtpPort(int security);

// "MailAccount%d"
std::string AccountSection(int index);

// One account slot. The password is plain here and scrambled in the profile.
struct AccountSlot {
    std::string name;
    std::string server;
    std::string user;
    std::string password;
    bool disabled = false;

    bool Empty() const { return name.empty(); }
    bool operator==(const AccountSlot&) const = default;
};

using AccountSlots = std::array<AccountSlot, kMaxAccounts>;

// All ten slots as stored (an empty name in the middle is kept as it is).
// `vault` is the keyring, or null where none runs.
AccountSlots LoadAccountSlots(const vantry::profile::Profile& profile,
                              PasswordVault* vault = nullptr);
// One slot with its password from the keyring or unscrambled.
AccountSlot LoadAccountSlot(const vantry::profile::Profile& profile, int index,
                            PasswordVault* vault = nullptr);
// AccountName, ServerAddress, UserID, Password and Disabled of every slot, in
// slot order; empty slots write empty values. With a keyring the passwords
// go there (older scrambled ones move on this save) and the profile keeps
// none; without one they are scrambled into the profile.
void SaveAccountSlots(vantry::profile::Profile& profile, const AccountSlots& accounts,
                      PasswordVault* vault = nullptr);

// Per-account values that live outside the slot. The port's default
// follows the account's security.
int LoadPop3Port(const vantry::profile::Profile& profile, int index);
int LoadAccountSecurity(const vantry::profile::Profile& profile, int index);
// The SHA-256 fingerprint of the certificate the user accepted, or "".
std::string LoadPinnedCertificate(const vantry::profile::Profile& profile, int index);
bool LoadDisableUidl(const vantry::profile::Profile& profile, int index);

// Names of the slots before the first empty name.
std::array<std::string, kMaxAccounts> ListedAccountNames(const AccountSlots& accounts);
// Index of the section whose AccountName equals `name` exactly, or -1.
int FindAccountSection(const vantry::profile::Profile& profile, const std::string& name);

// The values the notifier window keeps and the Setup window edits.
struct NotifierSettings {
    // CheckMail
    int checkTime = 0;
    bool checkTimeActive = true;
    bool checkOnStartUp = false;
    bool showNewMailWindow = true;
    bool playNewMailSound = true;
    std::string newMailSound = "corvy.wav";
    bool suppressErrors = false;
    bool newUntilView = false;
    int peekLines = 20;
    std::string emailClient;
    int leftClickAction = 0;
    std::string defaultAccount;
    // Connection
    bool lan = false;
    std::string dun;
    bool checkOnlyWhenOnline = true;
    bool disconnect = false;
    // QuickMail
    std::string quickMailHost;
    std::string quickMailFrom;
    std::string quickMailReply;
    // Submission servers; the password is kept apart (QuickMailPassword).
    int quickMailSecurity = kSecurityNone;
    int quickMailPort = 25;
    std::string quickMailUser;
    std::string quickMailCertificate;

    bool operator==(const NotifierSettings&) const = default;
};

// Reads every value with its default. `dialUpAvailable` false forces LAN on.
NotifierSettings LoadNotifierSettings(const vantry::profile::Profile& profile,
                                      bool dialUpAvailable);
// Writes the values in the order the Setup window saves them.
void SaveNotifierSettings(vantry::profile::Profile& profile, const NotifierSettings& s);

// The QuickMail password, keyed in the keyring by the QuickMail host.
std::string LoadQuickMailPassword(const vantry::profile::Profile& profile, PasswordVault* vault);
bool SaveQuickMailPassword(vantry::profile::Profile& profile, const std::string& password,
                           PasswordVault* vault);

// Copies the older "Hosts" list (MailHost1..3) into the first account
// sections; the password text is taken over unchanged. Returns how many.
int MigrateOldHosts(vantry::profile::Profile& profile);

}  // namespace corvy::settings
