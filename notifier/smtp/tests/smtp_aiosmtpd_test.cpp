// Messages sent to a real SMTP server (aiosmtpd) and read back with Python's
// email package: headers, bodies with dots and line ends, text outside
// US-ASCII, header injection, and attachments that must arrive byte-exact.
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "smtp/smtp_client.h"
#include "smtp/testing/aiosmtpd_fixture.h"
#include "smtp/testing/fake_progress.h"
#include "test_env.h"

using namespace corvy::smtp;
using corvy::smtp::testing::AiosmtpdServer;
using corvy::smtp::testing::FakeProgress;
using corvy::smtp::testing::ParsedMessage;

namespace {

class SmtpAiosmtpd : public ::testing::Test {
protected:
    static void SetUpTestSuite() { server_ = new AiosmtpdServer(); }
    static void TearDownTestSuite() {
        delete server_;
        server_ = nullptr;
    }
    void SetUp() override {
        if (!server_->Running()) {
            GTEST_SKIP() << server_->Error();
        }
    }

    // Sends one message and returns it as the server stored it.
    ParsedMessage Send(const std::string& name, const std::string& subject,
                       const std::string& recipient, const std::string& body,
                       const std::string& path = {}) {
        FakeProgress progress;
        SmtpOptions options;
        options.port = static_cast<uint16_t>(server_->Port());
        int code = -1;
        CSmtpClient c("127.0.0.1", "Corvy v3.1a", code, progress, options);
        EXPECT_EQ(code, kSuccess);
        const int sent = path.empty() ? c.SendMail("me@example.org", name, subject, recipient, body)
                                      : c.SendMailWithAttachment("me@example.org", name, subject,
                                                                 recipient, body, path);
        EXPECT_EQ(sent, kSuccess) << c.ErrorText(sent);
        EXPECT_EQ(c.Quit(), kSuccess);
        return server_->Message(++count_);
    }

    static AiosmtpdServer* server_;
    static int count_;
};

AiosmtpdServer* SmtpAiosmtpd::server_ = nullptr;
int SmtpAiosmtpd::count_ = 0;

}  // namespace

TEST_F(SmtpAiosmtpd, PlainMessageReadsBackWhole) {
    const ParsedMessage m =
        Send("Doe, John", "Status", "you@example.org", "Line one\n.\n..two\r\nend.");
    EXPECT_EQ(m.defects, 0);
    EXPECT_EQ(m.headers.at("From-name"), "Doe, John");
    EXPECT_EQ(m.headers.at("From-addr"), "me@example.org");
    EXPECT_EQ(m.headers.at("Reply-To"), "me@example.org");
    EXPECT_EQ(m.headers.at("Subject"), "Status");
    EXPECT_EQ(m.headers.at("To"), "you@example.org");
    EXPECT_EQ(m.headers.at("X-Mailer"), "Corvy v3.1a");
    EXPECT_TRUE(m.headers.count("Date"));
    // Every line arrives, the lone dot included.
    EXPECT_EQ(m.body, "Line one\r\n.\r\n..two\r\nend.\r\n");
}

TEST_F(SmtpAiosmtpd, TextOutsideAsciiArrivesReadable) {
    const std::string subject = "Grüße aus Köln – " + std::string(40, 'x') + " ünd mehr Wörter";
    const ParsedMessage m = Send("Jürgen Müller", subject, "you@example.org", "Schöne Grüße");
    EXPECT_EQ(m.defects, 0);
    EXPECT_EQ(m.headers.at("Subject"), subject);
    EXPECT_EQ(m.headers.at("From-name"), "Jürgen Müller");
    EXPECT_EQ(m.body, "Schöne Grüße\r\n");
    for (const char c : m.raw) {
        ASSERT_LT(static_cast<unsigned char>(c), 0x80);  // 7-bit on the wire
    }
}

TEST_F(SmtpAiosmtpd, LineBreaksInFieldsNeverMakeHeadersOrCommands) {
    const ParsedMessage m =
        Send("Me\r\nBcc: spy@example.org", "Hi\r\nBcc: spy@example.org", "you@example.org", "x");
    EXPECT_EQ(m.headers.at("Subject"), "Hi Bcc: spy@example.org");
    EXPECT_EQ(m.raw.find("\r\nBcc:"), std::string::npos);

    // A recipient with a line break stays one (refused) address.
    FakeProgress progress;
    SmtpOptions options;
    options.port = static_cast<uint16_t>(server_->Port());
    int code = -1;
    CSmtpClient c("127.0.0.1", "Corvy v3.1a", code, progress, options);
    EXPECT_EQ(c.SendMail("me@example.org", "Me", "s",
                         "you@example.org\r\nRCPT TO:<spy@example.org>", "x"),
              kServerError);
    EXPECT_EQ(c.ErrorText(kServerError).substr(0, 3), "501");
    c.Quit();
    EXPECT_EQ(server_->Message(count_ + 1).defects, -1);
}

TEST_F(SmtpAiosmtpd, AttachmentsRoundTripByteExact) {
    std::mt19937 random(16);
    std::vector<std::size_t> sizes{0, 1, 2, 3, 57, 58};
    for (int i = 0; i < 4; ++i) {
        sizes.push_back(random() % (300 * 1024));
    }
    for (const std::size_t size : sizes) {
        SCOPED_TRACE(size);
        std::string bytes(size, '\0');
        for (char& b : bytes) {
            b = static_cast<char>(random());
        }
        const auto path = vantry::test::FreshDir("att") / "Bericht 2026.bin";
        vantry::test::WriteFile(path, bytes);
        const ParsedMessage m = Send("Me", "File", "you@example.org", "See attached.", path);
        EXPECT_EQ(m.defects, 0);
        EXPECT_EQ(m.body, "See attached.");  // the line end belongs to the boundary
        ASSERT_EQ(m.attachments.size(), 1u);
        EXPECT_EQ(m.attachmentNames[0], "Bericht 2026.bin");
        EXPECT_TRUE(m.attachments[0] == bytes);
    }
}
