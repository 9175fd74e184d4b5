// The engine against real peers on loopback: Python's HTTP server and the
// scripted peer for exact bytes.

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/stat.h>

#include <QTimer>

#include <functional>
#include <string>
#include <vector>

#include "engine/http_request.h"
#include "engine/tests/peer_process.h"
#include "engine/winsock_state.h"
#include "engine/wsa_errors.h"
#include "test_env.h"

namespace fetchwire {
namespace {

using test::PeerPattern;
using test::PeerProcess;
using vantry::test::FreshDir;
using vantry::test::ReadFile;
using vantry::test::WriteFile;

// Records every upcall in order; hooks let a test act from inside one.
class Recorder : public HttpRequest {
public:
    Recorder() = default;
    explicit Recorder(const std::string& url) { SetURL(url); }

    std::vector<std::string> events;
    std::string body;
    uint32_t lastTotal = 0;
    std::function<void(Recorder&)> onTransfer;
    std::function<void(Recorder&)> onHeader;

    void OnError(int code, const std::string& text) override {
        events.push_back("Error " + std::to_string(code) + " " + text);
    }
    void OnConnected(int r) override { events.push_back("Connected " + std::to_string(r)); }
    void OnDisconnected(int r) override { events.push_back("Disconnected " + std::to_string(r)); }
    void OnHeader(const std::string& f, const std::string& v) override {
        events.push_back("Header [" + f + "][" + v + "]");
        if (onHeader) {
            onHeader(*this);
        }
    }
    void OnStartOfBody() override { events.push_back("StartTransfer"); }
    void OnBodyData(uint32_t total, std::string_view piece) override {
        if (events.empty() || events.back() != "Transfer") {
            events.push_back("Transfer");
        }
        EXPECT_EQ(total, lastTotal + piece.size());
        EXPECT_LE(piece.size(), 2048u);
        lastTotal = total;
        body.append(piece);
        if (onTransfer) {
            onTransfer(*this);
        }
    }
    void OnEndOfBody() override { events.push_back("EndTransfer"); }

    QObject* Window() const { return NotificationWindow(); }
};

class HttpRequestTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(WinsockState::Instance().Load()); }
    void TearDown() override { WinsockState::Instance().Unload(); }

    std::filesystem::path dir_ = FreshDir("http");
    std::filesystem::path record_ = dir_ / "request.bin";

    PeerProcess Reply(const std::string& bytes) { return PeerProcess::Replying(bytes, record_); }
};

TEST_F(HttpRequestTest, GetFromPythonServerDeliversFileAndEvents) {
    const std::string content = PeerPattern(70000);
    WriteFile(dir_ / "site/doc.bin", content);
    PeerProcess server = PeerProcess::FileServer(dir_ / "site");
    Recorder r(server.Url("/doc.bin"));
    ASSERT_EQ(r.Get(), 0) << r.MessageFor(0);
    EXPECT_EQ(r.body, content);
    EXPECT_EQ(r.lastTotal, content.size());
    EXPECT_EQ(r.Fields().statusLine.substr(0, 13), "HTTP/1.0 200 ");
    ASSERT_GE(r.events.size(), 6u);
    EXPECT_EQ(r.events.front(), "Connected 0");
    EXPECT_EQ(r.events[r.events.size() - 4], "StartTransfer");
    EXPECT_EQ(r.events[r.events.size() - 3], "Transfer");
    EXPECT_EQ(r.events[r.events.size() - 2], "EndTransfer");
    EXPECT_EQ(r.events.back(), "Disconnected 0");
    EXPECT_FALSE(r.HasSocket());

    // HEAD of the same: headers, no body.
    Recorder h(server.Url("/doc.bin"));
    ASSERT_EQ(h.Head(), 0);
    EXPECT_EQ(h.body, "");
    EXPECT_EQ(h.events.back(), "Disconnected 0");
}

TEST_F(HttpRequestTest, NotFoundDeliversEverythingThenFailsWithReason) {
    WriteFile(dir_ / "site/x", "x");
    PeerProcess server = PeerProcess::FileServer(dir_ / "site");
    Recorder r(server.Url("/missing"));
    EXPECT_EQ(r.Get(), kErrBadStatus);
    EXPECT_EQ(r.MessageFor(kErrBadStatus), "404 File not found");
    EXPECT_NE(std::find(r.events.begin(), r.events.end(), "StartTransfer"), r.events.end());
    EXPECT_NE(std::find(r.events.begin(), r.events.end(), "Transfer"), r.events.end());
    EXPECT_EQ(r.events.back(), "Disconnected 0");
    EXPECT_EQ(r.Fields().statusLine, "HTTP/1.0 404 File not found");
}

