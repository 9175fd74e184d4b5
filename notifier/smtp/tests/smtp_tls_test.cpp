// Submission servers that require TLS and signing in: aiosmtpd with a
// certificate from a test authority, and scripted servers for what a real
// one would not do. Certificate checks live in the TLS session and are
// tested with the POP3 client.
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "pop3/testing/test_ca.h"
#include "smtp/smtp_client.h"
#include "smtp/testing/aiosmtpd_fixture.h"
#include "smtp/testing/fake_progress.h"
#include "smtp/testing/scripted_smtp_server.h"

using namespace corvy::smtp;
using corvy::pop3::Security;
using corvy::pop3::testing::TrustedTestAuthority;
using corvy::smtp::testing::AiosmtpdServer;
using corvy::smtp::testing::FakeProgress;
using corvy::smtp::testing::ScriptedSmtpServer;
using corvy::smtp::testing::SmtpStep;

namespace {

SmtpOptions Account(int port, Security security, std::string user = {}, std::string password = {}) {
    SmtpOptions o;
    o.port = static_cast<uint16_t>(port);
    o.security = security;
    o.user = std::move(user);
    o.password = std::move(password);
    return o;
}

class SmtpTls : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        ca_ = std::make_unique<TrustedTestAuthority>("Corvy Test Authority");
        cert_ = ca_->Issue("smtp", "localhost");
    }
    static void TearDownTestSuite() { ca_.reset(); }
    void SetUp() override { ASSERT_TRUE(ca_->Ok()) << ca_->Error(); }

    static std::unique_ptr<AiosmtpdServer> Server(const std::string& mode, bool loginOnly = false) {
        return std::make_unique<AiosmtpdServer>(AiosmtpdServer::Submission{
            mode, cert_.certFile, cert_.keyFile, "alice", "wonder", loginOnly});
    }

    static int Send(const std::string& host, const SmtpOptions& options,
                    std::string* text = nullptr) {
        FakeProgress progress;
        int code = -1;
        CSmtpClient c(host, "Corvy v3.1a", code, progress, options);
        if (code == kSuccess) {
            code = c.SendMail("me@example.org", "Me", "hi", "you@example.org", "Hello.\r\n");
        }
        if (text != nullptr) {
            *text = c.ErrorText(code);
        }
        const int quit = c.Quit();
        return code == kSuccess ? quit : code;
    }

    static std::unique_ptr<TrustedTestAuthority> ca_;
    static corvy::pop3::testing::IssuedCertificate cert_;
};

std::unique_ptr<TrustedTestAuthority> SmtpTls::ca_;
corvy::pop3::testing::IssuedCertificate SmtpTls::cert_;

}  // namespace

TEST_F(SmtpTls, SignsInAndSendsOverStartTlsAndImplicitTls) {
    for (const auto& [mode, security, loginOnly] :
         {std::tuple{"starttls", Security::StartTls, false},
          {"starttls", Security::StartTls, true},
          {"tls", Security::Tls, false}}) {
        const auto server = Server(mode, loginOnly);
        ASSERT_TRUE(server->Running()) << server->Error();
        std::string text;
        EXPECT_EQ(Send("localhost", Account(server->Port(), security, "alice", "wonder"), &text),
                  kSuccess)
            << mode << " " << text;
        EXPECT_EQ(server->Envelope(1), "me@example.org\nyou@example.org\nauth alice\n") << mode;
        EXPECT_EQ(server->Message(1).body.rfind("Hello.\r\n", 0), 0u);
    }
}

TEST_F(SmtpTls, WrongPasswordIsAnErrorOfItsOwnWithTheServersReply) {
    const auto server = Server("starttls");
    ASSERT_TRUE(server->Running()) << server->Error();
    std::string text;
    EXPECT_EQ(
        Send("localhost", Account(server->Port(), Security::StartTls, "alice", "nope"), &text),
        kAuthFailed);
    EXPECT_NE(text.find("535"), std::string::npos) << text;
    EXPECT_EQ(server->Message(1).defects, -1);
}

TEST(SmtpTlsScripted, NothingButEhloGoesOutWithoutStartTls) {
    // A server, or a man in the middle, that leaves STARTTLS out.
    ScriptedSmtpServer stripped({SmtpStep::Send("220 hi\r\n"), SmtpStep::Expect(),
                                 SmtpStep::Send("250-mx\r\n250-STARTTLSX\r\n250 AUTH PLAIN\r\n"),
                                 SmtpStep::Hold()});
    FakeProgress progress;
    int code = -1;
    {
        CSmtpClient c("127.0.0.1", "Corvy v3.1a", code, progress,
                      Account(stripped.Port(), Security::StartTls, "alice", "secret"));
        ASSERT_EQ(code, kSuccess);
        EXPECT_EQ(c.SendMail("me@example.org", "", "s", "you@example.org", "x"), kTlsNotOffered);
    }
    stripped.Release();  // the client is gone: let the script end instead of timing out
    EXPECT_EQ(stripped.Received(), "EHLO " + CSmtpClient::LocalName() + "\r\n");

    // A user name without TLS: the password would travel in clear text.
    ScriptedSmtpServer plain({SmtpStep::Send("220 hi\r\n"), SmtpStep::Hold()});
    {
        CSmtpClient c("127.0.0.1", "Corvy v3.1a", code, progress,
                      Account(plain.Port(), Security::None, "alice", "secret"));
        ASSERT_EQ(code, kSuccess);
        EXPECT_EQ(c.SendMail("me@example.org", "", "s", "you@example.org", "x"), kAuthNeedsTls);
    }
    plain.Release();
    EXPECT_EQ(plain.Received(), "");
}
