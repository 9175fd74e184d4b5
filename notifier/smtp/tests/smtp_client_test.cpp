// The sender against a scripted loopback server: exact bytes on the wire,
// codes for failed replies, pieces, cancels, time-outs and a server that
// stops reading.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "smtp/smtp_client.h"
#include "smtp/testing/fake_progress.h"
#include "smtp/testing/scripted_smtp_server.h"
#include "test_env.h"

using namespace corvy::smtp;
using corvy::smtp::testing::FakeProgress;
using corvy::smtp::testing::ScriptedSmtpServer;
using corvy::smtp::testing::SmtpStep;
using Steps = std::vector<SmtpStep>;

namespace {

SmtpStep S(std::string b) {
    return SmtpStep::Send(std::move(b));
}
SmtpStep E(std::string until = "\r\n") {
    return SmtpStep::Expect(std::move(until));
}

// Waits long enough that a loopback reply never misses one, so the Cancel
// questions come only where the sender asks them between steps.
SmtpOptions On(int port) {
    SmtpOptions o;
    o.port = static_cast<uint16_t>(port);
    return o;
}

// Short waits for the time-out cases.
SmtpOptions Short(int port) {
    SmtpOptions o = On(port);
    o.sendWait = std::chrono::milliseconds(20);
    o.readWait = std::chrono::milliseconds(20);
    return o;
}

// Greeting, HELO, MAIL FROM, RCPT TO and DATA all accepted.
Steps Accepting(Steps rest) {
    Steps s{S("220 ready\r\n"), E(), S("250 hi\r\n"), E(), S("250 ok\r\n"), E(),
            S("250 ok\r\n"),    E(), S("354 go\r\n")};
    s.insert(s.end(), rest.begin(), rest.end());
    return s;
}

std::string WithoutDate(std::string wire) {
    const std::size_t at = wire.find("\r\nDate: ");
    if (at != std::string::npos) {
        const std::size_t end = wire.find("\r\n", at + 2);
        wire.replace(at + 8, end - at - 8, "*");
    }
    return wire;
}

std::string Attachment(std::size_t size) {
    std::string bytes;
    for (std::size_t i = 0; i < size; ++i) {
        bytes += static_cast<char>(i * 7 + 3);
    }
    const auto path = vantry::test::FreshDir("att") / "data.bin";
    vantry::test::WriteFile(path, bytes);
    return path.string();
}

}  // namespace

TEST(SmtpClientConstruction, HostLengthLimit) {
    FakeProgress progress;
    int code = -1;
    { CSmtpClient c(std::string(256, 'h'), "m", code, progress); }
    EXPECT_EQ(code, kInvalidMailHost);
    { CSmtpClient c("", "m", code, progress); }
    EXPECT_EQ(code, kInvalidMailHost);
    // 255 characters pass the check and fail only as a name.
    { CSmtpClient c(std::string(255, 'h'), "m", code, progress); }
    EXPECT_EQ(code, kConnectFailed);
}

TEST(SmtpClientConstruction, RefusingGreetingIsTheServersOwnText) {
    ScriptedSmtpServer server({S("554 5.7.1 no thanks\r\n"), E(), S("221 bye\r\n")});
    FakeProgress progress;
    int code = -1;
    CSmtpClient c("127.0.0.1", "m", code, progress, On(server.Port()));
    EXPECT_EQ(code, kServerError);
    EXPECT_EQ(c.ErrorText(code), "554 5.7.1 no thanks");
    c.Quit();
    EXPECT_EQ(server.Received(), "QUIT\r\n");
}

TEST(SmtpClientSend, PlainMessageExactlyAsSent) {
    // The greeting comes in pieces and in continuation lines.
    ScriptedSmtpServer server({S("220-first\r\n220-sec"), S("ond\r\n220 ready\r\n"), E(),
                               S("250-hi\r\n250 there\r\n"), E(), S("250 ok\r\n"), E(),
                               S("250 ok\r\n"), E(), S("354 go\r\n"), E("\r\n.\r\n"),
                               S("250 queued\r\n"), E(), S("221 bye\r\n")});
    FakeProgress progress;
    int code = -1;
    CSmtpClient c("127.0.0.1", std::string(120, 'M'), code, progress, On(server.Port()));
    ASSERT_EQ(code, kSuccess);
    EXPECT_EQ(c.SendMail("me@example.org", "Me", "", "you@example.org", "Hello\n.\nBye"), kSuccess);
    EXPECT_EQ(c.Quit(), kSuccess);
    const std::string expected = "HELO " + CSmtpClient::LocalName() +
                                 "\r\n"
                                 "MAIL FROM:<me@example.org>\r\n"
                                 "RCPT TO:<you@example.org>\r\n"
                                 "DATA\r\n"
                                 "Return-Path: me@example.org\r\n"
                                 "X-Sender: Me\r\n"
                                 "X-Mailer: " +
                                 std::string(99, 'M') +
                                 "\r\n"
                                 "Content-Type: text/plain; charset=us-ascii\r\n"
                                 "Date: *\r\n"
                                 "Reply-To: me@example.org\r\n"
                                 "From: Me <me@example.org>\r\n"
                                 "Subject: No Subject\r\n"
                                 "To: you@example.org\r\n"
                                 "\r\n"
                                 "Hello\r\n..\r\nBye\r\n.\r\n"
                                 "QUIT\r\n";
    EXPECT_EQ(WithoutDate(server.Received()), expected);
}

