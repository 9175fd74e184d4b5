// The header window's pure readers: fields of a listed message, the size
// column, and the texts of a peek and a reply.
#include <gtest/gtest.h>

#include "headers/message_text.h"

using namespace corvy::headers;

TEST(MessageFields, ValuesComeFromHeaderLinesOnly) {
    const std::string text =
        "Received: from x; for <from: spoof>\r\n"
        "FROM: Ann <ann@example.org>\r\n"
        "Subject: two\r\n\tlines\r\n"
        "Date:  Mon, 7 Dec 2026 10:00:00 +0000\r\n"
        "Reply-To: back@example.org\r\n"
        "Message-ID: <1@x>\r\n"
        "\r\n"
        "From: body@example.org\r\n";
    const MessageFields f = ExtractMessageFields(text);
    EXPECT_EQ(f.from, "Ann <ann@example.org>");
    EXPECT_EQ(f.subject, "two\tlines");
    EXPECT_EQ(f.date, "Mon, 7 Dec 2026 10:00:00 +0000");  // as the check cycle reads it
    EXPECT_EQ(f.replyTo, " back@example.org");            // leading blank kept
    EXPECT_EQ(f.messageId, "<1@x>");
}

TEST(MessageFields, MissingHeadersAndDateInBodyOnly) {
    const MessageFields f = ExtractMessageFields("Subject: s\r\n\r\nDate: in the body\r\n");
    EXPECT_EQ(f.date, kNoDate);
    EXPECT_EQ(f.from, "");
    EXPECT_EQ(f.replyTo, "");
}

TEST(MessageFields, SearchStopsAtTheLimit) {
    std::string text = "X-Pad: " + std::string(kFieldSearchLimit, 'a') + "\r\nFrom: late\r\n";
    EXPECT_EQ(ExtractMessageFields(text).from, "");
}

TEST(SizeText, KilobytesRoundedDownWithOneAsFloor) {
    const std::pair<long long, const char*> cases[] = {{0, "1K"},
                                                       {1, "1K"},
                                                       {1024, "1K"},
                                                       {1025, "1K"},
                                                       {2047, "1K"},
                                                       {2048, "2K"},
                                                       {10 * 1024 * 1024 + 5, "10240K"}};
    for (const auto& [bytes, shown] : cases) {
        EXPECT_EQ(SizeText(bytes), shown) << bytes;
    }
}

TEST(PeekText, BodyFollowsTheBlankLineAndIsCut) {
    const std::string text = "From: a\r\nSubject: s\r\n\r\nline one\r\nline two\r\n";
    EXPECT_EQ(PeekBodyText(text, 1000), "\nline one\r\nline two\r\n");
    EXPECT_EQ(PeekBodyText(text, 5), "\nline");
    EXPECT_EQ(PeekBodyText("no blank line", 1000), "no blank line");
    EXPECT_EQ(PeekLimit(20), 20u * 1024 + 8192);
    MessageFields f;
    f.from = "a";
    f.date = "d";
    f.subject = "s";
    EXPECT_EQ(PeekHeaderText(f), "From: a\r\nDate: d\r\nSubj: s");
}

TEST(ReplyText, QuotesEveryBodyLineIncludingADotLine) {
    const std::string kept = "From: a\nSubject: s\n\nhello\n.\n\nbye\n";
    const std::string wire = KeptTextToWire(kept);
    EXPECT_EQ(wire, "From: a\r\nSubject: s\r\n\r\nhello\r\n.\r\n\r\nbye\r\n");
    EXPECT_EQ(ReplyQuote("Mon", wire), "\r\nOn Mon you wrote:\r\n>hello\r\n>.\r\n>\r\n>bye\r\n");
    EXPECT_EQ(ReplyQuote("Mon", "From: a\r\n"), "\r\nOn Mon you wrote:\r\n");
    EXPECT_EQ(ReplySubject("hi"), "Re:hi");
    EXPECT_EQ(ReplyRecipient(" back@example.org \t"), "back@example.org");
    EXPECT_EQ(ReplyRecipient(""), "");
}
