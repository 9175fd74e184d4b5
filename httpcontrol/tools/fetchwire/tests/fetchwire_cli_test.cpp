// The fetchwire host: its command line, and whole runs against loopback peers.

#include <gtest/gtest.h>

#include <signal.h>

#include <QProcess>

#include <string>
#include <vector>

#include "engine/tests/peer_process.h"
#include "test_env.h"
#include "tools/fetchwire/options.h"

namespace fetchwire::cli {
namespace {

using test::PeerPattern;
using test::PeerProcess;
using vantry::test::FreshDir;
using vantry::test::ReadFile;
using vantry::test::WriteFile;

Options Parse(std::vector<std::string> args) {
    Options o;
    std::string error;
    EXPECT_TRUE(ParseOptions(args, &o, &error)) << error;
    return o;
}

std::string ParseError(std::vector<std::string> args) {
    Options o;
    std::string error;
    EXPECT_FALSE(ParseOptions(args, &o, &error));
    return error;
}

TEST(FetchwireOptions, MethodsAndImpliedPost) {
    EXPECT_EQ(Parse({"http://h/"}).action, 1);
    EXPECT_EQ(Parse({"-X", "HEAD", "http://h/"}).action, 3);
    EXPECT_EQ(Parse({"-X", "post", "http://h/"}).action, 2);
    EXPECT_EQ(Parse({"-d", "x=1", "http://h/"}).action, 2);
    EXPECT_EQ(Parse({"http://h/", "-F", "/tmp/f"}).action, 2);
    EXPECT_EQ(Parse({"-X", "GET", "-d", "x", "http://h/"}).action, 1);  // said explicitly
    EXPECT_NE(ParseError({"-X", "PUT", "http://h/"}), "");
}

TEST(FetchwireOptions, ValuesGoWhereTheyBelong) {
    const Options o =
        Parse({"-u", "ann:se:cret", "--proxy", "proxy.local:3128", "-H", "A: 1", "-H", "B: 2", "-A",
               "agent", "--if-modified-since", "Sat, 1 Jan", "--http-version", "HTTP/1.1",
               "--content-type", "text/plain", "http://h/p"});
    EXPECT_EQ(o.user, "ann");
    EXPECT_EQ(o.password, "se:cret");
    EXPECT_EQ(o.proxyServer, "proxy.local");
    EXPECT_EQ(o.proxyPort, 3128);
    EXPECT_EQ(o.otherHeaders, "A: 1\r\nB: 2\r\n");
    EXPECT_EQ(o.userAgent, "agent");
    EXPECT_EQ(o.ifModifiedSince, "Sat, 1 Jan");
    EXPECT_EQ(o.httpVersion, "HTTP/1.1");
    EXPECT_EQ(o.contentType, "text/plain");
    EXPECT_EQ(o.url, "http://h/p");
    EXPECT_EQ(Parse({"--proxy", "p", "u"}).proxyPort, 80);
}

TEST(FetchwireOptions, BadLinesAreRefused) {
    EXPECT_NE(ParseError({}), "");
    EXPECT_NE(ParseError({"a", "b"}), "");
    EXPECT_NE(ParseError({"-d"}), "");
    EXPECT_NE(ParseError({"--bogus", "u"}), "");
    EXPECT_NE(ParseError({"--proxy", "p:0", "u"}), "");
    EXPECT_NE(ParseError({"--proxy", "p:99999", "u"}), "");
    EXPECT_NE(ParseError({"--proxy", ":80", "u"}), "");
    EXPECT_NE(ParseError({"-H", "no colon", "u"}), "");
    EXPECT_NE(ParseError({"-H", "A: 1\r\nB: 2", "u"}), "");
    EXPECT_TRUE(Parse({"--help"}).help);
    EXPECT_EQ(Parse({"--", "-odd-url"}).url, "-odd-url");
}

struct RunResult {
    int exitCode = -1;
    std::string out;
    std::vector<std::string> err;
};

std::vector<std::string> Lines(const QByteArray& bytes) {
    std::vector<std::string> lines;
    for (const QByteArray& l : bytes.split('\n')) {
        if (!l.isEmpty()) {
            lines.push_back(l.toStdString());
        }
    }
    return lines;
}

// Runs fetchwire; with INTERRUPT_AT, sends it SIGINT once that much of the
// body has reached its output, so it is surely inside the transfer.
RunResult Fetch(const QStringList& args, const QByteArray& interruptAt = {}) {
    QProcess p;
    p.start(FETCHWIRE_EXE, args);
    EXPECT_TRUE(p.waitForStarted(10000));
    QByteArray out;
    if (!interruptAt.isEmpty()) {
        while (!out.startsWith(interruptAt) && p.waitForReadyRead(30000)) {
            out += p.readAllStandardOutput();
        }
        EXPECT_TRUE(out.startsWith(interruptAt));
        kill(static_cast<pid_t>(p.processId()), SIGINT);
    }
    EXPECT_TRUE(p.waitForFinished(60000));
    RunResult r;
    r.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    r.out = (out + p.readAllStandardOutput()).toStdString();
    r.err = Lines(p.readAllStandardError());
    return r;
}

bool Has(const std::vector<std::string>& lines, const std::string& line) {
    return std::find(lines.begin(), lines.end(), line) != lines.end();
}

TEST(FetchwireRun, GetPrintsBodyAndEventsAndRegistersOnce) {
    const auto dir = FreshDir("cli");
    const std::string content = PeerPattern(50000);
    WriteFile(dir / "site/doc.bin", content);
    PeerProcess server = PeerProcess::FileServer(dir / "site");
    const QString url = QString::fromStdString(server.Url("/doc.bin"));

    const RunResult first = Fetch({url});
    ASSERT_EQ(first.exitCode, 0);
    EXPECT_TRUE(first.out == content);
    ASSERT_GE(first.err.size(), 8u);
    EXPECT_EQ(first.err[0].rfind("fetchwire: registered the HTTP control from ", 0), 0u);
    EXPECT_EQ(first.err[1], "Connected 0 OK");
    EXPECT_TRUE(Has(first.err, "Header Content-Length: 50000"));
    EXPECT_TRUE(Has(first.err, "StartTransfer"));
    EXPECT_EQ(first.err[first.err.size() - 3], "EndTransfer");
    EXPECT_EQ(first.err[first.err.size() - 2], "Disconnected 0 OK");
    EXPECT_EQ(first.err.back(), "StatusLine HTTP/1.0 200 OK");
    // Transfer lines add up to the body.
    std::size_t sum = 0;
    std::string lastTotal;
    for (const std::string& l : first.err) {
        if (l.rfind("Transfer ", 0) == 0) {
            const std::size_t space = l.rfind(' ');
            sum += std::stoul(l.substr(space + 1));
            lastTotal = l.substr(9, space - 9);
        }
    }
    EXPECT_EQ(sum, content.size());
    EXPECT_EQ(lastTotal, "50000");

    const RunResult second = Fetch({"-X", "HEAD", url});
    EXPECT_EQ(second.exitCode, 0);
    EXPECT_EQ(second.out, "");
    EXPECT_EQ(second.err.front(), "Connected 0 OK");  // already registered
}

TEST(FetchwireRun, FailuresEndWithErrorLineAndExitOne) {
    const auto dir = FreshDir("cli");
    WriteFile(dir / "site/x", "x");
    PeerProcess server = PeerProcess::FileServer(dir / "site");
    const RunResult missing = Fetch({QString::fromStdString(server.Url("/missing"))});
    EXPECT_EQ(missing.exitCode, 1);
    ASSERT_GE(missing.err.size(), 2u);
    EXPECT_EQ(missing.err[missing.err.size() - 2], "StatusLine HTTP/1.0 404 File not found");
    EXPECT_EQ(missing.err.back(), "Error 20152 404 File not found");

    uint16_t port = 0;
    {
        PeerProcess gone = PeerProcess::Scripted("silent", dir / "r");
        port = gone.port();
    }
    const RunResult refused = Fetch({QString("http://127.0.0.1:%1/").arg(port)});
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_TRUE(Has(refused.err, "Connected 10061 [10061] Connection refused."));
    EXPECT_EQ(refused.err.back(), "Error 25062 [10061] Connection refused.");

    const RunResult badUsage = Fetch({"-X", "PUT", "http://h/"});
    EXPECT_EQ(badUsage.exitCode, 2);
}

TEST(FetchwireRun, ServerTextIsEscapedAndInOneEncoding) {
    const auto dir = FreshDir("cli");
    PeerProcess peer = PeerProcess::Replying(
        "HTTP/1.0 404 Nicht gef\xfcnden\r\nX-Odd: a\rb\nc\x1b[2J\\\x9b\r\n\r\nbody",
        dir / "record");
    const RunResult r = Fetch({QString::fromStdString(peer.Url("/"))});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.out, "body");
    EXPECT_TRUE(Has(r.err, "Header X-Odd: a\\rb\\nc\\x1b[2J\\\\\\x9b"));
    ASSERT_GE(r.err.size(), 2u);
    EXPECT_EQ(r.err[r.err.size() - 2], "StatusLine HTTP/1.0 404 Nicht gef\xc3\xbcnden");
    EXPECT_EQ(r.err.back(), "Error 20152 404 Nicht gef\xc3\xbcnden");
}

TEST(FetchwireRun, PostSendsDataFileAndHeaders) {
    const auto dir = FreshDir("cli");
    WriteFile(dir / "file.bin", "FILE");
    PeerProcess peer = PeerProcess::Replying("HTTP/1.0 200 OK\r\n\r\n", dir / "record");
    const RunResult r =
        Fetch({"-d", "a=1&", "-F", QString::fromStdString((dir / "file.bin").string()),
               "--content-type", "text/plain", "-H", "X-One: 1", "-H", "X-Two: 2", "-A", "cli",
               "-u", "u:p", "--if-modified-since", "yesterday", "--http-version", "HTTP/1.1",
               QString::fromStdString(peer.Url("/post/"))});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(ReadFile(dir / "record"),
              "POST /post/ HTTP/1.1\r\nAuthorization: Basic dTpw\r\nUser-Agent: cli\r\n"
              "If-Modified-Since: yesterday\r\nX-One: 1\r\nX-Two: 2\r\n"
              "Content-Type: text/plain\r\nContent-Length: 8\r\n\r\na=1&FILE");
}

TEST(FetchwireRun, ProxyAndCtrlC) {
    const auto dir = FreshDir("cli");
    PeerProcess proxy = PeerProcess::Replying("HTTP/1.0 200 OK\r\n\r\n", dir / "record");
    const RunResult viaProxy =
        Fetch({"--proxy", QString("127.0.0.1:%1").arg(proxy.port()), "http://far.example:8080/x"});
    EXPECT_EQ(viaProxy.exitCode, 0);
    EXPECT_EQ(ReadFile(dir / "record"),
              "GET http://far.example:8080/x HTTP/1.0\r\n"
              "User-Agent: Quillon's HTTP Control V2.0\r\n\r\n");

    PeerProcess hold = PeerProcess::Scripted("hold", dir / "held");
    const RunResult held = Fetch({QString::fromStdString(hold.Url("/"))}, "waiting");
    EXPECT_EQ(held.exitCode, 1);
    EXPECT_EQ(held.out, "waiting");
    EXPECT_EQ(held.err.back(), "Error 20302 Interrupted.");
}

}  // namespace
}  // namespace fetchwire::cli
