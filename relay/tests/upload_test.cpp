#include <gtest/gtest.h>

#include <zip.h>

#include <QTest>

#include <atomic>

#include "core/gate.h"
#include "relay_fixture.h"
#include "tests/exchange.h"

namespace murmel::relay::test {
namespace {

std::string ReadAll(const fs::path& p) {
    return vantry::test::ReadFile(p);
}

// A request laid out like Murmel's, from parts the test chooses (some of them broken).
std::string Request(const std::string& header, const std::string& archive, long lengthAdjust = 0,
                    bool withLength = true) {
    const std::string body =
        "--------MurmelPost\r\n"
        "Content-Disposition: form-data; name=\"header\"; "
        "filename=\"header.txt\"\r\nContent-Type: text/plain\r\n\r\n" +
        header +
        "\r\n--------MurmelPost\r\n"
        "Content-Disposition: form-data; name=\"body\"; "
        "filename=\"in.zip\"\r\n"
        "Content-Type: application/x-zip-compressed\r\n\r\n" +
        archive + "\r\n\r\n--------MurmelPost--\r\n";
    std::string head =
        "POST /post/ HTTP/1.0\r\nUser-Agent: MurmelMail Client\r\n"
        "Content-Type: multipart/form-data; boundary=------MurmelPost\r\n";
    if (withLength) {
        head += "Content-Length: " + std::to_string(static_cast<long>(body.size()) + lengthAdjust) +
                "\r\n";
    }
    return head + "\r\n" + body;
}

const std::string kHeader =
    "To: a@b.org\r\nFrom: me@x.org\r\nSubject: s\r\nX-Language: 00000409\r\n\r\nnote\r\n";

// A zip with the given (name, content) entries.
std::string Zip(const fs::path& dir,
                const std::vector<std::pair<std::string, std::string>>& files) {
    const fs::path path = dir / "made.zip";
    fs::remove(path);
    int err = 0;
    zip_t* z = zip_open(path.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &err);
    for (const auto& [name, content] : files) {
        zip_source_t* src = zip_source_buffer(z, content.data(), content.size(), 0);
        zip_file_add(z, name.c_str(), src, ZIP_FL_OVERWRITE);
    }
    zip_close(z);
    return ReadAll(path);
}

TEST(Upload, MurmelsItemArrivesInTheSpoolWithHeaderPartAndArchiveIntact) {
    Relay relay;
    ASSERT_TRUE(relay.Start());
    Sender sender;
    ASSERT_FALSE(sender.Compose("a@b.org, c@d.org", "", "Hello").empty());
    const std::string zip = ReadAll(sender.app / "in.zip");

    const QStringList errors = sender.Upload(relay.ConnectTo());
    EXPECT_TRUE(errors.isEmpty()) << errors.join('\n').toStdString();
    EXPECT_TRUE(fs::is_empty(sender.app / "Outbox"));
    // The window is done once the kernel took the last byte; the relay may still be at work.
    EXPECT_TRUE(QTest::qWaitFor([&relay] { return relay.Logged(" spooled "); }, 10000))
        << relay.Dump();

    const auto queued = relay.spool.Queued();
    ASSERT_EQ(queued.size(), 1u);
    std::string error;
    const auto item = relay.spool.Load(queued[0], &error);
    ASSERT_TRUE(item) << error;
    EXPECT_TRUE(
        item->header.starts_with("To: a@b.org, c@d.org\r\nFrom: \"Hans\" <hans@x.org>\r\n"));
    EXPECT_TRUE(item->header.ends_with("\r\n\r\nListen to this.\r\n"));
    EXPECT_EQ(item->client, "127.0.0.1");
    const std::string file = ReadAll(item->path);
    EXPECT_TRUE(file.substr(item->archiveOffset) == zip)
        << file.size() - item->archiveOffset << " bytes stored, " << zip.size() << " sent";
    EXPECT_TRUE(relay.Logged("spooled " + queued[0]));
    EXPECT_TRUE(fs::is_empty(relay.spoolDir / "tmp"));
}

TEST(Upload, EveryItemOfTheOutboxBecomesItsOwnSpoolItem) {
    Relay relay;
    std::atomic<int> queuedCalls = 0;
    relay.onQueued = [&queuedCalls] { ++queuedCalls; };
    ASSERT_TRUE(relay.Start());
    Sender sender;
    ASSERT_FALSE(sender.Compose("a@b.org", "", "one").empty());
    ASSERT_FALSE(sender.Compose("c@d.org", "e@f.org", "two").empty());
    EXPECT_TRUE(sender.Upload(relay.ConnectTo()).isEmpty());
    EXPECT_TRUE(QTest::qWaitFor([&queuedCalls] { return queuedCalls == 2; }, 10000))
        << relay.Dump();
    EXPECT_EQ(relay.spool.Queued().size(), 2u);
}

TEST(Upload, RefusesBrokenRequestsWithAFourHundredAndStoresNothing) {
    Relay relay;
    relay.limits.maxWaveBytes = 20000;
    relay.limits.maxRequestBytes = 100000;
    ASSERT_TRUE(relay.Start());
    const fs::path dir = vantry::test::FreshDir("zips");
    const std::string wave(1000, 'w');
    const std::string good = Zip(dir, {{"in.wav", wave}});
    struct Case {
        const char* name;
        std::string request;
        const char* status;
    };
    const Case cases[] = {
        {"CR in a header value",
         Request("To: a@b.org\rBcc: x@y.org\r\nFrom: me@x.org\r\n\r\nn\r\n", good), "400"},
        {"NUL in a header value",
         Request(std::string("To: a@b.org\0\r\nFrom: me@x.org\r\n\r\nn\r\n", 36), good), "400"},
        {"no From", Request("To: a@b.org\r\n\r\nn\r\n", good), "400"},
        {"two entries", Request(kHeader, Zip(dir, {{"in.wav", wave}, {"x.wav", wave}})), "400"},
        {"no wave entry", Request(kHeader, Zip(dir, {{"in.txt", wave}})), "400"},
        {"zip bomb", Request(kHeader, Zip(dir, {{"in.wav", std::string(30000, '\0')}})), "400"},
        {"not a zip", Request(kHeader, "PK nothing"), "400"},
        {"length shorter than the body", Request(kHeader, good, -30), "400"},
        {"no length", Request(kHeader, good, 0, false), "411"},
        {"too large", Request(kHeader, good + std::string(100000, 'x')), "413"},
        {"not multipart",
         "POST /post/ HTTP/1.0\r\nContent-Type: text/plain\r\n"
         "Content-Length: 4\r\n\r\nabcd",
         "415"},
        {"other path", "GET /etc/passwd HTTP/1.0\r\n\r\n", "404"},
    };
    for (const Case& c : cases) {
        const std::string answer = Exchange(relay.server->port(), c.request);
        EXPECT_EQ(answer.substr(0, 12), std::string("HTTP/1.1 ") + c.status) << c.name << "\n"
                                                                             << answer;
    }
    EXPECT_TRUE(relay.spool.Queued().empty());
    EXPECT_TRUE(relay.Logged("refused - client=127.0.0.1 status=400 reason=header line holds CR"));

    // The same layout with nothing broken is taken.
    EXPECT_EQ(Exchange(relay.server->port(), Request(kHeader, good)).substr(0, 12), "HTTP/1.1 200");
    EXPECT_EQ(relay.spool.Queued().size(), 1u);
}

TEST(Upload, AClientThatPromisesMoreThanItSendsLeavesNothingBehind) {
    Relay relay;
    relay.limits.timeoutSeconds = 1;  // the server cannot tell a closed sender from a slow one
    ASSERT_TRUE(relay.Start());
    const fs::path dir = vantry::test::FreshDir("zips");
    const std::string request =
        Request(kHeader, Zip(dir, {{"in.wav", std::string(1000, 'w')}}), +500);
    Exchange(relay.server->port(), request, false);
    EXPECT_TRUE(QTest::qWaitFor(
        [&relay] { return relay.Logged("connection ended before the upload was complete"); },
        10000));
    EXPECT_TRUE(relay.spool.Queued().empty());
    EXPECT_TRUE(fs::is_empty(relay.spoolDir / "tmp"));
}

TEST(Upload, ClientsTheGateRefusesGetAFourHundredAndAreLogged) {
    Relay relay;
    NetworkGate gate(ParseNetworks("10.0.0.0/8", nullptr), {}, {}, 0, 1);
    relay.gate = &gate;
    ASSERT_TRUE(relay.Start());
    EXPECT_TRUE(Exchange(relay.server->port(), Request(kHeader, "PK")).starts_with("HTTP/1.1 403"));
    EXPECT_TRUE(relay.Logged("refused - client=127.0.0.1 status=403 reason=client network not"));
}

TEST(Spool, PrepareDropsUploadsThatWereNeverAnswered) {
    const fs::path root = vantry::test::FreshDir("spool");
    vantry::test::WriteFile(root / "tmp" / "20261206000000-abc", "half an upload");
    vantry::test::WriteFile(root / "queue" / "20261206000000-def", "kept");
    Spool spool(root);
    std::string error;
    ASSERT_TRUE(spool.Prepare(&error)) << error;
    EXPECT_TRUE(fs::is_empty(root / "tmp"));
    EXPECT_EQ(spool.Queued(), std::vector<std::string>{"20261206000000-def"});
    EXPECT_FALSE(spool.Load("../../etc/passwd", &error));
    EXPECT_FALSE(spool.Load("20261206000000-def", &error));  // not an item file
}

}  // namespace
}  // namespace murmel::relay::test
