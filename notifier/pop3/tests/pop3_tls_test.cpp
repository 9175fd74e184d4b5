// Accounts that ask for TLS: a real Dovecot that requires it, with
// certificates from a test authority, and scripted servers for the
// downgrades a real server would not play.
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "pop3/pop3_client.h"
#include "pop3/testing/dovecot_fixture.h"
#include "pop3/testing/scripted_pop3_server.h"
#include "pop3/testing/stat_reply.h"
#include "pop3/testing/test_ca.h"

using namespace corvy::pop3;
using namespace corvy::pop3::testing;

namespace {

const std::vector<DovecotServer::User> kUsers{{"alice", "wonder"}};

DovecotServer::Certificate ToServer(const IssuedCertificate& cert) {
    return {cert.certFile, cert.keyFile};
}

Pop3Options Secured(Security security, std::string pin = {}) {
    Pop3Options options;
    options.security = security;
    options.pinnedFingerprint = std::move(pin);
    options.readTimeout = std::chrono::seconds(20);
    return options;
}

class Pop3Tls : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        ca_ = std::make_unique<TrustedTestAuthority>("Corvy Test Authority");
        server_ =
            std::make_unique<DovecotServer>(kUsers, ToServer(ca_->Issue("good", "localhost")));
    }
    static void TearDownTestSuite() {
        server_.reset();
        ca_.reset();
    }
    void SetUp() override {
        ASSERT_TRUE(ca_->Ok()) << ca_->Error();
        ASSERT_TRUE(server_->Running()) << server_->Error();
    }

    // A server of its own for one certificate.
    static std::unique_ptr<DovecotServer> ServerWith(const IssuedCertificate& cert) {
        return std::make_unique<DovecotServer>(kUsers, ToServer(cert));
    }

    static std::unique_ptr<TrustedTestAuthority> ca_;
    static std::unique_ptr<DovecotServer> server_;
};

std::unique_ptr<TrustedTestAuthority> Pop3Tls::ca_;
std::unique_ptr<DovecotServer> Pop3Tls::server_;

}  // namespace

TEST_F(Pop3Tls, LogsInThroughStlsAndThroughImplicitTls) {
    server_->Deliver("alice", "Subject: hi\r\n\r\nbody\r\n");
    for (const auto& [security, port] :
         {std::pair{Security::StartTls, server_->Port()}, {Security::Tls, server_->TlsPort()}}) {
        int code = -1;
        CPop3Client c("localhost", "alice", "wonder", port, code, nullptr, Secured(security));
        ASSERT_EQ(code, kSuccess) << c.ErrorText(code);
        EXPECT_EQ(StatOf(c), StatReply(1, kSuccess));
        char headers[256];
        EXPECT_EQ(c.Top(1, headers, sizeof headers), kSuccess);
        EXPECT_STREQ(headers, "Subject: hi\r\n\r\n");
    }
}

TEST_F(Pop3Tls, RefusesAHostNameTheCertificateDoesNotName) {
    int code = -1;
    CPop3Client c("127.0.0.1", "alice", "wonder", server_->TlsPort(), code, nullptr,
                  Secured(Security::Tls));
    ASSERT_EQ(code, kCertificateRefused);
    const std::string text = c.ErrorText(code);
    EXPECT_NE(text.find("127.0.0.1"), std::string::npos) << text;
    EXPECT_NE(text.find("CN=localhost"), std::string::npos) << text;
    EXPECT_NE(text.find("SHA-256: "), std::string::npos) << text;
}

TEST_F(Pop3Tls, RefusesExpiredAndUnknownAuthorityCertificates) {
    TestCertificateAuthority stranger("Somebody Else");
    ASSERT_TRUE(stranger.Ok()) << stranger.Error();
    const struct {
        IssuedCertificate cert;
        const char* reason;
    } cases[] = {
        {ca_->Issue("old", "localhost", true), "expired"},
        {stranger.Issue("stranger", "localhost"), "local issuer"},
    };
    for (const auto& c : cases) {
        ASSERT_TRUE(ca_->Ok() && stranger.Ok()) << ca_->Error() << stranger.Error();
        const auto server = ServerWith(c.cert);
        ASSERT_TRUE(server->Running()) << server->Error();
        for (const auto& [security, port] :
             {std::pair{Security::StartTls, server->Port()}, {Security::Tls, server->TlsPort()}}) {
            int code = -1;
            CPop3Client client("localhost", "alice", "wonder", port, code, nullptr,
                               Secured(security));
            EXPECT_EQ(code, kCertificateRefused);
            EXPECT_NE(client.ErrorText(code).find(c.reason), std::string::npos)
                << client.ErrorText(code);
        }
    }
}

