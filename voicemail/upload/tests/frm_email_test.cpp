#include <gtest/gtest.h>

#include <algorithm>

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QLabel>
#include <QPointer>
#include <QProgressBar>
#include <QTimer>

#include <filesystem>

#include "scripted_peer.h"
#include "startup/language.h"
#include "test_env.h"
#include "upload/frm_email.h"

namespace murmel {
namespace {

namespace fs = std::filesystem;
using vantry::test::PeerStep;
using vantry::test::ScriptedPeer;

// The relay's side: each connection read to its end and closed, unless a
// test scripts it otherwise.
ScriptedPeer Relay(std::vector<PeerStep> script = {}, int receiveBuffer = 0) {
    return ScriptedPeer(std::move(script),
                        {.receiveBuffer = receiveBuffer, .everyConnection = true});
}
using namespace std::chrono_literals;

constexpr int kTick = 300;  // ms; the window's real interval is 1000
const std::string kRequest = "POST /post/ HTTP/1.0\r\n";

QString Q(const fs::path& p) {
    return QString::fromStdString(p.string());
}

const TranslationTable& Strings() {
    static TranslationTable table = [] {
        TranslationTable t;
        const std::string bytes = vantry::test::ReadFile(UPLOAD_LANG_FILE);
        for (cString& e : ParseLanguageFile(bytes))
            t.Add(std::move(e));
        return t;
    }();
    return table;
}
QString T(std::string_view id) {
    return Strings().T(id);
}

std::string Filler(size_t size, char seed) {
    std::string s(size, ' ');
    for (size_t i = 0; i < size; ++i)
        s[i] = static_cast<char>(seed + i % 23);
    return s;
}

struct Upload {
    Upload() = default;
    // An upload to SERVER, reached by its loopback address.
    explicit Upload(const ScriptedPeer& server)
        : connectTo(QStringLiteral("http://127.0.0.1:%1").arg(server.Port())) {}

    fs::path app = vantry::test::FreshDir("app");
    QString connectTo;
    QStringList played;
    QStringList boxes;
    int adChecks = 0;
    QList<double> pauses;
    bool realPause = false;
    QPointer<frmEmail> form;
    QStringList statusAtUnload;
    int progressAtUnload = -1;
    int tickMs = kTick;

