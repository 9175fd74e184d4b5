#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QPointer>
#include <QRegularExpression>
#include <QTest>

#include "ads/ad_list.h"
#include "ads/frm_ads.h"
#include "scripted_peer.h"

namespace murmel {
namespace {

using vantry::test::PeerStep;
using vantry::test::ScriptedPeer;

// The main window's side, with a list and settings of its own.
class Host : public AdsHost {
public:
    QString ConnectTo() const override { return connectTo; }
    QString LastAdUpdate() const override { return lastAdUpdate; }
    void SetLastAdUpdate(const QString& value) override { lastAdUpdate = value; }
    void m_EndCurrentAds() override {
        ++ended;
        EndCurrentAds(list);
    }
    void m_LoadNewAd(const QByteArray& line) override {
        lines.push_back(line.toStdString());
        MergeAdLine(list, line);
    }
    void AdsMerged() override { ++merged; }

    QString connectTo;
    QString lastAdUpdate = QStringLiteral("Sun, 06 Dec 2026 10:00 +0100");
    AdList list;
    int ended = 0;
    int merged = 0;
    std::vector<std::string> lines;
};

const std::string kRequest =
    "GET /ads/ HTTP/1.0\r\nIf-Modified-Since: Sun, 06 Dec 2026 10:00 +0100\r\n\r\n";
const std::string kAd1 = "a0001\t5\t3\tone.gif\thttps://one.example/\tOne";
const std::string kAd2 = "a0002\t8\t0\ttwo.gif\thttps://two.example/\tTwo";

// One download against a peer; the window as it is when the exchange is over.
struct Download {
    explicit Download(std::vector<PeerStep> script)
        : peer(vantry::test::AnswerRequest(std::move(script))) {
        host.connectTo = QStringLiteral("http://127.0.0.1:%1").arg(peer.Port());
        MergeAdLine(host.list, "a0000\t10\t0\ta0000.gif\t\tPermanent");
        MergeAdLine(host.list, "old\t5\t4\told.gif\t\tOld");
        window = new frmAds(host);
        window->Form_Load();
        window->GetAds();
    }
    ~Download() { delete window.data(); }
    // Waits for the window to unload itself.
    bool Unloaded() {
        return QTest::qWaitFor([this] { return window.isNull(); });
    }
    // Waits for the peer's end, then lets every posted event run.
    void PeerDone() {
        ASSERT_TRUE(QTest::qWaitFor([this] { return peer.Done(); }));
        QCoreApplication::processEvents();
        QCoreApplication::sendPostedEvents();
    }