TEST_F(HttpRequestTest, RequestBytesAreExact) {
    PeerProcess peer = Reply("HTTP/1.0 200 OK\r\n\r\n");
    Recorder r(peer.Url("/p?q=1"));
    r.Fields().userAgent = "UA";
    r.Fields().from = "me@example.org";
    r.SetUser("\xe9t\xe9");
    r.SetPassword("pw");
    r.Fields().otherHeaders = "X-One: 1\r\n";
    ASSERT_EQ(r.Get(), 0);
    EXPECT_EQ(ReadFile(record_),
              "GET /p?q=1 HTTP/1.0\r\nAuthorization: Basic 6XTpOnB3\r\n"
              "From: me@example.org\r\nUser-Agent: UA\r\nX-One: 1\r\n\r\n");
}

TEST_F(HttpRequestTest, PostDataSendsItsLength) {
    PeerProcess peer = Reply("HTTP/1.0 201 Created\r\n\r\n");
    Recorder r(peer.Url("/post/"));
    r.Fields().postData = "x=1";
    r.Fields().contentType = "application/x-www-form-urlencoded";
    ASSERT_EQ(r.Post(), 0);
    EXPECT_EQ(ReadFile(record_),
              "POST /post/ HTTP/1.0\r\nContent-Type: application/x-www-form-urlencoded\r\n"
              "Content-Length: 3\r\n\r\nx=1");
}

TEST_F(HttpRequestTest, PostWithLargeAttachedFileArrivesByteExact) {
    const std::string file = PeerPattern(5 * 1024 * 1024 + 17);
    WriteFile(dir_ / "upload.bin", file);
    PeerProcess peer = Reply("HTTP/1.0 200 OK\r\n\r\n");
    Recorder r(peer.Url("/up"));
    r.Fields().postData = "head:";
    r.Fields().attachedFile = (dir_ / "upload.bin").string();
    ASSERT_EQ(r.Post(), 0);
    const std::string want =
        "POST /up HTTP/1.0\r\nContent-Length: " + std::to_string(file.size() + 5) +
        "\r\n\r\nhead:" + file;
    const std::string got = ReadFile(record_);
    EXPECT_EQ(got.size(), want.size());
    EXPECT_TRUE(got == want);
}

TEST_F(HttpRequestTest, MissingAttachedFileFailsAndClosesTheConnection) {
    PeerProcess peer = Reply("HTTP/1.0 200 OK\r\n\r\n");
    Recorder r(peer.Url("/up"));
    r.Fields().attachedFile = (dir_ / "nope.bin").string();
    EXPECT_EQ(r.Post(), kErrAttachedFile);
    EXPECT_EQ(r.MessageFor(kErrAttachedFile), "Can't open attached file for reading.");
    EXPECT_FALSE(r.HasSocket());
    // The channel is free again for the next request.
    r.Fields().attachedFile.clear();
    EXPECT_EQ(r.Post(), 0);
}

TEST_F(HttpRequestTest, AttachedFifoIsRefusedWithoutWaitingForAWriter) {
    const std::string fifo = (dir_ / "pipe").string();
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    PeerProcess peer = Reply("HTTP/1.0 200 OK\r\n\r\n");
    Recorder r(peer.Url("/up"));
    r.Fields().attachedFile = fifo;
    EXPECT_EQ(r.Post(), kErrAttachedFile);
    EXPECT_FALSE(r.HasSocket());
}

TEST_F(HttpRequestTest, EarlyErrorStatusStopsTheUpload) {
    const std::string file = PeerPattern(3 * 1024 * 1024);
    WriteFile(dir_ / "upload.bin", file);
    PeerProcess peer = PeerProcess::Scripted("early", record_);
    Recorder r(peer.Url("/up"));
    r.Fields().attachedFile = (dir_ / "upload.bin").string();
    EXPECT_EQ(r.Post(), kErrBadStatus);
    EXPECT_EQ(r.MessageFor(kErrBadStatus), "413 Too Large");
    EXPECT_EQ(r.Fields().statusLine, "HTTP/1.0 413 Too Large");
    EXPECT_FALSE(r.HasSocket());
    EXPECT_LT(ReadFile(record_).size(), file.size());
}

TEST_F(HttpRequestTest, TenMegabyteBodyArrivesByteExact) {
    const std::size_t n = 10 * 1024 * 1024;
    PeerProcess peer = PeerProcess::Scripted("big", record_, std::to_string(n));
    Recorder r(peer.Url("/big"));
    ASSERT_EQ(r.Get(), 0);
    EXPECT_EQ(r.lastTotal, n);
    EXPECT_TRUE(r.body == PeerPattern(n));
}

