#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTest>

#include "core/delivery.h"
#include "relay_fixture.h"

namespace murmel::relay::test {
namespace {

std::vector<fs::path> Messages(const fs::path& maildir) {
    std::vector<fs::path> found;
    std::error_code ec;
    for (const auto& e : fs::directory_iterator(maildir / "new", ec)) {
        found.push_back(e.path());
    }
    return found;
}

// A relay with its delivery worker writing into a Maildir.
struct DeliveringRelay : Relay {
    Maildir maildir{vantry::test::FreshDir("Maildir")};
    MaildirTarget target{maildir};
    DeliveryLimits delivery;
    std::unique_ptr<DeliveryWorker> worker;

    bool StartAll() {
        if (!MakeWorker()) {
            return false;
        }
        onQueued = [this] { worker->Wake(); };
        worker->Start();
        return Start();
    }
    // The relay with a worker that runs only the rounds the test asks for.
    bool StartWithIdleWorker() { return MakeWorker() && Start(); }
    bool WaitForMessages(std::size_t n) {
        return QTest::qWaitFor([this, n] { return Messages(maildir.root()).size() == n; }, 20000);
    }

private:
    bool MakeWorker() {
        std::string error;
        if (!maildir.Prepare(&error)) {
            return false;
        }
        worker = std::make_unique<DeliveryWorker>(spool, target, log, delivery, "relay.test");
        return true;
    }
};

// Zips the sender's in.wav and queues it behind a minimal header part, as an
// upload would; empty when it cannot be zipped.
std::string EnqueueRecording(Spool& spool, const Sender& sender) {
    if (ZipFile(Q(sender.app / "in.wav"), Q(sender.app / "in.zip")) != kZipOk) {
        return {};
    }
    return Enqueue(spool, "To: a@b.org\r\nFrom: me@x.org\r\n\r\nn\r\n",
                   vantry::test::ReadFile(sender.app / "in.zip"));
}

TEST(Delivery, MurmelsMessageBecomesAMailWithNonAsciiHeadersAndTheRecordingAttached) {
    DeliveringRelay relay;
    ASSERT_TRUE(relay.StartAll());
    Sender sender;
    sender.settings.myName = QString::fromUtf8("Müller, Jürgen");
    sender.settings.myOrganization = QString::fromUtf8("Bäckerei Köln");
    sender.settings.userLanguage = "00000407";
    sender.settings.myNote = QString::fromUtf8("Grüße\r\nzweite Zeile");
    ASSERT_FALSE(
        sender
            .Compose("anna@b.org, bernd@c.org", "cora@d.org", QString::fromUtf8("Größe ändern"), 1)
            .empty());
    const auto recorded = ReadSamples(sender.app / "in.wav");
    ASSERT_TRUE(sender.Upload(relay.ConnectTo()).isEmpty());
    ASSERT_TRUE(relay.WaitForMessages(1)) << relay.Dump();

    const fs::path attachment = vantry::test::FreshDir("att") / "att.wav";
    const QJsonObject mail = ReadMail(Messages(relay.maildir.root())[0], attachment);
    EXPECT_EQ(mail["From"].toString(), QString::fromUtf8("\"Müller, Jürgen\" <hans@x.org>"));
    EXPECT_EQ(mail["To"].toString(), "anna@b.org, bernd@c.org");
    EXPECT_EQ(mail["Cc"].toString(), "cora@d.org");
    EXPECT_EQ(mail["Subject"].toString(), QString::fromUtf8("Größe ändern"));
    EXPECT_EQ(mail["Organization"].toString(), QString::fromUtf8("Bäckerei Köln"));
    EXPECT_EQ(mail["Disposition-Notification-To"].toString(), "hans@x.org");
    EXPECT_EQ(mail["Date"].toString(), "Sun, 06 Dec 2026 15:49:00 -0500");
    EXPECT_TRUE(mail["defects"].toArray().isEmpty()) << QJsonDocument(mail).toJson().toStdString();
    const QJsonArray parts = mail["parts"].toArray();
    ASSERT_EQ(parts.size(), 2);
    EXPECT_EQ(parts[0].toObject()["type"].toString(), "text/plain");
    EXPECT_EQ(parts[0].toObject()["text"].toString().trimmed(),
              QString::fromUtf8("Grüße\nzweite Zeile"));
    EXPECT_EQ(parts[1].toObject()["type"].toString(), "audio/wav");
    EXPECT_EQ(parts[1].toObject()["filename"].toString(), "voice-message-2026-12-06-1549.wav");
    EXPECT_EQ(ReadSamples(attachment), recorded);  // PCM in, PCM out: the same bytes
    EXPECT_TRUE(relay.spool.Queued().empty());
    EXPECT_TRUE(relay.Logged(" delivered "));
}

TEST(Delivery, EveryCodecLibsndfileReadsArrivesAsTheSameSamplesIn16BitPcm) {
    DeliveringRelay relay;
    ASSERT_TRUE(relay.StartAll());
    const int formats[] = {SF_FORMAT_WAV | SF_FORMAT_GSM610, SF_FORMAT_WAV | SF_FORMAT_IMA_ADPCM,
                           SF_FORMAT_WAV | SF_FORMAT_MS_ADPCM, SF_FORMAT_WAV | SF_FORMAT_ULAW,
                           SF_FORMAT_WAV | SF_FORMAT_PCM_U8};
    std::size_t expected = 0;
    for (int format : formats) {
        Sender sender;
        ASSERT_FALSE(sender.Compose("a@b.org", "", "codec", 0, format).empty()) << format;
        const auto decoded = ReadSamples(sender.app / "in.wav");
        ASSERT_TRUE(sender.Upload(relay.ConnectTo()).isEmpty());
        ASSERT_TRUE(relay.WaitForMessages(++expected)) << relay.Dump();
        const fs::path attachment = vantry::test::FreshDir("att") / "att.wav";
        fs::path newest;
        for (const fs::path& m : Messages(relay.maildir.root())) {
            if (newest.empty() || fs::last_write_time(m) >= fs::last_write_time(newest)) {
                newest = m;
            }
        }
        ReadMail(newest, attachment);
        SF_INFO info{};
        SNDFILE* f = sf_open(attachment.c_str(), SFM_READ, &info);
        ASSERT_NE(f, nullptr);
        sf_close(f);
        EXPECT_EQ(info.format, SF_FORMAT_WAV | SF_FORMAT_PCM_16) << format;
        EXPECT_EQ(ReadSamples(attachment), decoded) << format;
        // Same second for all messages: tell them apart by deleting the one read.
        fs::rename(newest, relay.maildir.root() / "cur" / newest.filename());
        --expected;
    }
}

TEST(Delivery, OpusIsAttachedWhenConfiguredAndWaveWhereOpusCannotTakeTheRate) {
    DeliveringRelay relay;
    relay.delivery.attachment = SoundFormat::Opus;
    ASSERT_TRUE(relay.StartAll());
    Sender sender;
    ASSERT_FALSE(
        sender.Compose("a@b.org", "", "opus", 0, SF_FORMAT_WAV | SF_FORMAT_GSM610, 16000).empty());
    ASSERT_TRUE(sender.Upload(relay.ConnectTo()).isEmpty());
    ASSERT_TRUE(relay.WaitForMessages(1)) << relay.Dump();
    const fs::path attachment = vantry::test::FreshDir("att") / "att.opus";
    const QJsonObject mail = ReadMail(Messages(relay.maildir.root())[0], attachment);
    const QJsonObject part = mail["parts"].toArray()[1].toObject();
    EXPECT_EQ(part["type"].toString(), "audio/ogg");
    EXPECT_TRUE(part["filename"].toString().endsWith(".opus"));
    SF_INFO info{};
    SNDFILE* f = sf_open(attachment.c_str(), SFM_READ, &info);
    ASSERT_NE(f, nullptr);
    sf_close(f);
    EXPECT_EQ(info.format, SF_FORMAT_OGG | SF_FORMAT_OPUS);
    EXPECT_EQ(info.samplerate, 8000);
    EXPECT_NEAR(static_cast<double>(info.frames), 16000.0, 400.0);

    // 11025 Hz is no Opus rate: the mail still carries the recording, as WAV.
    const fs::path dir = vantry::test::FreshDir("rate");
    WriteWave(dir / "in.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_16, 4000, 11025);
    SoundFormat written = SoundFormat::Opus;
    std::string error;
    ASSERT_TRUE(TranscodeRecording(dir / "in.wav", dir / "out", SoundFormat::Opus, 1 << 20,
                                   &written, &error))
        << error;
    EXPECT_EQ(written, SoundFormat::Wave);
    EXPECT_EQ(ReadSamples(dir / "out"), ReadSamples(dir / "in.wav"));
}

TEST(Delivery, AnItemThatCannotBecomeMailMovesToFailedWithItsReason) {
    DeliveringRelay relay;
    ASSERT_TRUE(relay.StartWithIdleWorker());
    Sender sender;
    vantry::test::WriteFile(sender.app / "in.wav", "RIFF but no sound at all");
    const std::string id = EnqueueRecording(relay.spool, sender);
    ASSERT_FALSE(id.empty());

    EXPECT_EQ(relay.worker->RunOnce(1796590200), 1);
    EXPECT_TRUE(relay.spool.Queued().empty());
    EXPECT_EQ(relay.spool.Failed(), std::vector<std::string>{id});
    EXPECT_NE(
        vantry::test::ReadFile(relay.spoolDir / "failed" / (id + ".reason")).find("recording"),
        std::string::npos);
    EXPECT_TRUE(relay.Logged("failed " + id + " recording"));
    EXPECT_TRUE(Messages(relay.maildir.root()).empty());
}

TEST(Delivery, AnItemDeliveredJustBeforeACrashIsNotDeliveredTwice) {
    DeliveringRelay relay;
    ASSERT_TRUE(relay.StartWithIdleWorker());
    Sender sender;
    WriteWave(sender.app / "in.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_16);
    const std::string id = EnqueueRecording(relay.spool, sender);
    ASSERT_FALSE(id.empty());
    const fs::path saved = vantry::test::FreshDir("saved") / id;
    fs::copy_file(relay.spool.queueDir() / id, saved);

    EXPECT_EQ(relay.worker->RunOnce(1796590200), 1);
    ASSERT_EQ(Messages(relay.maildir.root()).size(), 1u);
    // The reader has seen it; then the item is back, as if the removal never happened.
    const fs::path seen = Messages(relay.maildir.root())[0];
    fs::rename(seen, relay.maildir.root() / "cur" / (seen.filename().string() + ":2,S"));
    fs::copy_file(saved, relay.spool.queueDir() / id);
    EXPECT_EQ(relay.worker->RunOnce(1796590300), 1);
    EXPECT_TRUE(Messages(relay.maildir.root()).empty());
    EXPECT_TRUE(relay.spool.Queued().empty());
    EXPECT_TRUE(relay.Logged("delivered " + id + " maildir (already there)"));
}

}  // namespace
}  // namespace murmel::relay::test