    void Item(const std::string& name, const std::string& bytes) {
        vantry::test::WriteFile(app / "Outbox" / name, bytes);
    }
    QStringList Items() const {
        return QDir(Q(app / "Outbox")).entryList(QDir::Files | QDir::Hidden);
    }
    // Shows the window and runs the loop until it unloads (or the limit passes).
    bool Run(int limitMs = 20000) {
        fs::create_directories(app / "Outbox");
        UploadServices s;
        s.appPath = Q(app);
        s.connectTo = [this] { return connectTo; };
        s.T = T;
        s.soundsEnabled = [] { return true; };
        s.playSound = [this](const QString& p) { played << QDir(Q(app)).relativeFilePath(p); };
        s.checkForAds = [this] { ++adChecks; };
        s.errorBox = [this](const QString& title, const QString& text) {
            boxes << title + "|" + text;
        };
        if (!realPause) {
            s.pause = [this](double sec) { pauses << sec; };
        }
        s.tickMs = tickMs;
        QEventLoop loop;
        QTimer limit;
        limit.setSingleShot(true);
        QObject::connect(&limit, &QTimer::timeout, &loop, &QEventLoop::quit);
        form = frmEmail::ShowUpload(s);
        bool done = false;
        if (form) {
            QObject::connect(form, &frmEmail::unloaded, &loop, [&] {
                statusAtUnload << form->findChild<QLabel*>("lblStatus")->text();
                progressAtUnload = form->findChild<QProgressBar*>("ProgressBar1")->value();
                done = true;
                loop.quit();
            });
        }
        if (!done && (!form || form->isHidden())) {
            // Unloaded while loading (a connect that failed at once).
            done = true;
            if (form)
                statusAtUnload << form->findChild<QLabel*>("lblStatus")->text();
        }
        if (!done) {
            limit.start(limitMs);
            loop.exec();
        }
        // The window deletes itself once closed (and closes its socket then):
        // wait for that rather than for a guessed time.
        QElapsedTimer settle;
        settle.start();
        while (form && settle.elapsed() < 2000) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        }
        return done;
    }
};

void WaitFor(const std::function<bool()>& cond, int ms = 5000) {
    QElapsedTimer t;
    t.start();
    while (!cond() && t.elapsed() < ms) {
        QEventLoop loop;
        QTimer::singleShot(20, &loop, &QEventLoop::quit);
        loop.exec();
    }
}

// What the relay received once N connections came and each client closed.
std::vector<ScriptedPeer::Connection> Received(const ScriptedPeer& server, std::size_t n) {
    WaitFor([&] {
        const auto conns = server.Connections();
        return conns.size() >= n &&
               std::all_of(conns.begin(), conns.end(), [](const auto& c) { return c.ended; });
    });
    return server.Connections();
}

TEST(Upload, LongItemGoesOutInChunksOnSuccessiveTicks) {
    ScriptedPeer server = Relay();
    Upload u(server);
    const std::string item = Filler(20000, 'A');
    u.Item("261206154907.txt", item);
    ASSERT_TRUE(u.Run());
    const auto conns = Received(server, 2);
    ASSERT_EQ(conns.size(), 2u);  // the item, then the one that finds the outbox empty
    EXPECT_EQ(conns[0].All(), kRequest + item);
    const auto bursts = conns[0].Bursts(std::chrono::milliseconds(kTick / 2));
    ASSERT_EQ(bursts.size(), 4u);
    EXPECT_EQ(bursts[0], kRequest);
    EXPECT_EQ(bursts[1].size(), 8192u);
    EXPECT_EQ(bursts[2].size(), 8192u);
    EXPECT_EQ(bursts[3].size(), 3616u);
    EXPECT_TRUE(conns[0].ended);  // the connection was closed after the last chunk
    EXPECT_TRUE(conns[1].All().empty());
    EXPECT_TRUE(u.Items().isEmpty());
    EXPECT_EQ(u.played, QStringList({"sounds/ok.wav"}));
    EXPECT_TRUE(u.boxes.isEmpty());
    EXPECT_EQ(u.adChecks, 1);
    EXPECT_EQ(u.pauses, QList<double>({1.0}));
    EXPECT_EQ(u.statusAtUnload, QStringList({T("mm0006")}));
}

TEST(Upload, ExactlyOneChunkGoesOutOnOneTick) {
    ScriptedPeer server = Relay();
    Upload u;
    u.connectTo = QStringLiteral("x://127.0.0.1:%1").arg(server.Port());
    const std::string item = Filler(8192, 'a');
    u.Item("261206154907.txt", item);
    ASSERT_TRUE(u.Run());
    const auto conns = Received(server, 1);
    ASSERT_GE(conns.size(), 1u);
    const auto bursts = conns[0].Bursts(std::chrono::milliseconds(kTick / 2));
    ASSERT_EQ(bursts.size(), 2u);
    EXPECT_EQ(bursts[0], kRequest);
    EXPECT_EQ(bursts[1], item);
    EXPECT_TRUE(u.Items().isEmpty());
}

TEST(Upload, TinyAndEmptyItemsAreSentAndRemoved) {
    ScriptedPeer server = Relay();
    Upload u;
    u.connectTo = QStringLiteral("http://localhost:%1").arg(server.Port());
    u.Item("261206154901.txt", "x");
    u.Item("261206154902.txt", "");
    ASSERT_TRUE(u.Run());
    const auto conns = Received(server, 3);
    ASSERT_EQ(conns.size(), 3u);
    EXPECT_EQ(conns[0].All(), kRequest + "x");
    EXPECT_EQ(conns[1].All(), kRequest);
    EXPECT_TRUE(u.Items().isEmpty());
}

TEST(Upload, TwoItemsOverTwoConnectionsOldestFirst) {
    ScriptedPeer server = Relay();
    Upload u(server);
    const std::string older = Filler(9000, 'o');
    const std::string newer = Filler(300, 'n');
    u.Item("261206154908.txt", newer);
    u.Item("261206154907.txt", older);
    u.Item("notes.doc", "not an item");
    ASSERT_TRUE(u.Run());
    const auto conns = Received(server, 3);
    ASSERT_EQ(conns.size(), 3u);
    EXPECT_EQ(conns[0].All(), kRequest + older);
    EXPECT_EQ(conns[1].All(), kRequest + newer);
    EXPECT_TRUE(conns[2].All().empty());
    // The newer item was still there while the older one went out.
    EXPECT_LT(conns[0].pieces.back().at, conns[1].pieces.front().at);
    EXPECT_EQ(u.Items(), QStringList({"notes.doc"}));
    EXPECT_EQ(u.played, QStringList({"sounds/ok.wav", "sounds/ok.wav"}));
}

TEST(Upload, EmptyOutboxChecksAdsAndClosesAfterOneSecond) {
    ScriptedPeer server = Relay();
    Upload u(server);
    u.realPause = true;
    QElapsedTimer t;
    t.start();
    ASSERT_TRUE(u.Run());
    EXPECT_GE(t.elapsed(), 1000);
    EXPECT_EQ(u.adChecks, 1);
    WaitFor([&] { return !server.Connections().empty() && server.Connections()[0].ended; });
    const auto conns = server.Connections();
    ASSERT_EQ(conns.size(), 1u);
    EXPECT_TRUE(conns[0].All().empty());
    EXPECT_TRUE(u.played.isEmpty());
    EXPECT_TRUE(u.boxes.isEmpty());
    EXPECT_TRUE(u.form.isNull());
}

TEST(Upload, ServerThatNeverRepliesDoesNotDelayDeletion) {
    ScriptedPeer server = Relay({PeerStep::ReadToEnd(), PeerStep::Linger()});
    Upload u(server);
    u.Item("261206154907.txt", Filler(500, 'q'));
    QElapsedTimer t;
    t.start();
    ASSERT_TRUE(u.Run());
    EXPECT_LT(t.elapsed(), 5000);
    EXPECT_TRUE(u.Items().isEmpty());
    EXPECT_EQ(u.played, QStringList({"sounds/ok.wav"}));
}

// A connection that never starts keeps the item and names the socket's code.
TEST(Upload, FailedConnectionsShowTheNetworkError) {
    struct Case {
        QString connectTo;
        const char* code;
    };
    const Case cases[] = {
        // Nothing listens: refused.
        {QStringLiteral("http://127.0.0.1:%1").arg(ScriptedPeer::UnusedPort()), "25062"},
        // Port 0 is no port: the socket refuses to start (address not available).
        {QStringLiteral("relay-without-scheme:80"), "25050"},
    };
    for (const Case& c : cases) {
        Upload u;
        u.connectTo = c.connectTo;
        u.Item("261206154907.txt", "kept");
        ASSERT_TRUE(u.Run()) << c.code;
        EXPECT_EQ(u.played, QStringList({"sounds/error.wav"})) << c.code;
        ASSERT_EQ(u.boxes.size(), 1) << c.code;
        EXPECT_EQ(u.boxes[0], T("mm0017") + "|" + T("mm0014") + " [" + c.code + "] " + T("mm0015") +
                                  "\r\n\r\n" + T("mm0016"));
        EXPECT_EQ(u.statusAtUnload, QStringList({"MurmelMail not sent"})) << c.code;
        EXPECT_EQ(u.Items(), QStringList({"261206154907.txt"})) << c.code;
        EXPECT_EQ(u.adChecks, 0) << c.code;
    }
}

TEST(Upload, ServerClosingMidItemKeepsTheItem) {
    ScriptedPeer server = Relay({PeerStep::ReadBytes(kRequest.size() + 8192), PeerStep::Close()});
    Upload u(server);
    u.Item("261206154907.txt", Filler(30000, 'c'));
    ASSERT_TRUE(u.Run());
    EXPECT_EQ(u.Items(), QStringList({"261206154907.txt"}));
    EXPECT_EQ(u.played, QStringList({"sounds/error.wav"}));
    // The server's orderly close comes before the next chunk: the item was cut short.
    ASSERT_EQ(u.boxes.size(), 1);
    EXPECT_EQ(u.boxes[0], T("mm0017") + "|" + T("mm0020") + " [20303] " + T("mm0021") + "\r\n\r\n" +
                              T("mm0016"));
    EXPECT_EQ(u.statusAtUnload, QStringList({"MurmelMail not sent"}));
    EXPECT_EQ(u.adChecks, 0);
    const auto conns = server.Connections();
    ASSERT_EQ(conns.size(), 1u);
    EXPECT_EQ(conns[0].All().size(), kRequest.size() + 8192);
}

TEST(Upload, ItemIsKeptWhileTheSystemHasNotTakenAllOfIt) {
    // A choked uplink: nothing read until released, then a reset.
    ScriptedPeer server = Relay({PeerStep::Hold(), PeerStep::Close()}, 4096);
    Upload u(server);
    u.tickMs = 1;
    u.Item("261206154907.txt", Filler(4 * 1024 * 1024, 's'));
    // The uplink gives up once the upload waits for it, or once the item is gone.
    QTimer probe;
    QObject::connect(&probe, &QTimer::timeout, [&] {
        const bool waiting =
            u.form && !u.form->uploadTimer().isActive() && u.form->socket().bytesToWrite() > 0;
        if (waiting || u.Items().isEmpty())
            server.Release();
    });
    probe.start(20);
    ASSERT_TRUE(u.Run());
    EXPECT_EQ(u.Items(), QStringList({"261206154907.txt"}));
    EXPECT_EQ(u.played, QStringList({"sounds/error.wav"}));
    EXPECT_EQ(u.boxes.size(), 1);
}

TEST(Upload, ProgressBarFollowsTheSentPosition) {
    ScriptedPeer server = Relay({PeerStep::ReadToEnd(), PeerStep::Linger()});
    Upload u(server);
    u.Item("261206154907.txt", Filler(20000, 'p'));
    QList<int> values;
    QTimer probe;
    QObject::connect(&probe, &QTimer::timeout, [&] {
        if (u.form &&
            (values.isEmpty() ||
             values.back() != u.form->findChild<QProgressBar*>("ProgressBar1")->value())) {
            values << u.form->findChild<QProgressBar*>("ProgressBar1")->value();
            EXPECT_EQ(u.form->findChild<QProgressBar*>("ProgressBar1")->maximum(), 20000);
        }
    });
    probe.start(20);
    ASSERT_TRUE(u.Run());
    // The last value lives only until the window unloads; the probe may miss it.
    if (values.size() == 4 && values.back() == 20000)
        values.removeLast();
    EXPECT_EQ(values, QList<int>({0, 8193, 16385}));
    EXPECT_EQ(u.progressAtUnload, 20000);
}

TEST(Upload, OnlyOneWindowAtATime) {
    ScriptedPeer server = Relay({PeerStep::ReadToEnd(), PeerStep::Linger()});
    Upload u(server);
    u.Item("261206154907.txt", Filler(100, 'z'));
    UploadServices s;
    s.appPath = Q(u.app);
    s.connectTo = [&] { return u.connectTo; };
    s.T = T;
    s.pause = [](double) {};
    s.tickMs = kTick;
    QPointer<frmEmail> first = frmEmail::ShowUpload(s);
    EXPECT_EQ(frmEmail::ShowUpload(s), first.data());
    EXPECT_EQ(frmEmail::Current(), first.data());
    WaitFor([&] {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        return first.isNull();
    });
    EXPECT_TRUE(first.isNull());
    EXPECT_EQ(frmEmail::Current(), nullptr);
    EXPECT_TRUE(u.Items().isEmpty());
}

}  // namespace
}  // namespace murmel