    ScriptedPeer peer;
    Host host;
    QPointer<frmAds> window;
};

TEST(frmAds, MergesTheListOfASuccessfulAnswer) {
    Download d(
        {PeerStep::Send("HTTP/1.1 200 OK\r\nContent-Type: text/plain\r\n"
                        "Last-Modified: Mon, 07 Dec 2026 20:00:00 GMT\r\n\r\n"
                        "<BODY>\r\n" +
                        kAd1 + "\r\n" + kAd2 + "\r\n</BODY>\r\n")});
    ASSERT_TRUE(d.Unloaded());
    EXPECT_EQ(d.peer.First().All(), kRequest);
    EXPECT_EQ(d.host.lines, (std::vector<std::string>{kAd1, kAd2}));
    EXPECT_EQ(d.host.lastAdUpdate, "Mon, 07 Dec 2026 20:00:00 GMT");
    EXPECT_EQ(d.host.merged, 1);
    ASSERT_EQ(d.host.list.Count(), 4);
    EXPECT_EQ(d.host.list.At(2).Id, "old");
    EXPECT_EQ(d.host.list.At(2).HowManyTimes, 1);  // shown once more, then gone
    EXPECT_EQ(d.host.list.At(3).Description, "One");
}

TEST(frmAds, NotModifiedChangesNothingAndUnloads) {
    Download d(
        {PeerStep::Send("HTTP/1.1 304 Not Modified\r\n"
                        "Last-Modified: Mon, 07 Dec 2026 20:00:00 GMT\r\n\r\n")});
    d.host.lastAdUpdate.clear();  // set before the request is sent
    ASSERT_TRUE(d.Unloaded());
    const QString sent = QString::fromStdString(d.peer.First().All());
    EXPECT_TRUE(sent.contains(QRegularExpression(
        "^GET /ads/ HTTP/1.0\r\nIf-Modified-Since: [A-Z][a-z]{2}, \\d\\d [A-Z][a-z]{2} \\d{4} "
        "\\d\\d:\\d\\d [+-]\\d{4}\r\n\r\n$")))
        << sent.toStdString();
    EXPECT_TRUE(sent.contains(d.host.lastAdUpdate));
    EXPECT_EQ(d.host.ended, 0);
    EXPECT_EQ(d.host.list.Count(), 2);
}

TEST(frmAds, AnErrorStatusClosesTheSocketAndKeepsTheWindow) {
    Download d(
        {PeerStep::Send("HTTP/1.1 404 Not Found\r\n\r\n<BODY>\r\n" + kAd1 + "\r\n</BODY>\r\n")});
    ASSERT_TRUE(QTest::qWaitFor([&d] { return !d.window->socket().isConnected(); }));
    d.PeerDone();
    ASSERT_FALSE(d.window.isNull());
    EXPECT_EQ(d.host.ended, 0);
    EXPECT_TRUE(d.host.lines.empty());
    EXPECT_EQ(d.host.lastAdUpdate, "Sun, 06 Dec 2026 10:00 +0100");
}

TEST(frmAds, AnotherProtocolVersionIsTakenLineByLine) {
    Download d({PeerStep::Send("HTTP/1.0 200 OK\r\nServer: other\r\n\r\n" + kAd1 + "\r\n")});
    ASSERT_TRUE(d.Unloaded());
    EXPECT_EQ(d.host.ended, 1);
    // Status and header lines reach the merge, which finds no ad in them.
    EXPECT_EQ(d.host.lines, (std::vector<std::string>{"HTTP/1.0 200 OK", "Server: other"}));
    EXPECT_EQ(d.host.list.Count(), 2);
}

TEST(frmAds, ALineSplitAcrossPacketsArrivesWhole) {
    Download d({PeerStep::Send("HTTP/1.1 200 OK\r\nLast-Mod"), PeerStep::Hold(),
                PeerStep::Send("ified: Tue, 08 Dec 2026 08:00:00 GMT\r\n\r\n<BODY>\r\n" + kAd2 +
                               "\r\n</BODY>\r\n")});
    // The first part has been read once the status line is in.
    ASSERT_TRUE(QTest::qWaitFor([&d] { return d.window->answer().buffer().startsWith("HTTP"); }));
    d.peer.Release();
    ASSERT_TRUE(d.Unloaded());
    EXPECT_EQ(d.host.lastAdUpdate, "Tue, 08 Dec 2026 08:00:00 GMT");
    EXPECT_EQ(d.host.lines, std::vector<std::string>{kAd2});
}

TEST(frmAds, AListCutShortByTheServerChangesNothing) {
    Download d(
        {PeerStep::Send("HTTP/1.1 200 OK\r\nLast-Modified: Mon, 07 Dec 2026 "
                        "20:00:00 GMT\r\n\r\n<BODY>\r\n" +
                        kAd1 + "\r\na0002\t8\t0\ttw")});
    ASSERT_TRUE(d.Unloaded());
    EXPECT_EQ(d.host.ended, 0);
    EXPECT_TRUE(d.host.lines.empty());
    EXPECT_EQ(d.host.lastAdUpdate, "Sun, 06 Dec 2026 10:00 +0100");
    EXPECT_EQ(d.host.list.At(2).HowManyTimes, 4);
}

TEST(frmAds, DottedAddressesAndNamesGoToTheirSettings) {
    Host host;
    struct Case {
        const char* connectTo;
        const char* dotted;
        const char* name;
        int port;
    } cases[] = {{"http://127.0.0.1:1", "127.0.0.1", "", 1},
                 {"http://relay.invalid:8080", "", "relay.invalid", 8080},
                 {"http://relay", "", "relay", 80}};
    for (const Case& c : cases) {
        host.connectTo = QString::fromLatin1(c.connectTo);
        QPointer<frmAds> window = new frmAds(host);
        window->GetAds();
        EXPECT_EQ(window->socket().remoteDotAddr(), c.dotted);
        EXPECT_EQ(window->socket().remoteHost(), c.name);
        EXPECT_EQ(window->socket().remotePort(), c.port);
        delete window.data();
    }
    // A connect that fails at once, or later, unloads the window.
    host.connectTo = QStringLiteral("no server");
    QPointer<frmAds> none = new frmAds(host);
    none->GetAds();
    EXPECT_TRUE(QTest::qWaitFor([&none] { return none.isNull(); }));
    host.connectTo = QStringLiteral("http://127.0.0.1:1");
    QPointer<frmAds> refused = new frmAds(host);
    refused->GetAds();
    EXPECT_TRUE(QTest::qWaitFor([&refused] { return refused.isNull(); }));
    EXPECT_EQ(host.ended, 0);
}

}  // namespace
}  // namespace murmel
