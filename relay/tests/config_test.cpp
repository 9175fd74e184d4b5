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

TEST(Config, EveryKeyLandsInItsOwnSetting) {
    const fs::path ini = vantry::test::FreshDir("cfg") / "relay.ini";
    vantry::test::WriteFile(ini,
                            "[relay]\nlisten=0.0.0.0:1\nspool=/s\nmaildir=/m\nads=/a\n"
                            "allow=10.0.0.0/8\nsender-domains=s.org\nrecipient-domains=r.org\n"
                            "uploads-per-minute=3\nupload-burst=4\nmax-request-bytes=5\n"
                            "max-header-bytes=6\nmax-recipients=7\nmax-wave-bytes=8\n"
                            "attachment=opus\nthreads=9\nconnection-limit=10\ntimeout=11\n"
                            "retry-first-seconds=12\nretry-max-seconds=13\ngive-up-seconds=14\n"
                            "smtp-url=smtp://mx:25\nsmtp-starttls=yes\nsmtp-user=u\n"
                            "smtp-password=p\nsmtp-ca-file=/ca.pem\nsmtp-helo=h.org\n");
    const auto r = Load({"--config", ini.c_str()});
    EXPECT_TRUE(r.errors.empty());
    const RelayConfig& c = r.config;
    EXPECT_EQ(c.listen, "0.0.0.0:1");
    EXPECT_EQ(c.spool, "/s");
    EXPECT_EQ(c.maildir, "/m");
    EXPECT_EQ(c.ads, "/a");
    EXPECT_EQ(c.allow, "10.0.0.0/8");
    EXPECT_EQ(c.senderDomains, "s.org");
    EXPECT_EQ(c.recipientDomains, "r.org");
    EXPECT_EQ(c.uploadsPerMinute, 3u);
    EXPECT_EQ(c.uploadBurst, 4u);
    EXPECT_EQ(c.limits.maxRequestBytes, 5u);
    EXPECT_EQ(c.limits.maxHeaderBytes, 6u);
    EXPECT_EQ(c.limits.maxRecipients, 7u);
    EXPECT_EQ(c.limits.maxWaveBytes, 8u);
    EXPECT_EQ(c.delivery.maxWaveBytes, 8u);
    EXPECT_EQ(c.delivery.attachment, SoundFormat::Opus);
    EXPECT_EQ(c.limits.threads, 9u);
    EXPECT_EQ(c.limits.connectionLimit, 10u);
    EXPECT_EQ(c.limits.timeoutSeconds, 11u);
    EXPECT_EQ(c.delivery.firstRetrySeconds, 12);
    EXPECT_EQ(c.delivery.maxRetrySeconds, 13);
    EXPECT_EQ(c.delivery.giveUpSeconds, 14);
    EXPECT_EQ(c.smtpUrl, "smtp://mx:25");
    EXPECT_TRUE(c.smtpStartTls);
    EXPECT_EQ(c.smtpUser, "u");
    EXPECT_EQ(c.smtpPassword, "p");
    EXPECT_EQ(c.smtpCaFile, "/ca.pem");
    EXPECT_EQ(c.smtpHelo, "h.org");
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