// The socket of this process connected to port, or -1.
int SocketTo(uint16_t port) {
    for (int fd = 3; fd < 1024; ++fd) {
        sockaddr_in peer{};
        socklen_t len = sizeof peer;
        if (getpeername(fd, reinterpret_cast<sockaddr*>(&peer), &len) == 0 &&
            peer.sin_family == AF_INET && ntohs(peer.sin_port) == port) {
            return fd;
        }
    }
    return -1;
}

TEST_F(HttpRequestTest, KernelSocketBuffersAreLeftToTheSystem) {
    // A 2048-byte receive buffer would cap the TCP window; only the pieces
    // the caller sees are 2048 bytes (checked by the recorder).
    PeerProcess peer = PeerProcess::Scripted("big", record_, "100000");
    Recorder r(peer.Url("/big"));
    int receive = 0;
    int send = 0;
    r.onHeader = [&](Recorder&) {
        const int fd = SocketTo(peer.port());
        socklen_t len = sizeof(int);
        ASSERT_GE(fd, 0);
        ASSERT_EQ(getsockopt(fd, SOL_SOCKET, SO_RCVBUF, &receive, &len), 0);
        ASSERT_EQ(getsockopt(fd, SOL_SOCKET, SO_SNDBUF, &send, &len), 0);
    };
    ASSERT_EQ(r.Get(), 0);
    EXPECT_EQ(r.lastTotal, 100000u);
    // Linux reports twice what was set: 4608 for 2048.
    EXPECT_GT(receive, 2 * 2048);
    EXPECT_GT(send, 2 * 2048);
}

TEST_F(HttpRequestTest, ProxyGetsAbsoluteUrlAndSchemeAsWritten) {
    PeerProcess proxy = Reply("HTTP/1.0 200 OK\r\n\r\n");
    Recorder r("HTTP://far.example:81/x");
    EXPECT_EQ(r.Get(), kErrBadScheme);
    r.Fields().proxyServer = "127.0.0.1";
    r.Fields().proxyPort = proxy.port();
    ASSERT_EQ(r.Get(), 0);
    r.SetURL("http://far.example/y");
    ASSERT_EQ(r.Get(), 0);
    EXPECT_EQ(ReadFile(record_),
              "GET HTTP://far.example:81/x HTTP/1.0\r\n\r\n"
              "GET http://far.example/y HTTP/1.0\r\n\r\n");
}

TEST_F(HttpRequestTest, OddResponsesFromScriptedPeer) {
    {
        PeerProcess peer = Reply("HTTP/1.0 200 OK\r\n folded\r\nA:b\r\n\r\nbody");
        Recorder r(peer.Url("/"));
        ASSERT_EQ(r.Get(), 0);
        const std::vector<std::string> want = {
            "Connected 0", "Header [][folded]", "Header [A][b]", "StartTransfer",
            "Transfer",    "EndTransfer",       "Disconnected 0"};
        EXPECT_EQ(r.events, want);
        EXPECT_EQ(r.body, "body");
    }
    {
        // Closed without a word: a failure, not an empty success.
        PeerProcess peer = PeerProcess::Scripted("silent", record_);
        Recorder r(peer.Url("/"));
        EXPECT_EQ(r.Get(), kErrNoResponse);
        EXPECT_EQ(r.MessageFor(kErrNoResponse),
                  "The server closed the connection without sending a response.");
        EXPECT_EQ(r.Fields().statusLine, "");
        EXPECT_EQ(r.events.back(), "Disconnected 0");
    }
    {
        // A status line without its line end still counts.
        PeerProcess peer = Reply("HTTP/1.0 500 Broken");
        Recorder r(peer.Url("/"));
        EXPECT_EQ(r.Get(), kErrBadStatus);
        EXPECT_EQ(r.MessageFor(kErrBadStatus), "500 Broken");
    }
}

TEST_F(HttpRequestTest, ResetMidBodyIsReportedNotSuccess) {
    PeerProcess peer = PeerProcess::Scripted("reset", record_);
    Recorder r(peer.Url("/"));
    EXPECT_EQ(r.Get(), kWsaECONNRESET);
    EXPECT_NE(std::find(r.events.begin(), r.events.end(), "Error 10054 Winsock error in recv()"),
              r.events.end());
    EXPECT_EQ(r.events.back(), "Disconnected 10054");
    EXPECT_FALSE(r.HasSocket());
}