TEST_F(Pop3Tls, PinnedSelfSignedCertificateIsAcceptedAndAChangedOneRefused) {
    const auto own = ca_->SelfSigned("own", "localhost");
    const auto other = ca_->SelfSigned("other", "localhost");
    const auto server = ServerWith(own);
    ASSERT_TRUE(server->Running()) << server->Error();

    int code = -1;
    std::string seen;
    {
        CPop3Client first("localhost", "alice", "wonder", server->TlsPort(), code, nullptr,
                          Secured(Security::Tls));
        ASSERT_EQ(code, kCertificateRefused);
        seen = first.PeerFingerprint();
    }
    ASSERT_EQ(seen.size(), 95u);
    // The user accepts it as shown, in whatever case they copied it.
    std::string lower = seen;
    for (char& ch : lower) {
        ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
    }
    {
        CPop3Client again("localhost", "alice", "wonder", server->Port(), code, nullptr,
                          Secured(Security::StartTls, lower));
        ASSERT_EQ(code, kSuccess) << again.ErrorText(code);
        int statCode = -1;
        again.Stat(statCode);
        EXPECT_EQ(statCode, kSuccess);
    }
    // The server now shows another certificate than the one accepted.
    const auto changed = ServerWith(other);
    ASSERT_TRUE(changed->Running()) << changed->Error();
    CPop3Client refused("localhost", "alice", "wonder", changed->TlsPort(), code, nullptr,
                        Secured(Security::Tls, seen));
    EXPECT_EQ(code, kCertificateRefused);
    EXPECT_NE(refused.PeerFingerprint(), seen);
    EXPECT_NE(refused.ErrorText(code).find("not the certificate accepted"), std::string::npos);
}

TEST(Pop3TlsScripted, NeverSendsCredentialsWhenStlsIsMissingOrFails) {
    const std::vector<std::vector<ScriptStep>> scripts = {
        // Capabilities without STLS, as a stripping man in the middle leaves them.
        {ScriptStep::Send("+OK ready\r\n"), ScriptStep::Receive(),
         ScriptStep::Send("+OK\r\nUSER\r\nTOP\r\nSTLSX\r\n.\r\n"), ScriptStep::Hold()},
        // No CAPA at all.
        {ScriptStep::Send("+OK ready\r\n"), ScriptStep::Receive(),
         ScriptStep::Send("-ERR what\r\n"), ScriptStep::Hold()},
    };
    for (const auto& script : scripts) {
        ScriptedPop3Server server(script);
        int code = -1;
        {
            CPop3Client c("127.0.0.1", "alice", "secret", server.Port(), code, nullptr,
                          Secured(Security::StartTls));
            EXPECT_EQ(code, kTlsNotOffered);
        }
        EXPECT_EQ(server.Lines(), std::vector<std::string>{"CAPA"});
    }
    // Offered and accepted, then the handshake breaks off, or clear text
    // rides in behind the go-ahead where only TLS may follow.
    for (const char* after : {"+OK go ahead\r\n", "+OK go ahead\r\n-ERR injected\r\n"}) {
        ScriptedPop3Server broken({ScriptStep::Send("+OK ready\r\n"), ScriptStep::Receive(),
                                   ScriptStep::Send("+OK\r\nSTLS\r\n.\r\n"), ScriptStep::Receive(),
                                   ScriptStep::Send(after), ScriptStep::Close()});
        int code = -1;
        {
            CPop3Client c("127.0.0.1", "alice", "secret", broken.Port(), code, nullptr,
                          Secured(Security::StartTls));
            EXPECT_EQ(code, kTlsFailed) << c.ErrorText(code);
        }
        EXPECT_EQ(broken.Lines(), (std::vector<std::string>{"CAPA", "STLS"}));
    }
}