TEST(SmtpClientSend, LongBodyGoesInPiecesOf1024WithCancelBetween) {
    ScriptedSmtpServer server(
        Accepting({E("\r\n.\r\n"), S("250 queued\r\n"), E(), S("221 bye\r\n")}));
    FakeProgress progress;
    progress.cancelAt = 3;  // before the third piece
    int code = -1;
    CSmtpClient c("127.0.0.1", "m", code, progress, On(server.Port()));
    std::string body;
    for (int i = 0; i < 3000; ++i) {
        body += static_cast<char>('a' + i % 26);
    }
    EXPECT_EQ(c.SendMail("a@b", "n", "s", "c@d", body), kUserCanceled);
    EXPECT_EQ(c.Quit(), kSuccess);
    const std::string wire = server.Received();
    const std::size_t start = wire.find("\r\n\r\n") + 4;
    EXPECT_EQ(wire.substr(start), body.substr(0, 2048) + "\r\n.\r\nQUIT\r\n");
}

TEST(SmtpClientSend, FailedRepliesGiveTheirStepsCode) {
    const Steps accepted{S("220 ready\r\n"), E(), S("250 hi\r\n"), E(),
                         S("250 ok\r\n"),    E(), S("250 ok\r\n"), E()};
    const std::string file = Attachment(10);
    for (std::size_t failAt = 0; failAt < 4; ++failAt) {
        SCOPED_TRACE(failAt);
        for (const bool attached : {false, true}) {
            Steps script(accepted.begin(), accepted.begin() + 2 + 2 * failAt);
            script.push_back(S("550 refused here\r\n"));
            script.push_back(E());
            script.push_back(S("221 bye\r\n"));
            ScriptedSmtpServer server(script);
            FakeProgress progress;
            int code = -1;
            CSmtpClient c("127.0.0.1", "m", code, progress, On(server.Port()));
            const int sent = attached ? c.SendMailWithAttachment("a@b", "n", "s", "c@d", "x", file)
                                      : c.SendMail("a@b", "n", "s", "c@d", "x");
            EXPECT_EQ(sent, attached ? kHeloFailed + static_cast<int>(failAt) : kServerError);
            EXPECT_EQ(c.ErrorText(kServerError), "550 refused here");
            EXPECT_EQ(c.Quit(), kSuccess);
        }
    }
}

TEST(SmtpClientSend, MissingFieldsAreRefusedBeforeTheServer) {
    ScriptedSmtpServer server({S("220 ready\r\n"), E(), S("221 bye\r\n")});
    FakeProgress progress;
    int code = -1;
    CSmtpClient c("127.0.0.1", "m", code, progress, On(server.Port()));
    EXPECT_EQ(c.SendMail("a@b", "n", "s", "c@d", ""), kNoContent);
    EXPECT_EQ(c.SendMail("a@b", "n", "s", "", "x"), kNoDestination);
    EXPECT_EQ(c.SendMailWithAttachment("", "n", "s", "c@d", "x", "/nowhere"), kNoReplyTo);
    EXPECT_EQ(c.SendMailWithAttachment("a@b", "n", "s", "c@d", "x", "/nowhere/file"),
              kAttachmentOpenFailed);
    EXPECT_EQ(c.Quit(), kSuccess);
    EXPECT_EQ(server.Received(), "QUIT\r\n");
}

