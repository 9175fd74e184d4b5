// The client against a scripted loopback server: exact bytes sent, codes
// for odd replies, the drain after a full buffer, time-out, cancel.
#include <gtest/gtest.h>

#include <arpa/inet.h>

#include <QElapsedTimer>
#include <QTimer>
#include <string>
#include <vector>

#include "pop3/pop3_client.h"
#include "pop3/testing/event_trigger.h"
#include "pop3/testing/scripted_pop3_server.h"
#include "pop3/testing/stat_reply.h"
#include "pop3/testing/unreachable_server.h"

using namespace corvy::pop3;
using namespace corvy::pop3::testing;
using Lines = std::vector<std::string>;

namespace {

ScriptStep S(std::string b) {
    return ScriptStep::Send(std::move(b));
}
ScriptStep R() {
    return ScriptStep::Receive();
}

// The login exchange that every script starts with.
std::vector<ScriptStep> LoggedIn(std::vector<ScriptStep> rest) {
    std::vector<ScriptStep> s{S("+OK ready\r\n"), R(), S("+OK\r\n"), R(), S("+OK in\r\n")};
    s.insert(s.end(), rest.begin(), rest.end());
    return s;
}

// A progress window that records what the client asks and says Cancel once
// it is armed.
class FakeProgress : public Pop3Progress {
public:
    void EnableCancel(bool enabled) override { enables.push_back(enabled); }
    void SetTitle(const std::string& title) override { titles.push_back(title); }
    bool CheckCancelButton() override {
        ++questions;
        const bool answer = armed;
        armed = false;
        return answer;
    }
    bool armed = false;
    int questions = 0;
    std::vector<bool> enables;
    std::vector<std::string> titles;
};

}  // namespace

TEST(Pop3ClientArguments, RefusedBeforeTheNetwork) {
    int code = -1;
    { CPop3Client c("127.0.0.1", "u", "p", 0, code, nullptr); }
    EXPECT_EQ(code, kInvalidPort);
    { CPop3Client c("", "u", "p", 110, code, nullptr); }
    EXPECT_EQ(code, kBadHostName);
    { CPop3Client c(std::string(257, 'h'), "u", "p", 110, code, nullptr); }
    EXPECT_EQ(code, kBadHostName);
}

TEST(Pop3ClientArguments, LongestHostNameIsTriedAndUnresolvedIsConnectFailure) {
    int code = -1;
    // 256 characters pass the length rule; the look-up then fails: code 5, not 3.
    { CPop3Client c(std::string(252, 'h') + ".zz", "u", "p", 110, code, nullptr); }
    EXPECT_EQ(code, kConnectFailed);
    { CPop3Client c("no-such-host.invalid", "u", "p", 110, code, nullptr); }
    EXPECT_EQ(code, kConnectFailed);
    EXPECT_EQ(ResolveHost(""), 0u);
    EXPECT_EQ(ResolveHost("127.0.0.1"), htonl(0x7f000001));
    EXPECT_EQ(ResolveHost("255.255.255.255"), 0xffffffffu);
}

TEST(Pop3ClientArguments, NothingListeningIsConnectFailure) {
    int port = 0;
    {
        ScriptedPop3Server probe({});
        port = probe.Port();
        probe.Lines(std::chrono::milliseconds(1));
    }
    int code = -1;
    { CPop3Client c("127.0.0.1", "u", "p", port, code, nullptr); }
    EXPECT_EQ(code, kConnectFailed);
}

TEST(Pop3ClientArguments, UnreachableServerCostsOnlyTheConnectLimit) {
    // SYNs are dropped: nothing may be sent or awaited on a socket that
    // never connected, so leaving costs nothing after the connect limit.
    corvy::pop3::testing::UnreachableServer server;
    Pop3Options options;
    options.connectTimeout = std::chrono::milliseconds(200);
    options.readTimeout = std::chrono::milliseconds(3000);
    int code = -1;
    QElapsedTimer clock;
    clock.start();
    { CPop3Client c("127.0.0.1", "u", "p", server.Port(), code, nullptr, options); }
    EXPECT_EQ(code, kConnectFailed);
    EXPECT_GE(clock.elapsed(), 150);
    EXPECT_LT(clock.elapsed(), 2000);
}

