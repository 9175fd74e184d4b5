#include <gtest/gtest.h>

#include <sys/stat.h>

#include <QProcess>

#include "core/config.h"
#include "test_env.h"

namespace murmel::relay {
namespace {

namespace fs = std::filesystem;

ConfigResult Load(std::vector<const char*> args) {
    args.insert(args.begin(), "murmel-relay");
    return LoadConfig(static_cast<int>(args.size()), args.data(), "/shipped/ads");
}

TEST(Config, DefaultsListenOnLoopbackAndLiveUnderXdgDataHome) {
    const auto r = Load({});
    EXPECT_TRUE(r.errors.empty());
    EXPECT_EQ(r.config.listen, "127.0.0.1:8025");
    const std::string data = std::getenv("XDG_DATA_HOME");
    EXPECT_EQ(r.config.maildir, data + "/murmel-relay/Maildir");
    EXPECT_EQ(r.config.spool, data + "/murmel-relay/spool");
    EXPECT_EQ(r.config.ads, "/shipped/ads");
}

TEST(Config, FlagsOverrideTheIniFileWhichOverridesDefaults) {
    const fs::path ini = vantry::test::FreshDir("cfg") / "relay.ini";
    vantry::test::WriteFile(
        ini,
        "[relay]\nlisten=0.0.0.0:9000\nmax-recipients=5\nsmtp-url=smtp://mx:25\n"
        "smtp-password=secret\n");
    ::chmod(ini.c_str(), 0600);
    const auto r = Load({"--config", ini.c_str(), "--listen", "127.0.0.1:9001"});
    EXPECT_TRUE(r.errors.empty());
    EXPECT_EQ(r.config.listen, "127.0.0.1:9001");
    EXPECT_EQ(r.config.limits.maxRecipients, 5u);
    EXPECT_EQ(r.config.smtpPassword, "secret");
    EXPECT_TRUE(ValidateConfig(r.config).empty());
}

TEST(Config, BadValuesUnknownFlagsAndAPasswordOnTheCommandLineAreErrors) {
    const auto r = Load({"--max-recipients", "many", "--bogus", "1", "--smtp-password", "pw"});
    EXPECT_EQ(r.errors.size(), 3u);
    EXPECT_TRUE(r.config.smtpPassword.empty());
}

TEST(Config, CheckFindsBadAddressesAndAPasswordOthersCanRead) {
    const fs::path ini = vantry::test::FreshDir("cfg") / "relay.ini";
    vantry::test::WriteFile(ini,
                            "[relay]\nsmtp-password=secret\nsmtp-url=http://mx\n"
                            "allow=10.0.0.0/8, nonsense\nlisten=localhost\n");
    ::chmod(ini.c_str(), 0644);
    const auto r = Load({"--config", ini.c_str()});
    EXPECT_EQ(ValidateConfig(r.config).size(), 4u);
}

TEST(Config, TheProgramChecksItsConfigAndListsItsSpool) {
    const fs::path dir = vantry::test::FreshDir("relay");
    const QString program =
        QString::fromStdString((vantry::test::BinaryDir() / "bin" / "murmel-relay").string());
    QProcess check;
    check.start(program, {"--check-config", "--allow", "nonsense"});
    ASSERT_TRUE(check.waitForFinished(10000));
    EXPECT_EQ(check.exitCode(), 1);
    EXPECT_TRUE(check.readAllStandardError().contains("not a network: nonsense"));

    vantry::test::WriteFile(dir / "spool" / "failed" / "20261206000000-aa", "x");
    vantry::test::WriteFile(dir / "spool" / "failed" / "20261206000000-aa.reason",
                            "550 no such user\n");
    vantry::test::WriteFile(dir / "spool" / "delivered.log", "t 20261205000000-bb maildir x\n");
    QProcess list;
    list.start(program, {"--list", "--spool", QString::fromStdString((dir / "spool").string())});
    ASSERT_TRUE(list.waitForFinished(10000));
    EXPECT_EQ(list.exitCode(), 0);
    EXPECT_EQ(list.readAllStandardOutput().toStdString(),
              "queued: 0\nfailed: 1\n  20261206000000-aa  550 no such user\n"
              "last deliveries:\n  t 20261205000000-bb maildir x\n");
}

}  // namespace
}  // namespace murmel::relay
