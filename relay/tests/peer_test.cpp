// Load and crash tests: bounded, on loopback, labelled peer.
#include <gtest/gtest.h>
#include <signal.h>

#include <QProcess>
#include <QTest>

#include <random>
#include <set>
#include <thread>

#include "core/delivery.h"
#include "relay_fixture.h"
#include "tests/paced_uploads.h"

namespace murmel::relay::test {
namespace {

std::size_t EnvCount(const char* name, std::size_t fallback) {
    const char* v = std::getenv(name);
    return v != nullptr && std::atoi(v) > 0 ? static_cast<std::size_t>(std::atoi(v)) : fallback;
}

std::vector<std::string> NewMessages(const fs::path& maildir) {
    std::vector<std::string> names;
    std::error_code ec;
    for (const auto& e : fs::directory_iterator(maildir / "new", ec)) {
        names.push_back(e.path().filename().string());
    }
    return names;
}

std::string AcceptedId(const std::string& answer) {
    const std::size_t at = answer.find("\r\n\r\naccepted ");
    if (!answer.starts_with("HTTP/1.1 200") || at == std::string::npos) {
        return {};
    }
    const std::string rest = answer.substr(at + 13);
    return rest.substr(0, rest.find("\r\n"));
}

TEST(Load, AThousandPacedUploadsAtOnceAreAllDeliveredExactlyOnce) {
    const std::size_t uploads = EnvCount("RELAY_LOAD_UPLOADS", 1000);
    Relay relay;
    Maildir maildir(vantry::test::FreshDir("Maildir"));
    std::string error;
    ASSERT_TRUE(maildir.Prepare(&error));
    MaildirTarget target(maildir);
    DeliveryWorker worker(relay.spool, target, relay.log, {}, "relay.test");
    relay.onQueued = [&worker] { worker.Wake(); };
    worker.Start();
    ASSERT_TRUE(relay.Start());

    Sender sender;
    ASSERT_FALSE(
        sender.Compose("a@b.org", "", "load", 0, SF_FORMAT_WAV | SF_FORMAT_PCM_16, 53000).empty());
    const std::string item = sender.OutboxItem();
    ASSERT_GT(item.size(), 100000u);

    const auto outcomes =
        PacedUploads(relay.server->port(), item, uploads, std::chrono::milliseconds(250));
    std::set<std::string> ids;
    for (const UploadOutcome& o : outcomes) {
        ids.insert(AcceptedId(o.answer));
    }
    ids.erase("");
    EXPECT_EQ(ids.size(), uploads) << relay.Dump().substr(0, 2000);
    EXPECT_TRUE(
        QTest::qWaitFor([&] { return NewMessages(maildir.root()).size() >= ids.size(); }, 600000));
    worker.Stop();
    const auto delivered = NewMessages(maildir.root());
    EXPECT_EQ(delivered.size(), ids.size());
    for (const std::string& name : delivered) {
        EXPECT_EQ(ids.count(name.substr(name.find('.') + 1,
                                        name.rfind(".relay.test") - name.find('.') - 1)),
                  1u)
            << name;
    }
    EXPECT_TRUE(relay.spool.Queued().empty());
    EXPECT_TRUE(relay.spool.Failed().empty());
}

// The relay program on a fixed spool, Maildir and port, started and killed at will.
struct RelayProcess {
    fs::path dir = vantry::test::FreshDir("relay");
    std::uint16_t port = 0;
    std::unique_ptr<QProcess> process;

    RelayProcess() {
        const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
        socklen_t len = sizeof addr;
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len);
        port = ntohs(addr.sin_port);
        ::close(fd);
    }
    bool Start() {
        process = std::make_unique<QProcess>();
        process->setProgram(
            QString::fromStdString((vantry::test::BinaryDir() / "bin" / "murmel-relay").string()));
        process->setArguments({"--listen", QStringLiteral("127.0.0.1:%1").arg(port), "--spool",
                               Q(dir / "spool"), "--maildir", Q(dir / "Maildir"),
                               "--uploads-per-minute", "0", "--retry-first-seconds", "1"});
        process->setProcessChannelMode(QProcess::MergedChannels);
        process->start();
        QByteArray output;
        return QTest::qWaitFor(
                   [&] {
                       output += process->readAll();
                       return output.contains(" listening ") ||
                              process->state() == QProcess::NotRunning;
                   },
                   20000) &&
               output.contains(" listening ");
    }
    void Kill() {
        process->kill();  // SIGKILL: no chance to tidy up
        process->waitForFinished(10000);
    }
    void Stop() {
        process->terminate();
        process->waitForFinished(20000);
    }
    bool QueueEmpty() const { return fs::is_empty(dir / "spool" / "queue"); }
};

TEST(Crash, KilledAtRandomDuringUploadsNoAnsweredUploadIsLostOrDoubled) {
    const std::size_t total = EnvCount("RELAY_CRASH_UPLOADS", 200);
    RelayProcess relay;
    ASSERT_TRUE(relay.Start());
    Sender sender;
    // Five chunks per upload, so a kill often lands in the middle of one.
    ASSERT_FALSE(
        sender.Compose("a@b.org", "", "crash", 0, SF_FORMAT_WAV | SF_FORMAT_PCM_16, 20000).empty());
    const std::string item = sender.OutboxItem();

    std::mt19937 random(20261207);
    std::set<std::string> answered;
    int kills = 0;
    while (answered.size() < total) {
        const std::size_t batch = std::min<std::size_t>(40, total - answered.size());
        std::vector<UploadOutcome> outcomes;
        std::thread client([&] {
            outcomes = PacedUploads(relay.port, item, batch, std::chrono::milliseconds(50));
        });
        const bool kill = kills < 5;
        if (kill) {
            // A random moment inside the batch: while it is read, spooled or delivered.
            std::this_thread::sleep_for(std::chrono::milliseconds(random() % 400));
            relay.Kill();
            ++kills;
        }
        client.join();
        for (const UploadOutcome& o : outcomes) {
            const std::string id = AcceptedId(o.answer);
            if (!id.empty()) {
                EXPECT_TRUE(answered.insert(id).second) << id;
            }
        }
        if (kill) {
            ASSERT_TRUE(relay.Start());
        }
    }
    EXPECT_TRUE(QTest::qWaitFor([&] { return relay.QueueEmpty(); }, 120000));
    relay.Stop();

    std::map<std::string, int> deliveries;
    for (const std::string& name : NewMessages(relay.dir / "Maildir")) {
        const std::string message = vantry::test::ReadFile(relay.dir / "Maildir" / "new" / name);
        EXPECT_NE(message.find("--\n", message.size() - 4), std::string::npos)
            << name << " is cut short";
        for (const std::string& id : answered) {
            if (name.find("." + id + ".") != std::string::npos) {
                ++deliveries[id];
            }
        }
    }
    for (const std::string& id : answered) {
        EXPECT_EQ(deliveries[id], 1) << id;
    }
    EXPECT_TRUE(fs::is_empty(relay.dir / "spool" / "failed"));
}

}  // namespace
}  // namespace murmel::relay::test
