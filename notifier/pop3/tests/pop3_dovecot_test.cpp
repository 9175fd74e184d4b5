// The client against a real Dovecot POP3 server on loopback.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "pop3/pop3_client.h"
#include "pop3/testing/dovecot_fixture.h"
#include "pop3/testing/stat_reply.h"

using namespace corvy::pop3;
using namespace corvy::pop3::testing;

namespace {

std::string Message(const std::string& subject, const std::string& body,
                    const std::string& extraHeaders = {}) {
    return "From: Sender <sender@example.org>\r\nTo: alice@example.org\r\nSubject: " + subject +
           "\r\nDate: Mon, 7 Dec 2026 10:00:00 +0000\r\n" + extraHeaders + "\r\n" + body;
}

class Pop3Dovecot : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        server_ = std::make_unique<DovecotServer>(
            std::vector<DovecotServer::User>{{"alice", "wonder"}, {"bob", "builder"}});
    }
    static void TearDownTestSuite() { server_.reset(); }

    void SetUp() override {
        ASSERT_TRUE(server_->Running()) << server_->Error();
        server_->Clear("alice");
    }

    // alice signed in; null, with the reason reported, when she is not.
    static std::unique_ptr<CPop3Client> LogInAlice() {
        int code = -1;
        auto client = std::make_unique<CPop3Client>("127.0.0.1", "alice", "wonder", server_->Port(),
                                                    code, nullptr);
        if (code != kSuccess) {
            ADD_FAILURE() << client->ErrorText(code);
            return nullptr;
        }
        return client;
    }

    static std::unique_ptr<DovecotServer> server_;
};

std::unique_ptr<DovecotServer> Pop3Dovecot::server_;

}  // namespace

TEST_F(Pop3Dovecot, ReadsCountSizesIdsHeadersAndBodyLines) {
    server_->Deliver("alice", Message("first", "one\r\n"));
    server_->Deliver("alice", Message("second", "line 1\r\n.dotted\r\nline 3\r\nline 4\r\n"));
    const auto c = LogInAlice();
    ASSERT_NE(c, nullptr);

    EXPECT_EQ(StatOf(*c), StatReply(2, kSuccess));

    int listCode = -1;
    const int size = c->List(2, listCode);
    EXPECT_EQ(listCode, kSuccess);
    EXPECT_EQ(size, static_cast<int>(
                        Message("second", "line 1\r\n.dotted\r\nline 3\r\nline 4\r\n").size()));

    char id1[64];
    char id2[64];
    ASSERT_EQ(c->Uidl(1, id1, sizeof id1), kSuccess);
    ASSERT_EQ(c->Uidl(2, id2, sizeof id2), kSuccess);
    EXPECT_STRNE(id1, "");
    EXPECT_STRNE(id1, id2);

    std::vector<char> buffer(8192);
    ASSERT_EQ(c->Top(2, buffer.data(), buffer.size()), kSuccess);
    const std::string headers(buffer.data());
    EXPECT_NE(headers.find("Subject: second\r\n"), std::string::npos);
    EXPECT_EQ(headers.find("line 1"), std::string::npos);

    ASSERT_EQ(c->TopLines(2, buffer.data(), buffer.size(), 2), kSuccess);
    const std::string peek(buffer.data());
    // The server dot-stuffs ".dotted"; the client takes the stuffing off.
    EXPECT_NE(peek.find("\r\n\r\nline 1\r\n.dotted\r\n"), std::string::npos);
    EXPECT_EQ(peek.find("line 3"), std::string::npos);

    EXPECT_EQ(c->Top(9, buffer.data(), buffer.size()), kServerError);
    EXPECT_EQ(c->ErrorText(kServerError).rfind("-ERR", 0), 0u);
}

TEST_F(Pop3Dovecot, HeadersLargerThanBufferKeepConnectionInStep) {
    std::string many;
    for (int i = 0; i < 300; ++i) {
        many += "X-Trace-" + std::to_string(i) + ": " + std::string(40, 'q') + "\r\n";
    }
    server_->Deliver("alice", Message("big", "body\r\n", many));
    const auto c = LogInAlice();
    ASSERT_NE(c, nullptr);
    std::vector<char> buffer(8192);
    ASSERT_EQ(c->Top(1, buffer.data(), buffer.size()), kSuccess);
    const std::string held(buffer.data());
    EXPECT_EQ(held.rfind("From: Sender", 0), 0u);
    EXPECT_GT(held.size(), 8000u);
    EXPECT_LT(held.size(), 8192u);
    EXPECT_EQ(StatOf(*c), StatReply(1, kSuccess));
}

TEST_F(Pop3Dovecot, StuffedHeaderLineNeitherEndsHeadersNorDesynchronises) {
    server_->Deliver("alice", Message("dots", "body\r\n", ".X-Dot: yes\r\nX-After: 1\r\n"));
    const auto c = LogInAlice();
    ASSERT_NE(c, nullptr);
    std::vector<char> buffer(8192);
    ASSERT_EQ(c->Top(1, buffer.data(), buffer.size()), kSuccess);
    const std::string headers(buffer.data());
    EXPECT_NE(headers.find("\r\n.X-Dot: yes\r\nX-After: 1\r\n"), std::string::npos) << headers;
    EXPECT_EQ(StatOf(*c), StatReply(1, kSuccess));
}

TEST_F(Pop3Dovecot, DeleteTakesEffectAtQuit) {
    server_->Deliver("alice", Message("a", "x\r\n"));
    server_->Deliver("alice", Message("b", "y\r\n"));
    {
        const auto c = LogInAlice();
        ASSERT_NE(c, nullptr);
        int statCode = -1;
        ASSERT_EQ(c->Stat(statCode), 2);
        EXPECT_EQ(c->Dele(1), kSuccess);
        EXPECT_EQ(c->Dele(1), kServerError);  // already marked
    }
    EXPECT_EQ(server_->StoredCount("alice"), 1);
    const auto again = LogInAlice();
    ASSERT_NE(again, nullptr);
    std::vector<char> buffer(8192);
    ASSERT_EQ(again->Top(1, buffer.data(), buffer.size()), kSuccess);
    EXPECT_NE(std::string(buffer.data()).find("Subject: b\r\n"), std::string::npos);
}

TEST_F(Pop3Dovecot, WrongPasswordGivesServerLine) {
    int code = -1;
    CPop3Client c("127.0.0.1", "alice", "wrong", server_->Port(), code, nullptr);
    EXPECT_EQ(code, kServerError);
    EXPECT_EQ(c.ErrorText(code).rfind("-ERR", 0), 0u);
    EXPECT_NE(c.ErrorText(code).find("uthentication failed"), std::string::npos);
}
