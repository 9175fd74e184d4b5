#include "settings/cregistry.h"

#include <gtest/gtest.h>

#include <QCoreApplication>

#include "registry/autostart.h"
#include "test_env.h"

namespace murmel {
namespace {

namespace reg = vantry::registry;
using vantry::test::FreshDir;
using vantry::test::ReadFile;

// A fresh registry folder per test, with direct access for checks.
class SettingsTest : public ::testing::Test {
protected:
    SettingsTest() : folder_(FreshDir("reg")), store_(folder_), settings_(folder_) {}

    std::string Raw(reg::Hive hive, const char* key, const char* name) {
        reg::Value v;
        return store_.QueryValue(hive, key, name, &v) == reg::kSuccess ? v.Text() : "<missing>";
    }

    std::filesystem::path folder_;
    reg::Store store_;
    cRegistry settings_;
};

TEST_F(SettingsTest, NeverWrittenReadsEmptyAndWritesToMissingKeysAreLost) {
    EXPECT_EQ(settings_.MyName(), "");
    EXPECT_EQ(settings_.ConnectTo(), "");
    EXPECT_EQ(settings_.WaveTypes(), "");
    EXPECT_EQ(settings_.SetRunAtInitialization(), "");
    settings_.setMyEmail("me@example.org");
    settings_.setDefaultWave("PCM");
    EXPECT_EQ(settings_.MyEmail(), "");
    EXPECT_FALSE(store_.KeyExists(reg::Hive::LocalMachine, "SOFTWARE\\Vantry\\MurmelMailer"));
    EXPECT_FALSE(store_.KeyExists(reg::Hive::Users, ".Default"));
    EXPECT_FALSE(std::filesystem::exists(store_.HiveFile(reg::Hive::LocalMachine)));
}

TEST_F(SettingsTest, VerifyRegistryMakesFourEmptyKeysAndIsIdempotent) {
    settings_.VerifyRegistry();
    EXPECT_TRUE(store_.KeyExists(reg::Hive::LocalMachine, "SOFTWARE\\Vantry\\MurmelMailer"));
    EXPECT_TRUE(store_.KeyExists(reg::Hive::LocalMachine,
                                 "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run"));
    EXPECT_TRUE(
        store_.KeyExists(reg::Hive::Users, ".Default\\Software\\Microsoft\\Multimedia\\Audio"));
    EXPECT_TRUE(store_.KeyExists(reg::Hive::CurrentUser, "Control Panel\\International"));
    EXPECT_FALSE(store_.KeyExists(
        reg::Hive::CurrentUser, "Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings"));
    for (auto [hive, key] :
         {std::pair{reg::Hive::LocalMachine, "SOFTWARE\\Vantry\\MurmelMailer"},
          {reg::Hive::LocalMachine, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run"},
          {reg::Hive::Users, ".Default\\Software\\Microsoft\\Multimedia\\Audio"},
          {reg::Hive::CurrentUser, "Control Panel\\International"}}) {
        EXPECT_TRUE(store_.Values(hive, key).empty()) << key;
    }
    std::string files[4];
    int i = 0;
    for (auto hive : {reg::Hive::LocalMachine, reg::Hive::CurrentUser, reg::Hive::Users,
                      reg::Hive::ClassesRoot}) {
        files[i++] = ReadFile(store_.HiveFile(hive));
    }
    settings_.VerifyRegistry();
    i = 0;
    for (auto hive : {reg::Hive::LocalMachine, reg::Hive::CurrentUser, reg::Hive::Users,
                      reg::Hive::ClassesRoot}) {
        EXPECT_EQ(ReadFile(store_.HiveFile(hive)), files[i++]);
    }
}

TEST_F(SettingsTest, EveryPropertyUsesItsKeyAndValueName) {
    settings_.VerifyRegistry();
    struct Row {
        void (cRegistry::*let)(const QString&);
        QString (cRegistry::*get)() const;
        const char* valueName;
    };
    const Row rows[] = {
        {&cRegistry::setMyName, &cRegistry::MyName, "Name"},
        {&cRegistry::setLastAdUpdate, &cRegistry::LastAdUpdate, "LastAdUpdate"},
        {&cRegistry::setMyOrganization, &cRegistry::MyOrganization, "Organization"},
        {&cRegistry::setConnectTo, &cRegistry::ConnectTo, "ConnectTo"},
        {&cRegistry::setInVolume, &cRegistry::InVolume, "InVolume"},
        {&cRegistry::setOutVolume, &cRegistry::OutVolume, "OutVolume"},
        {&cRegistry::setMyEmail, &cRegistry::MyEmail, "Email"},
        {&cRegistry::setMyCc, &cRegistry::MyCc, "Cc"},
        {&cRegistry::setMyNote, &cRegistry::MyNote, "Note"},
        {&cRegistry::setPlaySounds, &cRegistry::PlaySounds, "PlaySounds"},
        {&cRegistry::setAutorun, &cRegistry::Autorun, "Autorun"},
        {&cRegistry::setKnownAddressBooks, &cRegistry::KnownAddressBooks, "KnownAddressBooks"},
        {&cRegistry::setAddressBook, &cRegistry::AddressBook, "AddressBook"},
        {&cRegistry::setWaveType, &cRegistry::WaveType, "RecordingFormat"},
    };
    int n = 0;
    for (const Row& row : rows) {
        const QString text = QStringLiteral("value %1 \u00e9\t").arg(++n);
        (settings_.*row.let)(text);
        reg::Value v;
        ASSERT_EQ(store_.QueryValue(reg::Hive::LocalMachine, "SOFTWARE\\Vantry\\MurmelMailer",
                                    row.valueName, &v),
                  reg::kSuccess)
            << row.valueName;
        EXPECT_EQ(v, reg::Value::String(text.toUtf8().toStdString())) << row.valueName;
        // A second object sees the write at once.
        EXPECT_EQ((cRegistry(folder_).*row.get)(), text) << row.valueName;
    }
    EXPECT_EQ(store_.Values(reg::Hive::LocalMachine, "SOFTWARE\\Vantry\\MurmelMailer").size(),
              std::size(rows));

    // Read-only and write-only properties on their own keys.
    store_.SetValue(reg::Hive::LocalMachine, "SOFTWARE\\Vantry\\MurmelMailer", "LogoClick",
                    reg::Value::String("https://example.org/"));
    EXPECT_EQ(settings_.LogoClick(), "https://example.org/");
    store_.SetValue(reg::Hive::Users, ".Default\\Software\\Microsoft\\Multimedia\\Audio",
                    "SystemFormats", reg::Value::String("PCM 8 kHz, GSM 6.10"));
    EXPECT_EQ(settings_.WaveTypes(), "PCM 8 kHz, GSM 6.10");
    settings_.setDefaultWave("GSM 6.10");
    EXPECT_EQ(
        Raw(reg::Hive::Users, ".Default\\Software\\Microsoft\\Multimedia\\Audio", "DefaultFormat"),
        "GSM 6.10");
    store_.SetValue(reg::Hive::CurrentUser, "Control Panel\\International", "Locale",
                    reg::Value::String("00000407"));
    EXPECT_EQ(settings_.UserLanguage(), "00000407");
}

TEST_F(SettingsTest, UserLanguageComesFromTheLocaleUntilWritten) {
    settings_.VerifyRegistry();
    const QByteArray saved = qgetenv("LANG");
    qunsetenv("LC_ALL");
    qunsetenv("LC_MESSAGES");
    qputenv("LANG", "fr_FR.UTF-8");
    EXPECT_EQ(settings_.UserLanguage(), "0000040C");
    qputenv("LANG", "C");
    EXPECT_EQ(settings_.UserLanguage(), "");
    qputenv("LANG", saved);
}

TEST_F(SettingsTest, LocaleOtherThanEightHexDigitsReadsAsUnset) {
    settings_.VerifyRegistry();
    for (const char* bad :
         {"../../x", "0000040", "000004090", "0000040G", "0000/409", " 0000409"}) {
        store_.SetValue(reg::Hive::CurrentUser, "Control Panel\\International", "Locale",
                        reg::Value::String(bad));
        EXPECT_EQ(settings_.UserLanguage(), "") << bad;
    }
    store_.SetValue(reg::Hive::CurrentUser, "Control Panel\\International", "Locale",
                    reg::Value::String("0000040c"));
    EXPECT_EQ(settings_.UserLanguage(), "0000040c");
}

TEST_F(SettingsTest, GetDataReadsAnyTypeUpToTheFirstZero) {
    ASSERT_EQ(store_.CreateKey(reg::Hive::CurrentUser, "T"), reg::kSuccess);
    store_.SetValue(reg::Hive::CurrentUser, "T", "mixed",
                    reg::Value::String(std::string("abc\0def", 7)));
    store_.SetValue(reg::Hive::CurrentUser, "T", "one", reg::Value::Dword(1));
    store_.SetValue(reg::Hive::CurrentUser, "T", "zero", reg::Value::Dword(0));
    store_.SetValue(reg::Hive::CurrentUser, "T", "big", reg::Value::Dword(0x00414243));
    reg::Value unterminated;  // no zero at all: the whole buffer
    unterminated.type = reg::ValueType::Binary;
    unterminated.data = {std::byte{'x'}, std::byte{'y'}};
    store_.SetValue(reg::Hive::CurrentUser, "T", "bin", unterminated);

    cRegistryUtils utils(folder_);
    utils.setMainKey(HKEY_CURRENT_USER);
    EXPECT_EQ(utils.GetData("T", "mixed"), "abc");
    EXPECT_EQ(utils.GetData("t", "ONE"), QString(QChar(1)));
    EXPECT_EQ(utils.GetData("T", "zero"), "");
    EXPECT_EQ(utils.GetData("T", "big"), "CBA");
    EXPECT_EQ(utils.GetData("T", "bin"), "xy");
    EXPECT_EQ(utils.GetData("T", "missing"), "");
    EXPECT_EQ(utils.GetData("Missing", "one"), "");

    // Another hive, or no hive at all, sees none of it.
    cRegistryUtils machine(folder_);
    machine.setMainKey(HKEY_LOCAL_MACHINE);
    EXPECT_EQ(machine.GetData("T", "mixed"), "");
    cRegistryUtils unbound(folder_);
    EXPECT_EQ(unbound.GetData("T", "mixed"), "");
    EXPECT_FALSE(unbound.CheckKeyIsThere("T"));
    unbound.setMainKey(0x12345678u);
    unbound.SetData("T", "mixed", "changed");
    EXPECT_EQ(utils.GetData("T", "mixed"), "abc");
}

TEST_F(SettingsTest, SetDataAndCheckKeyIsThere) {
    cRegistryUtils utils(folder_);
    utils.setMainKey(HKEY_CLASSES_ROOT);
    utils.SetData("A\\B", "v", "1");
    EXPECT_EQ(utils.GetData("A\\B", "v"), "");
    EXPECT_FALSE(store_.KeyExists(reg::Hive::ClassesRoot, "A"));
    EXPECT_TRUE(utils.CheckKeyIsThere("A\\B"));
    EXPECT_TRUE(utils.CheckKeyIsThere("a\\b"));
    utils.SetData("a\\B", "V", "1");
    EXPECT_EQ(utils.GetData("A\\b", "v"), "1");
    // Written as a string with its terminating zero.
    reg::Value v;
    ASSERT_EQ(store_.QueryValue(reg::Hive::ClassesRoot, "A\\B", "v", &v), reg::kSuccess);
    EXPECT_EQ(v.type, reg::ValueType::String);
    EXPECT_EQ(v.data.size(), 2u);
    // A key that cannot be made gives False.
    EXPECT_FALSE(utils.CheckKeyIsThere("A\\\\B"));
    EXPECT_FALSE(utils.CheckKeyIsThere(QString(300, QLatin1Char('k'))));
}

struct ProxyCase {
    std::optional<reg::Value> enable;
    std::optional<std::string> server;
    QString expected;
};

TEST_F(SettingsTest, HttpProxyFromInternetSettings) {
    const char* key = "Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings";
    using V = reg::Value;
    const ProxyCase cases[] = {
        {V::Dword(1), "proxy:8080", "proxy:8080"},
        {V::Dword(1), "ftp=f:21;http=h:80;https=s:443", "h:80"},
        {V::Dword(1), "FTP=f:21;HTTP=h:80;HTTPS=s:443", "h:80"},
        {V::Dword(1), "ftp=f:21;Http=h:80", "h:80"},
        {V::Dword(1), "ftp=f:21", "XXX"},
        {V::Dword(1), "", "XXX"},
        {V::Dword(1), std::nullopt, "XXX"},
        {V::Dword(1), "http=", "XXX"},
        {V::Dword(1), "http=;ftp=f:21", ""},  // an empty HTTP entry, taken as it stands
        {V::Dword(1), "https=s:443;http=h:80", "h:80"},
        {V::Dword(0), "proxy:8080", ""},
        {V::Dword(0x100), "proxy:8080", ""},  // low byte zero reads as empty
        {std::nullopt, "proxy:8080", ""},
        {V::String("1"), "proxy:8080", "proxy:8080"},
        {V::String(""), "proxy:8080", ""},
    };
    for (const ProxyCase& c : cases) {
        store_.DeleteKey(reg::Hive::CurrentUser, "Software");
        ASSERT_EQ(store_.CreateKey(reg::Hive::CurrentUser, key), reg::kSuccess);
        if (c.enable) {
            store_.SetValue(reg::Hive::CurrentUser, key, "ProxyEnable", *c.enable);
        }
        if (c.server) {
            store_.SetValue(reg::Hive::CurrentUser, key, "ProxyServer", V::String(*c.server));
        }
        EXPECT_EQ(settings_.GetIeHttpProxy(), c.expected) << c.server.value_or("<none>");
    }
    store_.DeleteKey(reg::Hive::CurrentUser, "Software");
    EXPECT_EQ(settings_.GetIeHttpProxy(), "");
}

TEST_F(SettingsTest, RecordingFormatRule) {
    settings_.VerifyRegistry();
    const char* audio = ".Default\\Software\\Microsoft\\Multimedia\\Audio";
    // Nothing in force and the system does not list ours: nothing changes.
    store_.SetValue(reg::Hive::Users, audio, "SystemFormats", reg::Value::String("CD Quality"));
    ApplyRecordingFormat(settings_, "Voice Mail 11 kHz");
    EXPECT_EQ(settings_.WaveType(), "");
    EXPECT_EQ(Raw(reg::Hive::Users, audio, "DefaultFormat"), "<missing>");
    // Listed under another case: adopted as the system default and ours.
    store_.SetValue(reg::Hive::Users, audio, "SystemFormats",
                    reg::Value::String("CD Quality, VOICE MAIL 11 KHZ, Radio"));
    ApplyRecordingFormat(settings_, "Voice Mail 11 kHz");
    EXPECT_EQ(Raw(reg::Hive::Users, audio, "DefaultFormat"), "Voice Mail 11 kHz");
    EXPECT_EQ(settings_.WaveType(), "Voice Mail 11 kHz");
    // Once in force, it is put back as the default whatever the system says.
    store_.SetValue(reg::Hive::Users, audio, "DefaultFormat", reg::Value::String("Radio"));
    store_.SetValue(reg::Hive::Users, audio, "SystemFormats", reg::Value::String(""));
    ApplyRecordingFormat(settings_, "Something Else");
    EXPECT_EQ(Raw(reg::Hive::Users, audio, "DefaultFormat"), "Voice Mail 11 kHz");
    EXPECT_EQ(settings_.WaveType(), "Voice Mail 11 kHz");
}

TEST_F(SettingsTest, RunEntryFollowsAutorunAndIsMirroredToAutostart) {
    settings_.VerifyRegistry();
    const char* run = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";
    const auto entry = reg::AutostartFolder() / "MurmelMail.desktop";
    settings_.setAutorun("1");
    ApplyRunEntry(settings_, "/home/u/.local/share/murmel");
    EXPECT_EQ(Raw(reg::Hive::LocalMachine, run, "MurmelMail"),
              "/home/u/.local/share/murmel/Murmel.exe 1");
    EXPECT_EQ(settings_.SetRunAtInitialization(), "/home/u/.local/share/murmel/Murmel.exe 1");
    const std::string desktop = ReadFile(entry);
    const std::string exec =
        "\nExec=" + QCoreApplication::applicationFilePath().toStdString() + " 1\n";
    EXPECT_NE(desktop.find(exec), std::string::npos) << desktop;

    // "0" empties the value, which stays present, and removes the entry.
    settings_.setAutorun("0");
    ApplyRunEntry(settings_, "/home/u/.local/share/murmel");
    EXPECT_EQ(Raw(reg::Hive::LocalMachine, run, "MurmelMail"), "");
    EXPECT_FALSE(std::filesystem::exists(entry));

    // Anything but "0", even empty, counts as on.
    settings_.setAutorun("");
    ApplyRunEntry(settings_, "/p");
    EXPECT_EQ(settings_.SetRunAtInitialization(), "/p/Murmel.exe 1");
    EXPECT_TRUE(std::filesystem::exists(entry));

    // A value lost to a missing Run key leaves no entry behind.
    store_.DeleteKey(reg::Hive::LocalMachine, run);
    settings_.setSetRunAtInitialization("/p/Murmel.exe 1");
    EXPECT_EQ(settings_.SetRunAtInitialization(), "");
    EXPECT_FALSE(std::filesystem::exists(entry));
    EXPECT_FALSE(store_.KeyExists(reg::Hive::LocalMachine, run));
}

TEST(AutostartCommandTest, RunValueBecomesTheRunningProgram) {
    EXPECT_EQ(AutostartCommandFor("", "/usr/bin/murmel"), "");
    EXPECT_EQ(AutostartCommandFor("  ", "/usr/bin/murmel"), "");
    EXPECT_EQ(AutostartCommandFor("/home/u/share/murmel/Murmel.exe 1", "/usr/bin/murmel"),
              "/usr/bin/murmel 1");
    EXPECT_EQ(AutostartCommandFor("/home/a b/murmel\\MURMEL.EXE  1 ", "/opt/my apps/murmel"),
              "\"/opt/my apps/murmel\" 1");
    EXPECT_EQ(AutostartCommandFor("/x/Murmel.exe", "/usr/bin/murmel"), "/usr/bin/murmel");
    EXPECT_EQ(AutostartCommandFor("/usr/local/bin/other --tray", "/usr/bin/murmel"),
              "/usr/local/bin/other --tray");
    EXPECT_EQ(RunCommandFor("/data/murmel"), "/data/murmel/Murmel.exe 1");
}

}  // namespace
}  // namespace murmel