TEST_F(HttpRequestTest, InterruptFromTransferHandlerEndsWith20302) {
    const std::size_t n = 4 * 1024 * 1024;
    PeerProcess peer = PeerProcess::Scripted("big", record_, std::to_string(n));
    Recorder r(peer.Url("/big"));
    int calls = 0;
    r.onTransfer = [&](Recorder& self) {
        if (++calls == 3) {
            self.Interrupt();
        }
    };
    EXPECT_EQ(r.Get(), kErrInterrupted);
    EXPECT_EQ(r.MessageFor(kErrInterrupted), "Interrupted.");
    EXPECT_EQ(calls, 3);
    EXPECT_EQ(r.events.back(), "Disconnected 0");
    EXPECT_FALSE(r.HasSocket());
    // The next request runs normally.
    PeerProcess ok = Reply("HTTP/1.0 200 OK\r\n\r\nfine");
    r.SetURL(ok.Url("/"));
    r.onTransfer = nullptr;
    r.body.clear();
    r.lastTotal = 0;
    EXPECT_EQ(r.Get(), 0);
    EXPECT_EQ(r.body, "fine");
}

TEST_F(HttpRequestTest, ServerThatNeverClosesWaitsUntilInterrupted) {
    PeerProcess peer = PeerProcess::Scripted("hold", record_);
    Recorder r(peer.Url("/"));
    // Interrupted once the body so far has arrived and the request waits for more.
    bool fired = false;
    r.onTransfer = [&](Recorder& self) {
        if (!fired && self.body == "waiting") {
            fired = true;
            QTimer::singleShot(0, [&self] { self.Interrupt(); });
        }
    };
    EXPECT_EQ(r.Get(), kErrInterrupted);
    EXPECT_TRUE(fired);
    EXPECT_EQ(r.body, "waiting");
}

TEST_F(HttpRequestTest, SecondRequestFromAHandlerLeavesTheRunningOneIntact) {
    const std::size_t n = 10000;
    PeerProcess peer = PeerProcess::Scripted("big", record_, std::to_string(n));
    // Refused from a header and from a body piece, the outer request still
    // gets its whole answer.
    for (const bool fromHeader : {true, false}) {
        Recorder r(peer.Url("/big"));
        int inner = -1;
        std::function<void(Recorder&)> nested = [&](Recorder& self) {
            if (inner == -1) {
                inner = self.Get();
            }
        };
        (fromHeader ? r.onHeader : r.onTransfer) = nested;
        EXPECT_EQ(r.Get(), 0);
        EXPECT_EQ(inner, kErrRemoteHostBusy);
        EXPECT_EQ(r.Fields().statusLine, "HTTP/1.0 200 OK");
        EXPECT_EQ(r.body.size(), n);
        EXPECT_TRUE(r.body == PeerPattern(n));
    }
}

TEST_F(HttpRequestTest, WindowGoneEndsTheWaitWith20302) {
    PeerProcess peer = PeerProcess::Scripted("hold", record_);
    Recorder r(peer.Url("/"));
    r.onHeader = [](Recorder& self) { delete self.Window(); };
    EXPECT_EQ(r.Get(), kErrInterrupted);
    EXPECT_FALSE(r.HasSocket());
}

TEST_F(HttpRequestTest, ConnectFailuresAndRefusals) {
    Recorder r;
    EXPECT_EQ(r.Get(), kErrNoServer);
    r.SetURL("ftp://host/");
    EXPECT_EQ(r.Get(), kErrBadScheme);
    r.SetURL("http://127.0.0.1:0/");
    EXPECT_EQ(r.Get(), kErrPortZero);

    // A port nobody listens on: the connect notice carries the refusal.
    int port = 0;
    {
        PeerProcess gone = PeerProcess::Scripted("silent", record_);
        port = gone.port();
    }
    r.SetURL("http://127.0.0.1:" + std::to_string(port) + "/");
    EXPECT_EQ(r.Get(), kWsaECONNREFUSED);
    ASSERT_FALSE(r.events.empty());
    EXPECT_EQ(r.events.back(), "Connected 10061");
    EXPECT_FALSE(r.HasSocket());

    r.SetURL("http://no-such-host.invalid/");
    EXPECT_GE(r.Get(), 11001);
}

TEST(HttpRequestUnloaded, RequestWithoutSocketLayerFailsWith20103) {
    ASSERT_FALSE(WinsockState::Instance().Loaded());
    Recorder r("http://127.0.0.1:8080/");
    EXPECT_EQ(r.Get(), kErrAddressInvalid);
    EXPECT_TRUE(r.events.empty());
}

}  // namespace
}  // namespace fetchwire