TEST(SmtpClientAttachment, EncodedTailsExactly) {
    struct Case {
        std::size_t size;
        std::string encoded;  // between the part header and the closing boundary
    };
    const Case cases[] = {
        {0, "\r\n"},
        {1, "Aw==\r\n"},
        {2, "Awo=\r\n"},
        {3, "AwoR\r\n"},
        {57,
         "AwoRGB8mLTQ7QklQV15lbHN6gYiPlp2kq7K5wMfO1dzj6vH4/wYNFBsiKTA3PkVMU1phaG92fYSL\r\n\r\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.size);
        ScriptedSmtpServer server(
            Accepting({E("\r\n.\r\n"), S("250 queued\r\n"), E(), S("221 bye\r\n")}));
        FakeProgress progress;
        int code = -1;
        CSmtpClient client("127.0.0.1", "m", code, progress, On(server.Port()));
        ASSERT_EQ(client.SendMailWithAttachment("a@b", "n", "s", "c@d", "text", Attachment(c.size)),
                  kSuccess);
        client.Quit();
        const std::string b = client.Boundary();
        const std::string wire = server.Received();
        const std::string part = "--" + b +
                                 "\r\nContent-Type: application/octet-stream; name=\"data.bin\""
                                 "\r\nContent-Transfer-Encoding: base64\r\nContent-Description: "
                                 "data.bin\r\nContent-Disposition: attachment; "
                                 "filename=\"data.bin\"\r\n\r\n";
        const std::string text = "--" + b +
                                 "\r\nContent-type: text/plain; charset=us-ascii\r\n\r\n"
                                 "text\r\n";
        EXPECT_NE(wire.find("\r\n\r\n" + text + part + c.encoded + "\r\n--" + b +
                            "--\r\n\r\n.\r\nQUIT\r\n"),
                  std::string::npos)
            << wire;
        EXPECT_EQ(progress.rangeUpper, static_cast<int>(c.size / 100));
    }
}

TEST(SmtpClientAttachment, CancelDuringBase64StillEndsData) {
    ScriptedSmtpServer server(
        Accepting({E("\r\n.\r\n"), S("250 queued\r\n"), E(), S("221 bye\r\n")}));
    FakeProgress progress;
    // Four replies, headers, text part header and text make seven
    // questions; then one per group: 19 groups fill the first line.
    progress.cancelAt = 7 + 30;
    int code = -1;
    CSmtpClient c("127.0.0.1", "m", code, progress, On(server.Port()));
    EXPECT_EQ(c.SendMailWithAttachment("a@b", "n", "s", "c@d", "text", Attachment(3000)),
              kUserCanceled);
    EXPECT_EQ(c.Quit(), kSuccess);
    const std::string wire = server.Received();
    const std::size_t body = wire.find("filename=\"data.bin\"\r\n\r\n") + 23;
    const std::string rest = wire.substr(body);
    EXPECT_EQ(rest.size(), 76 + 2 + 5 + 6u) << rest;
    EXPECT_EQ(rest.substr(78), "\r\n.\r\nQUIT\r\n");
}

TEST(SmtpClientWaits, SilentServerTimesOutAfterThirtyWaits) {
    ScriptedSmtpServer server({SmtpStep::Hold()});
    FakeProgress progress;
    int code = -1;
    CSmtpClient c("127.0.0.1", "m", code, progress, Short(server.Port()));
    EXPECT_EQ(code, kTimedOut);
    EXPECT_EQ(progress.questions, 30);  // Cancel asked after every empty wait
    EXPECT_EQ(c.Quit(), kSendFailed);   // nothing more goes to a stalled server
}

TEST(SmtpClientWaits, CancelDuringAReplyWait) {
    ScriptedSmtpServer server({S("220 ready\r\n"), E(), SmtpStep::Hold()});
    FakeProgress progress;
    int code = -1;
    CSmtpClient c("127.0.0.1", "m", code, progress, Short(server.Port()));
    ASSERT_EQ(code, kSuccess);
    progress.cancelAt = 2;
    EXPECT_EQ(c.SendMail("a@b", "n", "s", "c@d", "x"), kUserCanceled);
}

TEST(SmtpClientWaits, ServerThatStopsReadingTimesOut) {
    ScriptedSmtpServer server(Accepting({SmtpStep::Hold()}), true);
    FakeProgress progress;
    int code = -1;
    CSmtpClient c("127.0.0.1", "m", code, progress, Short(server.Port()));
    ASSERT_EQ(code, kSuccess);
    EXPECT_EQ(c.SendMailWithAttachment("a@b", "n", "s", "c@d", "x", Attachment(12 << 20)),
              kTimedOut);
}

TEST(SmtpClientWaits, ClosedConnectionIsAReceiveFailure) {
    ScriptedSmtpServer server({S("220 ready\r\n"), E(), SmtpStep::Close()});
    FakeProgress progress;
    int code = -1;
    CSmtpClient c("127.0.0.1", "m", code, progress, On(server.Port()));
    EXPECT_EQ(c.SendMail("a@b", "n", "s", "c@d", "x"), kReceiveFailed);
}
