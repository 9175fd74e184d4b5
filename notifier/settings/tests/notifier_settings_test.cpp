// Settings in the profile: defaults, forced LAN, account slots with
// scrambled passwords, the save order, and the older host list migration.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "settings/notifier_settings.h"
#include "settings/password_scramble.h"
#include "test_env.h"

using namespace corvy::settings;
using vantry::profile::Profile;

namespace {

Profile FreshProfile() {
    return Profile(vantry::test::FreshDir("profile") / "corvy.ini");
}

// Key names of one section in file order.
std::vector<std::string> KeysInFile(const Profile& p, const std::string& section) {
    std::ifstream in(p.Path());
    std::string line;
    bool inside = false;
    std::vector<std::string> keys;
    while (std::getline(in, line)) {
        if (!line.empty() && line.front() == '[') {
            inside = line == "[" + section + "]";
        } else if (inside && line.find('=') != std::string::npos) {
            keys.push_back(line.substr(0, line.find('=')));
        }
    }
    return keys;
}

}  // namespace

TEST(NotifierSettings, DefaultsWhenProfileIsEmpty) {
    Profile p = FreshProfile();
    const NotifierSettings s = LoadNotifierSettings(p, true);
    EXPECT_EQ(s, NotifierSettings{});
    EXPECT_EQ(s.newMailSound, "corvy.wav");
    EXPECT_EQ(s.peekLines, 20);
    EXPECT_TRUE(s.checkTimeActive);
    EXPECT_TRUE(s.showNewMailWindow);
    EXPECT_TRUE(s.checkOnlyWhenOnline);
    EXPECT_FALSE(s.lan);
    EXPECT_FALSE(std::filesystem::exists(p.Path()));  // reading creates nothing
}

TEST(NotifierSettings, WithoutDialUpLanReadsOn) {
    Profile p = FreshProfile();
    p.WriteInt("Connection", "LAN", 0);
    EXPECT_TRUE(LoadNotifierSettings(p, false).lan);
    EXPECT_FALSE(LoadNotifierSettings(p, true).lan);
}

TEST(NotifierSettings, SaveThenLoadKeepsEveryValueInOrder) {
    Profile p = FreshProfile();
    NotifierSettings s;
    s.checkTime = 15;
    s.checkTimeActive = false;
    s.checkOnStartUp = true;
    s.showNewMailWindow = false;
    s.playNewMailSound = false;
    s.newMailSound = "/usr/share/sounds/ding.wav";
    s.suppressErrors = true;
    s.newUntilView = true;
    s.peekLines = 42;
    s.emailClient = "thunder --compose";
    s.leftClickAction = 2;
    s.defaultAccount = "me@example.org";
    s.lan = true;
    s.dun = "Provider";
    s.checkOnlyWhenOnline = false;
    s.disconnect = true;
    s.quickMailHost = "smtp.example.org";
    s.quickMailFrom = "Me";
    s.quickMailReply = "me@example.org";
    SaveNotifierSettings(p, s);
    EXPECT_EQ(LoadNotifierSettings(p, true), s);
    EXPECT_EQ(KeysInFile(p, "CheckMail"),
              (std::vector<std::string>{"LeftClickAction", "ShowNewMailWindow", "NewUntilView",
                                        "PlayNewMailSound", "NewMailSound", "SuppressErrors",
                                        "PeekLines", "CheckTime", "CheckTimeActive",
                                        "CheckOnStartUp", "EmailClient", "DefaultAccount"}));
    EXPECT_EQ(KeysInFile(p, "Connection"),
              (std::vector<std::string>{"LAN", "DUN", "Disconnect", "CheckOnlyWhenOnline"}));
}

