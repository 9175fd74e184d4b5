#include <gtest/gtest.h>

#include <utime.h>

#include <QPointer>
#include <QTest>

#include "ads/ad_list.h"
#include "ads/frm_ads.h"
#include "core/ad_folder.h"
#include "core/http_date.h"
#include "relay_fixture.h"
#include "tests/exchange.h"

namespace murmel::relay::test {
namespace {

constexpr std::int64_t kListTime = 1796590140;  // Sun, 06 Dec 2026 20:49:00 GMT

// What Murmel's ad window makes of an answer: the status line, the
// Last-Modified text from the 15th character on, and the lines between
// <BODY> CR LF and </BODY>.
struct AdAnswer {
    std::string status;
    std::string lastModified;
    std::vector<std::string> lines;
};

AdAnswer AsMurmelReadsIt(const std::string& raw) {
    AdAnswer a;
    std::string buffer;
    std::size_t pos = 0;
    while (pos < raw.size()) {
        std::size_t end = raw.find("\r\n", pos);
        end = end == std::string::npos ? raw.size() : end + 2;
        const std::string line = raw.substr(pos, end - pos);
        pos = end;
        if (a.status.empty()) {
            a.status = line.substr(0, 12);
        }
        if (line.starts_with("Last-Modified:")) {
            std::string text = line.substr(14);
            text.erase(0, text.find_first_not_of(' '));
            a.lastModified = text.substr(0, text.size() - 2);
        }
        buffer += line;
    }
    const std::size_t open = buffer.find("<BODY>");
    if (open == std::string::npos) {
        return a;
    }
    buffer = buffer.substr(open + 6);
    if (buffer.starts_with("\r\n")) {
        buffer.erase(0, 2);
    }
    buffer = buffer.substr(0, buffer.find("</BODY>"));
    for (std::size_t p = 0; p < buffer.size();) {
        const std::size_t end = buffer.find("\r\n", p);
        const std::string piece = buffer.substr(p, end - p);
        if (piece.empty()) {
            break;
        }
        a.lines.push_back(piece);
        p = end == std::string::npos ? buffer.size() : end + 2;
    }
    return a;
}

std::string AdsRequest(const std::string& since) {
    return "GET /ads/ HTTP/1.0\r\nIf-Modified-Since: " + since + "\r\n\r\n";
}

struct AdRelay : Relay {
    fs::path folder = vantry::test::FreshDir("ads");
    std::unique_ptr<AdFolder> adFolder;

    void List(const std::string& text) {
        vantry::test::WriteFile(folder / "ads.txt", text);
        const utimbuf times{static_cast<time_t>(kListTime), static_cast<time_t>(kListTime)};
        ::utime((folder / "ads.txt").c_str(), &times);
    }
    bool StartAds() {
        adFolder = std::make_unique<AdFolder>(folder);
        ads = adFolder.get();
        return Start();
    }
    std::string Get(const std::string& request) { return Exchange(server->port(), request); }
};

TEST(Ads, AnOlderListGetsTheLinesWrappedInBodyThenTheStoredDateGets304) {
    AdRelay relay;
    relay.List(
        "a0000\t10\t0\ta0000.gif\thttps://example.org/\tMurmel\r\n"
        "\r\n"
        "a0001\t5\t3\ta0001.gif\thttp://example.org/x\tSecond ad\n"
        "bad1\t5\t3\t../etc/passwd\thttp://example.org/\tescape\r\n"
        "bad2\t99\t3\tb.gif\thttp://example.org/\ttoo long\r\n"
        "bad3\t5\t3\tb.gif\tjavascript:alert(1)\tscript\r\n");
    ASSERT_TRUE(relay.StartAds());

    // Murmel's own date format on its first request, an hour before the list changed.
    const AdAnswer first = AsMurmelReadsIt(relay.Get(AdsRequest("Sun, 06 Dec 2026 14:49 -0500")));
    EXPECT_EQ(first.status, "HTTP/1.1 200");
    EXPECT_EQ(first.lastModified, "Sun, 06 Dec 2026 20:49:00 GMT");
    EXPECT_EQ(first.lines, (std::vector<std::string>{
                               "a0000\t10\t0\ta0000.gif\thttps://example.org/\tMurmel",
                               "a0001\t5\t3\ta0001.gif\thttp://example.org/x\tSecond ad"}));
    EXPECT_TRUE(relay.Logged("line left out: bad1: GifUrl is not a plain file name"));

    // Then the Last-Modified text it stored, and its own format at the same minute.
    EXPECT_EQ(AsMurmelReadsIt(relay.Get(AdsRequest(first.lastModified))).status, "HTTP/1.1 304");
    EXPECT_EQ(AsMurmelReadsIt(relay.Get(AdsRequest("Sun, 06 Dec 2026 15:49 -0500"))).status,
              "HTTP/1.1 304");
    // An unreadable date gets the list.
    EXPECT_EQ(AsMurmelReadsIt(relay.Get(AdsRequest("yesterday"))).status, "HTTP/1.1 200");
}

// Murmel's own ad window, as the main window drives it.
struct AdWindowHost : murmel::AdsHost {
    QString ConnectTo() const override { return connectTo; }
    QString LastAdUpdate() const override { return lastAdUpdate; }
    void SetLastAdUpdate(const QString& value) override { lastAdUpdate = value; }
    void m_EndCurrentAds() override { murmel::EndCurrentAds(list); }
    void m_LoadNewAd(const QByteArray& line) override { murmel::MergeAdLine(list, line); }
    void AdsMerged() override { ++merged; }
    bool Download() {
        QPointer<murmel::frmAds> window = new murmel::frmAds(*this);
        window->Form_Load();
        window->GetAds();
        return QTest::qWaitFor([&window] { return window.isNull(); }, 10000);
    }

