// The reply reader fed whole and byte by byte, and the code tables of both
// mail clients.
#include <gtest/gtest.h>

#include <string>

#include "pop3/pop3_reply.h"
#include "smtp/smtp_reply.h"

using corvy::pop3::Pop3ErrorText;
using namespace corvy::smtp;

namespace {

struct ReplyCase {
    const char* name;
    std::string bytes;
    int result;
    std::string text;
    std::string rest;  // bytes left for the next reply
};

const ReplyCase kReplies[] = {
    {"one line", "250 ok\r\n", kSuccess, "250 ok", ""},
    {"continued", "250-first\r\n250-second\r\n250 last\r\n", kSuccess,
     "250-first\r\n250-second\r\n250 last", ""},
    {"error", "554 no relay\r\n", kServerError, "554 no relay", ""},
    {"error after success lines", "250-fine\r\n451 busy\r\n", kServerError, "250-fine\r\n451 busy",
     ""},
    {"next reply stays unread", "220 hi\r\n250 next\r\n", kSuccess, "220 hi", "250 next\r\n"},
    {"bare line feed", "250 ok\n", kSuccess, "250 ok", ""},
    {"blank line", "\r\n", kSuccess, "", ""},
    {"no digits is final", "1x-c\r\n", kSuccess, "1x-c", ""},
    {"four characters", "554\r\n", kServerError, "554", ""},
};

struct TextCase {
    const char* client;
    std::string (*text)(int, std::string_view);
    int code;
    const char* reply;
    const char* expected;
};

// Both clients' tables, which share the transport texts and the look-up:
// their own codes, the server's reply and codes past either end.
const TextCase kTexts[] = {
    {"POP3", Pop3ErrorText, 0, "x", "Success"},
    {"POP3", Pop3ErrorText, 5, "", "Error! Failed to connect to host!"},
    {"POP3", Pop3ErrorText, 8, "-ERR Authentication failed.", "-ERR Authentication failed."},
    {"POP3", Pop3ErrorText, 12, "", "Error! Timed out waiting for reponse!"},
    {"POP3", Pop3ErrorText, 13, "", "User canceled!"},
    {"POP3", Pop3ErrorText, 15, "", "Error! Invalid port!"},
    {"POP3", Pop3ErrorText, 17, "", "Error! The server's certificate was refused!"},
    {"POP3", Pop3ErrorText, 19, "", "Error! Unknown error!"},
    {"POP3", Pop3ErrorText, -1, "", "Error! Unknown error!"},
    {"SMTP", SmtpErrorText, 0, "", "Success"},
    {"SMTP", SmtpErrorText, 9, "554 go away", "554 go away"},
    {"SMTP", SmtpErrorText, 9, "", ""},
    {"SMTP", SmtpErrorText, 17, "x", "Error! Invalid mail host!"},
    {"SMTP", SmtpErrorText, 23, "", "Error! Failed to to open attachment!"},
    {"SMTP", SmtpErrorText, 24, "", "User canceled!"},
    {"SMTP", SmtpErrorText, 25, "", "Timed out!"},
    {"SMTP", SmtpErrorText, 29, "", "Error! The server refused the user name or password!"},
    {"SMTP", SmtpErrorText, 31, "", "Error! Unknown error!"},
    {"SMTP", SmtpErrorText, -1, "", "Error! Unknown error!"},
};

}  // namespace

TEST(SmtpReplyReader, ReadsEveryReplyWholeAndByteByByte) {
    for (const ReplyCase& c : kReplies) {
        for (const bool bytewise : {false, true}) {
            SCOPED_TRACE(std::string(c.name) + (bytewise ? " bytewise" : " whole"));
            SmtpReplyReader reader;
            std::string left = c.bytes;
            while (!reader.Complete() && !left.empty()) {
                const std::size_t n = bytewise ? 1 : left.size();
                const std::size_t used = reader.Feed(std::string_view(left).substr(0, n));
                left.erase(0, used);
                if (used < n) {
                    break;
                }
            }
            ASSERT_TRUE(reader.Complete());
            EXPECT_EQ(reader.Result(), c.result);
            EXPECT_EQ(reader.Text(), c.text);
            EXPECT_EQ(left, c.rest);
        }
    }
}

TEST(SmtpReplyReader, WaitsForTheLastLineAndBoundsItsText) {
    SmtpReplyReader reader;
    EXPECT_EQ(reader.Feed("250-part"), 8u);
    EXPECT_FALSE(reader.Complete());
    reader.Feed(" one\r\n");
    EXPECT_FALSE(reader.Complete());
    reader.Feed("250 done\r\n");
    EXPECT_TRUE(reader.Complete());

    reader.Reset();
    const std::string longLine = "554 " + std::string(10000, 'x') + "\r\n";
    for (int i = 0; i < 3; ++i) {
        reader.Feed("554-" + std::string(3000, 'y') + "\r\n");
    }
    reader.Feed(longLine);
    ASSERT_TRUE(reader.Complete());
    EXPECT_EQ(reader.Result(), kServerError);
    EXPECT_EQ(reader.Text().size(), SmtpReplyReader::kMaxText);
}

TEST(MailResultTexts, EachTableAtItsCodesAndTheServersReply) {
    for (const TextCase& c : kTexts) {
        SCOPED_TRACE(std::string(c.client) + " code " + std::to_string(c.code));
        EXPECT_EQ(c.text(c.code, c.reply), c.expected);
    }
}

TEST(SmtpExtensions, FoundOnlyAsAWholeKeywordAfterTheGreeting) {
    const std::string ehlo =
        "250-mx.example.org STARTTLS\r\n250-starttlsx\r\n250-auth login  PLAIN\r\n250 SIZE 100";
    std::string rest;
    EXPECT_TRUE(FindSmtpExtension(ehlo, "AUTH", rest));
    EXPECT_EQ(rest, "login  PLAIN");
    EXPECT_TRUE(HasSmtpWord(rest, "LOGIN"));
    EXPECT_TRUE(HasSmtpWord(rest, "plain"));
    EXPECT_FALSE(HasSmtpWord(rest, "CRAM-MD5"));
    EXPECT_FALSE(HasSmtpWord(rest, ""));
    // The greeting line names no extension, and a longer word is another one.
    EXPECT_FALSE(FindSmtpExtension(ehlo, "STARTTLS", rest));
    EXPECT_TRUE(FindSmtpExtension(ehlo, "SIZE", rest));
    EXPECT_EQ(rest, "100");
    EXPECT_FALSE(FindSmtpExtension("250 only", "ONLY", rest));
    EXPECT_FALSE(FindSmtpExtension("", "AUTH", rest));
}
