#include "notifier_settings.h"

#include <algorithm>

#include "password_scramble.h"

namespace corvy::settings {
namespace {

constexpr const char* kCheckMail = "CheckMail";
constexpr const char* kConnection = "Connection";
constexpr const char* kQuickMail = "QuickMail";
constexpr const char* kPop3Kind = "pop3";

PasswordPlace AccountPassword(const vantry::profile::Profile& profile, int index) {
    const std::string section = AccountSection(index);
    return {section, "Password", kPop3Kind, profile.GetString(section, "AccountName"),
            profile.GetString(section, "ServerAddress")};
}

// Keys that older profiles lack are written only once they say something.
void WriteIntIfSet(vantry::profile::Profile& p, const char* key, int value, int unset) {
    if (value != unset || p.Find(kQuickMail, key).has_value()) {
        p.WriteInt(kQuickMail, key, value);
    }
}
void WriteStringIfSet(vantry::profile::Profile& p, const char* key, const std::string& value) {
    if (!value.empty() || p.Find(kQuickMail, key).has_value()) {
        p.WriteString(kQuickMail, key, value);
    }
}

int ClampSecurity(int security) {
    return security == kSecurityStartTls || security == kSecurityTls ? security : kSecurityNone;
}

}  // namespace

int DefaultPop3Port(int security) {
    return security == kSecurityTls ? 995 : kDefaultPop3Port;
}

int DefaultSmtpPort(int security) {
    return security == kSecurityTls ? 465 : security == kSecurityStartTls ? 587 : 25;
}

std::string AccountSection(int index) {
    return "MailAccount" + std::to_string(index);
}

AccountSlot LoadAccountSlot(const vantry::profile::Profile& profile, int index,
                            PasswordVault* vault) {
    const std::string section = AccountSection(index);
    AccountSlot slot;
    slot.name = profile.GetString(section, "AccountName");
    slot.server = profile.GetString(section, "ServerAddress");
    slot.user = profile.GetString(section, "UserID");
    slot.password = LoadPassword(profile, AccountPassword(profile, index), vault);
    slot.disabled = profile.GetInt(section, "Disabled", 0) != 0;
    return slot;
}

AccountSlots LoadAccountSlots(const vantry::profile::Profile& profile, PasswordVault* vault) {
    AccountSlots slots;
    for (int i = 0; i < kMaxAccounts; ++i) {
        slots[i] = LoadAccountSlot(profile, i, vault);
    }
    return slots;
}

void SaveAccountSlots(vantry::profile::Profile& profile, const AccountSlots& slots,
                      PasswordVault* vault) {
    // Renamed and deleted accounts leave nothing behind in the keyring.
    if (vault != nullptr && !vault->ClearAll(kPop3Kind)) {
        vault = nullptr;
    }
    for (int i = 0; i < kMaxAccounts; ++i) {
        const std::string section = AccountSection(i);
        const AccountSlot& slot = slots[i];
        profile.WriteString(section, "AccountName", slot.name);
        profile.WriteString(section, "ServerAddress", slot.server);
        profile.WriteString(section, "UserID", slot.user);
        SavePassword(profile, {section, "Password", kPop3Kind, slot.name, slot.server},
                     slot.password, slot.Empty() ? nullptr : vault);
        profile.WriteInt(section, "Disabled", slot.disabled ? 1 : 0);
    }
}

int LoadPop3Port(const vantry::profile::Profile& profile, int index) {
    return profile.GetInt(AccountSection(index), "POP3Port",
                          DefaultPop3Port(LoadAccountSecurity(profile, index)));
}

int LoadAccountSecurity(const vantry::profile::Profile& profile, int index) {
    return ClampSecurity(profile.GetInt(AccountSection(index), "Security", kSecurityNone));
}

std::string LoadPinnedCertificate(const vantry::profile::Profile& profile, int index) {
    return profile.GetString(AccountSection(index), "CertificateSHA256");
}

bool LoadDisableUidl(const vantry::profile::Profile& profile, int index) {
    return profile.GetInt(AccountSection(index), "DisableUIDL", 0) != 0;
}

std::array<std::string, kMaxAccounts> ListedAccountNames(const AccountSlots& slots) {
    std::array<std::string, kMaxAccounts> names;
    for (int i = 0; i < kMaxAccounts && !slots[i].Empty(); ++i) {
        names[i] = slots[i].name;
    }
    return names;
}

int FindAccountSection(const vantry::profile::Profile& profile, const std::string& name) {
    for (int i = 0; i < kMaxAccounts; ++i) {
        if (profile.GetString(AccountSection(i), "AccountName") == name) {
            return i;
        }
    }
    return -1;
}

NotifierSettings LoadNotifierSettings(const vantry::profile::Profile& p, bool dialUpAvailable) {
    NotifierSettings s;
    s.checkTime = std::clamp(p.GetInt(kCheckMail, "CheckTime", 0), 0, kMaxCheckTime);
    s.checkTimeActive = p.GetInt(kCheckMail, "CheckTimeActive", 1) != 0;
    s.checkOnStartUp = p.GetInt(kCheckMail, "CheckOnStartUp", 0) != 0;
    s.showNewMailWindow = p.GetInt(kCheckMail, "ShowNewMailWindow", 1) != 0;
    s.playNewMailSound = p.GetInt(kCheckMail, "PlayNewMailSound", 1) != 0;
    s.newMailSound = p.GetString(kCheckMail, "NewMailSound", "corvy.wav");
    s.suppressErrors = p.GetInt(kCheckMail, "SuppressErrors", 0) != 0;
    s.newUntilView = p.GetInt(kCheckMail, "NewUntilView", 0) != 0;
    s.peekLines = std::clamp(p.GetInt(kCheckMail, "PeekLines", 20), kMinPeekLines, kMaxPeekLines);
    s.emailClient = p.GetString(kCheckMail, "EmailClient");
    s.leftClickAction = p.GetInt(kCheckMail, "LeftClickAction", 0);
    s.defaultAccount = p.GetString(kCheckMail, "DefaultAccount");
    s.lan = !dialUpAvailable || p.GetInt(kConnection, "LAN", 0) != 0;
    s.dun = p.GetString(kConnection, "DUN");
    s.checkOnlyWhenOnline = p.GetInt(kConnection, "CheckOnlyWhenOnline", 1) != 0;
    s.disconnect = p.GetInt(kConnection, "Disconnect", 0) != 0;
    s.quickMailHost = p.GetString(kQuickMail, "QuickMailHost");
    s.quickMailFrom = p.GetString(kQuickMail, "QuickMailFrom");
    s.quickMailReply = p.GetString(kQuickMail, "QuickMailReply");
    s.quickMailSecurity = ClampSecurity(p.GetInt(kQuickMail, "QuickMailSecurity", kSecurityNone));
    s.quickMailPort = p.GetInt(kQuickMail, "QuickMailPort", DefaultSmtpPort(s.quickMailSecurity));
    if (s.quickMailPort <= 0 || s.quickMailPort > 65535) {
        s.quickMailPort = DefaultSmtpPort(s.quickMailSecurity);
    }
    s.quickMailUser = p.GetString(kQuickMail, "QuickMailUser");
    s.quickMailCertificate = p.GetString(kQuickMail, "QuickMailCertificateSHA256");
    return s;
}

void SaveNotifierSettings(vantry::profile::Profile& p, const NotifierSettings& s) {
    p.WriteInt(kCheckMail, "LeftClickAction", s.leftClickAction);
    p.WriteString(kQuickMail, "QuickMailHost", s.quickMailHost);
    p.WriteString(kQuickMail, "QuickMailFrom", s.quickMailFrom);
    p.WriteString(kQuickMail, "QuickMailReply", s.quickMailReply);
    WriteIntIfSet(p, "QuickMailSecurity", s.quickMailSecurity, kSecurityNone);
    WriteIntIfSet(p, "QuickMailPort", s.quickMailPort, DefaultSmtpPort(s.quickMailSecurity));
    WriteStringIfSet(p, "QuickMailUser", s.quickMailUser);
    WriteStringIfSet(p, "QuickMailCertificateSHA256", s.quickMailCertificate);
    p.WriteInt(kConnection, "LAN", s.lan ? 1 : 0);
    p.WriteString(kConnection, "DUN", s.dun);
    p.WriteInt(kConnection, "Disconnect", s.disconnect ? 1 : 0);
    p.WriteInt(kConnection, "CheckOnlyWhenOnline", s.checkOnlyWhenOnline ? 1 : 0);
    p.WriteInt(kCheckMail, "ShowNewMailWindow", s.showNewMailWindow ? 1 : 0);
    p.WriteInt(kCheckMail, "NewUntilView", s.newUntilView ? 1 : 0);
    p.WriteInt(kCheckMail, "PlayNewMailSound", s.playNewMailSound ? 1 : 0);
    p.WriteString(kCheckMail, "NewMailSound", s.newMailSound);
    p.WriteInt(kCheckMail, "SuppressErrors", s.suppressErrors ? 1 : 0);
    p.WriteInt(kCheckMail, "PeekLines", s.peekLines);
    p.WriteInt(kCheckMail, "CheckTime", s.checkTime);
    p.WriteInt(kCheckMail, "CheckTimeActive", s.checkTimeActive ? 1 : 0);
    p.WriteInt(kCheckMail, "CheckOnStartUp", s.checkOnStartUp ? 1 : 0);
    p.WriteString(kCheckMail, "EmailClient", s.emailClient);
    p.WriteString(kCheckMail, "DefaultAccount", s.defaultAccount);
}

std::string LoadQuickMailPassword(const vantry::profile::Profile& profile, PasswordVault* vault) {
    return LoadPassword(profile,
                        {kQuickMail, "QuickMailPassword", "smtp", "QuickMail",
                         profile.GetString(kQuickMail, "QuickMailHost")},
                        vault);
}

bool SaveQuickMailPassword(vantry::profile::Profile& profile, const std::string& password,
                           PasswordVault* vault) {
    if (vault != nullptr && !vault->ClearAll("smtp")) {
        vault = nullptr;
    }
    if (password.empty() && !profile.Find(kQuickMail, "QuickMailPassword").has_value()) {
        return false;  // nothing to keep, and nothing new in an older profile
    }
    return SavePassword(profile,
                        {kQuickMail, "QuickMailPassword", "smtp", "QuickMail",
                         profile.GetString(kQuickMail, "QuickMailHost")},
                        password, vault);
}

int MigrateOldHosts(vantry::profile::Profile& profile) {
    int moved = 0;
    for (int i = 1; i <= 3; ++i) {
        const std::string n = std::to_string(i);
        const std::string host = profile.GetString("Hosts", "MailHost" + n);
        if (host.empty()) {
            break;
        }
        const std::string user = profile.GetString("Hosts", "UserID" + n);
        const std::string password = profile.GetString("Hosts", "PassWord" + n);
        const std::string section = AccountSection(i - 1);
        profile.WriteString(section, "AccountName", host);
        profile.WriteString(section, "ServerAddress", host);
        profile.WriteString(section, "UserID", user);
        profile.WriteString(section, "Password", password);
        ++moved;
    }
    return moved;
}

}  // namespace corvy::settings