TEST(AccountSlotsInProfile, PasswordsStoredScrambledAndEmptySlotsWritten) {
    Profile p = FreshProfile();
    AccountSlots slots;
    slots[0] = {"me@example.org", "pop.example.org", "me", "s3cret", false};
    slots[1] = {"work", "10.0.0.1", "w", "", true};
    SaveAccountSlots(p, slots);
    EXPECT_EQ(p.GetString("MailAccount0", "Password"), ScramblePassword("s3cret"));
    EXPECT_EQ(p.GetString("MailAccount0", "Password").size(), 12u);
    EXPECT_EQ(p.GetInt("MailAccount1", "Disabled", -1), 1);
    EXPECT_EQ(p.GetString("MailAccount9", "AccountName", "missing"), "");
    EXPECT_EQ(LoadAccountSlots(p), slots);
    EXPECT_EQ(ListedAccountNames(slots)[1], "work");
    EXPECT_EQ(FindAccountSection(p, "work"), 1);
    EXPECT_EQ(FindAccountSection(p, "WORK"), -1);  // exact name only
    EXPECT_EQ(LoadPop3Port(p, 0), 110);
    p.WriteInt("MailAccount0", "POP3Port", 995);
    EXPECT_EQ(LoadPop3Port(p, 0), 995);
}

TEST(MigrateOldHosts, TwoHostsBecomeFirstTwoAccounts) {
    Profile p = FreshProfile();
    p.WriteString("Hosts", "MailHost1", "pop.one.org");
    p.WriteString("Hosts", "UserID1", "one");
    p.WriteString("Hosts", "PassWord1", "stored1");
    p.WriteString("Hosts", "MailHost2", "pop.two.org");
    p.WriteString("Hosts", "UserID2", "two");
    p.WriteString("Hosts", "MailHost3", "");
    EXPECT_EQ(MigrateOldHosts(p), 2);
    EXPECT_EQ(p.GetString("MailAccount0", "AccountName"), "pop.one.org");
    EXPECT_EQ(p.GetString("MailAccount0", "ServerAddress"), "pop.one.org");
    EXPECT_EQ(p.GetString("MailAccount0", "UserID"), "one");
    EXPECT_EQ(p.GetString("MailAccount0", "Password"), "stored1");  // taken over unchanged
    EXPECT_EQ(p.GetString("MailAccount1", "AccountName"), "pop.two.org");
    EXPECT_EQ(p.GetString("MailAccount2", "AccountName", "none"), "none");
    EXPECT_EQ(p.GetString("Hosts", "MailHost1"), "pop.one.org");  // left in place
}

TEST(MigrateOldHosts, StopsAtFirstEmptyHost) {
    Profile p = FreshProfile();
    p.WriteString("Hosts", "MailHost2", "pop.two.org");
    EXPECT_EQ(MigrateOldHosts(p), 0);
    EXPECT_EQ(p.GetString("MailAccount0", "AccountName", "none"), "none");
}

TEST(SecuritySettings, PortsFollowTheChoiceAndPlainProfilesGainNoKeys) {
    Profile p = FreshProfile();
    EXPECT_EQ(LoadPop3Port(p, 0), 110);
    p.WriteInt("MailAccount0", "Security", kSecurityTls);
    EXPECT_EQ(LoadPop3Port(p, 0), 995);
    p.WriteInt("MailAccount0", "POP3Port", 1995);
    EXPECT_EQ(LoadPop3Port(p, 0), 1995);
    p.WriteInt("MailAccount1", "Security", 7);  // unknown values mean none
    EXPECT_EQ(LoadAccountSecurity(p, 1), kSecurityNone);

    // QuickMail as before for a profile that asks for nothing new.
    NotifierSettings s = LoadNotifierSettings(p, true);
    EXPECT_EQ(s.quickMailPort, 25);
    SaveNotifierSettings(p, s);
    EXPECT_EQ(KeysInFile(p, "QuickMail"),
              (std::vector<std::string>{"QuickMailHost", "QuickMailFrom", "QuickMailReply"}));
    EXPECT_FALSE(SaveQuickMailPassword(p, "", nullptr));
    EXPECT_FALSE(p.Find("QuickMail", "QuickMailPassword").has_value());

    s.quickMailSecurity = kSecurityStartTls;
    s.quickMailPort = DefaultSmtpPort(kSecurityStartTls);
    s.quickMailUser = "me";
    SaveNotifierSettings(p, s);
    EXPECT_EQ(LoadNotifierSettings(p, true), s);
    EXPECT_EQ(s.quickMailPort, 587);
    // No keyring: scrambled, as the account passwords.
    EXPECT_FALSE(SaveQuickMailPassword(p, "pw", nullptr));
    EXPECT_EQ(p.GetString("QuickMail", "QuickMailPassword"), ScramblePassword("pw"));
    EXPECT_EQ(LoadQuickMailPassword(p, nullptr), "pw");
}