    QString connectTo;
    QString lastAdUpdate = QStringLiteral("Sun, 06 Dec 2026 14:49 -0500");
    murmel::AdList list;
    int merged = 0;
};

TEST(Ads, MurmelsAdWindowMergesTheListThenHearsNotModified) {
    AdRelay relay;
    relay.List(
        "a0000\t10\t0\ta0000.gif\thttps://example.org/\tMurmel\r\n"
        "a0001\t5\t3\ta0001.gif\thttp://example.org/x\tSecond ad\r\n");
    ASSERT_TRUE(relay.StartAds());
    AdWindowHost host;
    host.connectTo = relay.ConnectTo();

    ASSERT_TRUE(host.Download()) << relay.Dump();
    EXPECT_EQ(host.merged, 1);
    EXPECT_EQ(host.lastAdUpdate, "Sun, 06 Dec 2026 20:49:00 GMT");
    ASSERT_EQ(host.list.Count(), 2);
    EXPECT_EQ(host.list.At(2).GifUrl, "a0001.gif");
    EXPECT_EQ(host.list.At(2).HowManyTimes, 3);

    ASSERT_TRUE(host.Download()) << relay.Dump();
    EXPECT_EQ(host.merged, 1);  // not modified: nothing merged, nothing ended
    EXPECT_EQ(host.list.Count(), 2);
    EXPECT_EQ(host.list.At(2).HowManyTimes, 3);
}

TEST(Ads, PicturesAreServedByPlainNameOnlyAndEverythingElseIs404) {
    AdRelay relay;
    relay.List("");
    const std::string gif = "GIF89a\x01\x00\x01\x00picture";
    vantry::test::WriteFile(relay.folder / "a0000.gif", gif);
    vantry::test::WriteFile(relay.folder / ".hidden", "secret");
    vantry::test::WriteFile(relay.folder.parent_path() / "secret.gif", "secret");
    ASSERT_TRUE(relay.StartAds());

    const std::string answer = relay.Get("GET /ad/a0000.gif HTTP/1.0\r\n\r\n");
    EXPECT_TRUE(answer.starts_with("HTTP/1.1 200")) << answer;
    EXPECT_NE(answer.find("Content-Type: image/gif\r\n"), std::string::npos);
    EXPECT_TRUE(answer.ends_with("\r\n\r\n" + gif));
    for (const char* path :
         {"/ad/../secret.gif", "/ad/..%2Fsecret.gif", "/ad/%2e%2e/secret.gif", "/ad/.hidden",
          "/ad/", "/ad/sub/a0000.gif", "/ad/a0000.gif%00x", "/ad/missing.gif", "/ads/x"}) {
        EXPECT_TRUE(
            relay.Get("GET " + std::string(path) + " HTTP/1.0\r\n\r\n").starts_with("HTTP/1.1 404"))
            << path;
    }
}

TEST(Ads, TheShippedListIsWholeAndItsPicturesAreGifs) {
    const fs::path shipped = fs::path(RELAY_TEST_DIR).parent_path() / "ads";
    std::vector<std::string> skipped;
    const auto lines = UsableAdLines(vantry::test::ReadFile(shipped / "ads.txt"), &skipped);
    EXPECT_TRUE(skipped.empty());
    ASSERT_FALSE(lines.empty());
    EXPECT_TRUE(lines[0].starts_with("a0000\t"));
    for (const std::string& line : lines) {
        const std::size_t a = line.find('\t', line.find('\t', line.find('\t') + 1) + 1);
        const std::string picture = line.substr(a + 1, line.find('\t', a + 1) - a - 1);
        EXPECT_TRUE(vantry::test::ReadFile(shipped / picture).starts_with("GIF89a")) << picture;
    }
}

}  // namespace
}  // namespace murmel::relay::test