TEST(Pop3ClientLogin, SendsExactCommandsAndQuit) {
    ScriptedPop3Server server(LoggedIn({R(), S("+OK 2 300\r\n"), R(), S("+OK bye\r\n")}));
    FakeProgress progress;
    int code = -1;
    {
        CPop3Client c("127.0.0.1", "alice", "secret", server.Port(), code, &progress);
        ASSERT_EQ(code, kSuccess);
        EXPECT_EQ(StatOf(c), StatReply(2, kSuccess));
    }
    EXPECT_EQ(server.Lines(), (Lines{"USER alice", "PASS secret", "STAT", "QUIT"}));
    // Cancel is off while connecting and on again for the conversation.
    EXPECT_EQ(progress.enables, (std::vector<bool>{false, true}));
    EXPECT_EQ(progress.titles, (Lines{"Logging into Host..."}));
}

TEST(Pop3ClientLogin, LineBreaksInCredentialsNeverReachTheServer) {
    ScriptedPop3Server server(LoggedIn({R(), S("+OK\r\n")}));
    int code = -1;
    { CPop3Client c("127.0.0.1", "al\r\nDELE 1\nice", "se\rcret\n", server.Port(), code, nullptr); }
    EXPECT_EQ(code, kSuccess);
    EXPECT_EQ(server.Lines(), (Lines{"USER alDELE 1ice", "PASS secret", "QUIT"}));
}

TEST(Pop3ClientLogin, DashGreetingEndsWithServerLine) {
    ScriptedPop3Server server({S("-ERR go away\r\n")});
    int code = -1;
    CPop3Client c("127.0.0.1", "u", "p", server.Port(), code, nullptr);
    EXPECT_EQ(code, kServerError);
    EXPECT_EQ(c.ErrorText(code), "-ERR go away");
}

TEST(Pop3ClientLogin, RejectedPasswordGivesServerLine) {
    ScriptedPop3Server server(
        {S("+OK\r\n"), R(), S("+OK\r\n"), R(), S("-ERR wrong\r\n"), R(), S("+OK\r\n")});
    int code = -1;
    {
        CPop3Client c("127.0.0.1", "u", "p", server.Port(), code, nullptr);
        EXPECT_EQ(code, kServerError);
        EXPECT_EQ(c.ErrorText(code), "-ERR wrong");
    }
    EXPECT_EQ(server.Lines(), (Lines{"USER u", "PASS p", "QUIT"}));
}

TEST(Pop3ClientReplies, NoPlusOkStillSucceedsAndStatWithoutSpaceIsZero) {
    ScriptedPop3Server server({S("hello\r\n"), R(), S("\r\n"), R(), S("fine\r\n"), R(),
                               S("+OK\r\n"), R(), S("whatever 7 99\r\n"), R(), S("ok\r\n")});
    int code = -1;
    CPop3Client c("127.0.0.1", "u", "p", server.Port(), code, nullptr);
    ASSERT_EQ(code, kSuccess);
    EXPECT_EQ(StatOf(c), StatReply(0, kSuccess));
    int listCode = -1;
    EXPECT_EQ(c.List(7, listCode), 99);
    EXPECT_EQ(listCode, kSuccess);
}

TEST(Pop3ClientReplies, UidlFindsNumberKeyOrGivesUnknownError) {
    ScriptedPop3Server server(LoggedIn({R(), S("+OK 12 abc\r\n"), R(), S("+OK 1 abc\r\n"), R(),
                                        S("-ERR no such\r\n"), R(), S("+OK 3 0123456789\r\n")}));
    int code = -1;
    CPop3Client c("127.0.0.1", "u", "p", server.Port(), code, nullptr);
    ASSERT_EQ(code, kSuccess);
    char id[16];
    EXPECT_EQ(c.Uidl(12, id, sizeof id), kSuccess);
    EXPECT_STREQ(id, "abc");
    EXPECT_EQ(c.Uidl(12, id, sizeof id), kUnknownError);
    EXPECT_STREQ(id, "");
    EXPECT_EQ(c.Uidl(12, id, sizeof id), kServerError);
    EXPECT_EQ(c.ErrorText(kServerError), "-ERR no such");
    char small[5];
    EXPECT_EQ(c.Uidl(3, small, sizeof small), kSuccess);
    EXPECT_STREQ(small, "0123");
}

