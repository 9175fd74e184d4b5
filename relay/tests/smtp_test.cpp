#include <gtest/gtest.h>

#include <QJsonArray>
#include <QProcess>

#include <memory>

#include "core/smtp_target.h"
#include "relay_fixture.h"

namespace murmel::relay::test {
namespace {

// aiosmtpd on loopback, with STARTTLS and AUTH required.
struct SmtpServer {
    fs::path dir = vantry::test::FreshDir("smtp");
    QProcess process;
    int port = 0;

    explicit SmtpServer(const char* mode) {
        process.start("/usr/bin/python3",
                      {QStringLiteral(RELAY_TEST_DIR "/smtp_server.py"), Q(dir), mode});
        if (process.waitForReadyRead(30000)) {
            port = process.readLine().trimmed().toInt();
        }
    }
    ~SmtpServer() {
        process.closeWriteChannel();
        if (!process.waitForFinished(10000)) {
            process.kill();
            process.waitForFinished();
        }
    }
    SmtpSettings Settings() const {
        SmtpSettings s;
        s.url = "smtp://127.0.0.1:" + std::to_string(port);
        s.requireStartTls = true;
        s.user = "relay";
        s.password = "s3cret";
        s.caFile = (dir / "cert.pem").string();
        s.timeoutSeconds = 20;
        return s;
    }
    int Stored() const {
        int n = 0;
        while (fs::exists(dir / (std::to_string(n + 1) + ".eml"))) {
            ++n;
        }
        return n;
    }
};

// A spool with a recording to queue and a worker, not started, that delivers
// to an SMTP server.
struct SmtpRelay {
    Relay relay;
    Sender sender;
    std::string zip;
    std::unique_ptr<SmtpTarget> target;
    std::unique_ptr<DeliveryWorker> worker;

    explicit SmtpRelay(const SmtpSettings& settings, const DeliveryLimits& limits = {}) {
        std::string error;
        relay.spool.Prepare(&error);
        WriteWave(sender.app / "in.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_16);
        ZipFile(Q(sender.app / "in.wav"), Q(sender.app / "in.zip"));
        zip = vantry::test::ReadFile(sender.app / "in.zip");
        target = std::make_unique<SmtpTarget>(settings, relay.spool.workDir());
        worker =
            std::make_unique<DeliveryWorker>(relay.spool, *target, relay.log, limits, "relay.test");
    }
    std::string Enqueue(const std::string& header) {
        return test::Enqueue(relay.spool, header, zip);
    }
};

const std::string kHeader =
    "To: anna@b.org, \"Bernd\" <bernd@c.org>\r\nFrom: \"M\xfcller\" <hans@x.org>\r\n"
    "Cc: cora@d.org\r\nSubject: Gr\xfc\xdf\x65\r\nDate: Sun, 06 Dec 2026 15:49 -0500\r\n"
    "X-Language: 00000407\r\n\r\nnote\r\n";

TEST(Smtp, AMessageGoesToTheSmarthostOverStartTlsWithAuthAndTheEnvelopeOfItsHeaders) {
    SmtpServer server("ok");
    ASSERT_NE(server.port, 0);
    SmtpRelay r(server.Settings());
    const std::string id = r.Enqueue(kHeader);
    EXPECT_EQ(r.worker->RunOnce(1796590200), 1) << r.relay.Dump();
    ASSERT_EQ(server.Stored(), 1);
    EXPECT_TRUE(r.relay.Logged("delivered " + id + " smtp 250 2.0.0 stored as 1"));
    const auto envelope =
        QJsonDocument::fromJson(
            QByteArray::fromStdString(vantry::test::ReadFile(server.dir / "1.json")))
            .object();
    EXPECT_EQ(envelope["from"].toString(), "hans@x.org");
    EXPECT_EQ(envelope["to"].toArray(), QJsonArray({"anna@b.org", "bernd@c.org", "cora@d.org"}));
    EXPECT_TRUE(envelope["tls"].toBool());
    EXPECT_EQ(envelope["user"].toString(), "relay");
    const QJsonObject mail = ReadMail(server.dir / "1.eml", server.dir / "att.wav");
    EXPECT_EQ(mail["Subject"].toString(), QString::fromUtf8("Grüße"));
    EXPECT_EQ(mail["From"].toString(), QString::fromUtf8("Müller <hans@x.org>"));
    EXPECT_EQ(ReadSamples(server.dir / "att.wav"), ReadSamples(r.sender.app / "in.wav"));
}

TEST(Smtp, ATemporaryRefusalIsRetriedAfterTheBackoffAndDeliveredOnce) {
    SmtpServer server("451-then-250");
    ASSERT_NE(server.port, 0);
    DeliveryLimits limits;
    limits.firstRetrySeconds = 60;
    SmtpRelay r(server.Settings(), limits);
    const std::string id = r.Enqueue(kHeader);
    const std::int64_t t0 = 1796590200;
    EXPECT_EQ(r.worker->RunOnce(t0), 0);
    EXPECT_TRUE(r.relay.Logged("deferred " + id)) << r.relay.Dump();
    EXPECT_TRUE(r.relay.Logged("451 4.3.0 try again later"));
    EXPECT_EQ(r.worker->RunOnce(t0 + 30), 0);  // not yet due
    EXPECT_EQ(server.Stored(), 0);
    EXPECT_EQ(r.worker->RunOnce(t0 + 61), 1);
    EXPECT_EQ(server.Stored(), 1);
    EXPECT_TRUE(r.relay.spool.Queued().empty());
    EXPECT_EQ(r.worker->RunOnce(t0 + 200), 0);
    EXPECT_EQ(server.Stored(), 1);
}

TEST(Smtp, APermanentRefusalMovesTheItemToFailedWithTheServersReply) {
    SmtpServer server("550");
    ASSERT_NE(server.port, 0);
    SmtpRelay r(server.Settings());
    const std::string id = r.Enqueue(kHeader);
    EXPECT_EQ(r.worker->RunOnce(1796590200), 1);
    EXPECT_EQ(r.relay.spool.Failed(), std::vector<std::string>{id});
    EXPECT_NE(vantry::test::ReadFile(r.relay.spoolDir / "failed" / (id + ".reason"))
                  .find("550 5.1.1 no such user here"),
              std::string::npos);
}

TEST(Smtp, AnUnreachableServerIsRetriedNotDropped) {
    SmtpSettings nowhere;
    nowhere.url = "smtp://127.0.0.1:1";
    SmtpRelay r(nowhere);
    const std::string id = r.Enqueue(kHeader);
    EXPECT_EQ(r.worker->RunOnce(1796590200), 0);
    EXPECT_EQ(r.relay.spool.Queued(), std::vector<std::string>{id});
    EXPECT_TRUE(r.relay.Logged("deferred " + id)) << r.relay.Dump();
}

}  // namespace
}  // namespace murmel::relay::test