TEST(Pop3ClientMultiLine, EndsOnlyAtDotLineStartAndRemovesStuffing) {
    // A header line cut after 4095 bytes whose remainder is "." or "..x"
    // is neither the end nor stuffed; a stuffed line at a line start is.
    const std::string longLine = "X-Long: " + std::string(4095 - 8, 'l');
    ScriptedPop3Server server(LoggedIn(
        {R(), S("+OK\r\n..X-Dot: 1\r\n" + longLine + ".\r\n" + longLine + "..x\r\nB: 2\r\n.\r\n"),
         R(), S("+OK\r\nFrom: a\r\n\r\nbody\r\n..\r\n...x\r\n.x\r\n.\r\n"), R(),
         S("+OK 1 5\r\n")}));
    int code = -1;
    CPop3Client c("127.0.0.1", "u", "p", server.Port(), code, nullptr);
    ASSERT_EQ(code, kSuccess);
    std::vector<char> buffer(16384);
    EXPECT_EQ(c.Top(1, buffer.data(), buffer.size()), kSuccess);
    EXPECT_EQ(std::string(buffer.data()),
              ".X-Dot: 1\r\n" + longLine + "\r\n.\r\n" + longLine + "\r\n..x\r\nB: 2\r\n");
    EXPECT_EQ(c.TopLines(1, buffer.data(), buffer.size(), 5), kSuccess);
    EXPECT_STREQ(buffer.data(), "From: a\r\n\r\nbody\r\n.\r\n..x\r\n.x\r\n");
    int listCode = -1;
    EXPECT_EQ(c.List(1, listCode), 5);  // still in step
}

TEST(Pop3ClientMultiLine, FullBufferDrainsTheRestAndNextCommandWorks) {
    std::string headers;
    for (int i = 0; i < 400; ++i) {
        headers += "X-Filler-" + std::to_string(i) + ": " + std::string(30, 'x') + "\r\n";
    }
    // TopLines drains through a ".." body line to the real end.
    ScriptedPop3Server server(
        LoggedIn({R(), S("+OK\r\n" + headers + ".\r\n"), R(),
                  S("+OK\r\n" + headers + "\r\n..\r\nmore\r\n.\r\n"), R(), S("+OK 4 0\r\n")}));
    int code = -1;
    CPop3Client c("127.0.0.1", "u", "p", server.Port(), code, nullptr);
    ASSERT_EQ(code, kSuccess);
    std::vector<char> buffer(8192, 'Z');
    EXPECT_EQ(c.Top(1, buffer.data(), buffer.size()), kSuccess);
    const std::string held(buffer.data());
    EXPECT_LT(held.size(), buffer.size());
    EXPECT_EQ(held, headers.substr(0, held.size()));
    EXPECT_EQ(held.substr(held.size() - 2), "\r\n");  // whole lines only
    EXPECT_GT(held.size(), 8192u - 64u);
    EXPECT_EQ(c.TopLines(1, buffer.data(), buffer.size(), 9), kSuccess);
    EXPECT_EQ(StatOf(c), StatReply(4, kSuccess));
}

TEST(Pop3ClientMultiLine, DashStatusIsErrorAndNothingIsRead) {
    ScriptedPop3Server server(LoggedIn({R(), S("-ERR no such message\r\n"), R(), S("+OK\r\n")}));
    int code = -1;
    CPop3Client c("127.0.0.1", "u", "p", server.Port(), code, nullptr);
    ASSERT_EQ(code, kSuccess);
    char buffer[64] = "old";
    EXPECT_EQ(c.Top(9, buffer, sizeof buffer), kServerError);
    EXPECT_STREQ(buffer, "");
    EXPECT_EQ(c.Dele(1), kSuccess);
}

TEST(Pop3ClientTransport, ServerClosingBeforeLineEndIsReceiveFailure) {
    ScriptedPop3Server server(LoggedIn({R(), S("+OK 3"), ScriptStep::Close()}));
    int code = -1;
    CPop3Client c("127.0.0.1", "u", "p", server.Port(), code, nullptr);
    ASSERT_EQ(code, kSuccess);
    const StatReply stat = StatOf(c);
    EXPECT_EQ(stat, StatReply(0, kReceiveFailed));
    EXPECT_EQ(c.ErrorText(stat.second), "Error! Failed to receive from host!");
    EXPECT_EQ(c.Dele(1), kReceiveFailed);
}

TEST(Pop3ClientTransport, SilentServerTimesOutAndUiKeepsRunning) {
    ScriptedPop3Server server(LoggedIn({R(), ScriptStep::Hold()}));
    Pop3Options options;
    options.readTimeout = std::chrono::milliseconds(300);
    int ticks = 0;
    QTimer probe;
    QObject::connect(&probe, &QTimer::timeout, [&] { ++ticks; });
    probe.start(10);
    int code = -1;
    QElapsedTimer clock;
    clock.start();
    {
        CPop3Client c("127.0.0.1", "u", "p", server.Port(), code, nullptr, options);
        ASSERT_EQ(code, kSuccess);
        int statCode = -1;
        c.Stat(statCode);
        EXPECT_EQ(statCode, kTimedOut);
        EXPECT_EQ(c.Dele(1), kReceiveFailed);  // out of step: nothing more is read
    }
    EXPECT_GE(clock.elapsed(), 250);
    EXPECT_LT(clock.elapsed(), 3000);
    EXPECT_GE(ticks, 10);  // the event loop ran while the socket waited
    // After the time-out the connection is dropped, so no QUIT follows.
    EXPECT_EQ(server.Lines(), (Lines{"USER u", "PASS p", "STAT"}));
}

TEST(Pop3ClientCancel, CancelIsStickyAndNothingIsSentAfter) {
    ScriptedPop3Server server(LoggedIn({R(), ScriptStep::Hold()}));
    FakeProgress progress;
    int code = -1;
    {
        CPop3Client c("127.0.0.1", "u", "p", server.Port(), code, &progress);
        ASSERT_EQ(code, kSuccess);
        progress.armed = true;
        EXPECT_EQ(StatOf(c), StatReply(0, kUserCanceled));
        EXPECT_EQ(c.Dele(1), kUserCanceled);
        char buffer[32];
        EXPECT_EQ(c.Top(1, buffer, sizeof buffer), kUserCanceled);
        EXPECT_EQ(c.ErrorText(kUserCanceled), "User canceled!");
    }
    EXPECT_GT(progress.questions, 0);
    EXPECT_EQ(server.Lines(), (Lines{"USER u", "PASS p", "STAT"}));
}

TEST(Pop3ClientCancel, CancelDuringLoginEndsLoginWithCancel) {
    ScriptedPop3Server server({ScriptStep::Hold()});
    FakeProgress progress;
    // Connected to a server that never greets: the client can only be waiting.
    LoopTrigger cancel([&] { return server.Connected(); }, [&] { progress.armed = true; });
    int code = -1;
    { CPop3Client c("127.0.0.1", "u", "p", server.Port(), code, &progress); }
    EXPECT_TRUE(cancel.Fired());
    EXPECT_EQ(code, kUserCanceled);
    EXPECT_EQ(server.Lines(), Lines{});
}

TEST(Pop3ClientCancel, ProgramExitCancelsBlockingCall) {
    ScriptedPop3Server server(LoggedIn({R(), ScriptStep::Hold()}));
    int code = -1;
    CPop3Client c("127.0.0.1", "u", "p", server.Port(), code, nullptr);
    ASSERT_EQ(code, kSuccess);
    // STAT has reached the server, which never answers: Stat is blocked.
    LoopTrigger exit([&] { return server.LinesSoFar().size() == 3; },
                     [] { CClientSocket::CancelBlockingCalls(); });
    int statCode = -1;
    c.Stat(statCode);
    EXPECT_TRUE(exit.Fired());
    EXPECT_EQ(statCode, kUserCanceled);
}
