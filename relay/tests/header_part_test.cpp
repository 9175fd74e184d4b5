#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

#include "core/header_part.h"

namespace murmel::relay {
namespace {

const std::string kItemHeader =
    "To: a@b.org, c@d.org\r\n"
    "From: \"M\xfcller, Hans\" <hans@x.org>\r\n"
    "Subject: Gr\xfc\xdf\x65\r\n"
    "Date: Sun, 06 Dec 2026 15:49 -0500\r\n"
    "Cc: e@f.org\r\n"
    "X-Organization: ACME\r\n"
    "X-Return-Receipt: Yes\r\n"
    "X-Language: 00000407\r\n"
    "X-Mailer: MurmelMailer\r\n"
    "X-MailerVersion: 1.0\r\n"
    "\r\n"
    "Line one\r\nLine two\r\n";

TEST(HeaderPart, ReadsEveryFieldOfAnItemWholeAndTheNoteWithoutItsFinalLineEnd) {
    const auto result = ParseHeaderPart(kItemHeader, 50);
    ASSERT_TRUE(result.part) << result.error;
    const HeaderPart& p = *result.part;
    EXPECT_EQ(p.to, "a@b.org, c@d.org");
    EXPECT_EQ(p.from, "\"M\xfcller, Hans\" <hans@x.org>");
    EXPECT_EQ(p.subject, "Gr\xfc\xdf\x65");
    EXPECT_EQ(p.date, "Sun, 06 Dec 2026 15:49 -0500");
    EXPECT_EQ(p.cc, "e@f.org");
    EXPECT_EQ(p.organization, "ACME");
    EXPECT_TRUE(p.returnReceipt);
    EXPECT_EQ(p.language, "00000407");
    EXPECT_EQ(p.mailerVersion, "1.0");
    EXPECT_EQ(p.note, "Line one\r\nLine two");
}

TEST(HeaderPart, RefusesLineBreaksNulMalformedAndRepeatedLines) {
    struct Case {
        const char* name;
        std::string bytes;
    };
    const std::string base = "From: me@x.org\r\n";
    const Case cases[] = {
        {"bare CR in a value", "To: a@b.org\rBcc: x@y.org\r\n" + base + "\r\nn\r\n"},
        {"bare LF in a value", "To: a@b.org\nBcc: x@y.org\r\n" + base + "\r\nn\r\n"},
        {"NUL in a value", std::string("To: a@b.org\0x\r\n", 16) + base + "\r\nn\r\n"},
        {"NUL in the note", "To: a@b.org\r\n" + base + "\r\nn" + std::string(1, '\0') + "\r\n"},
        {"line without colon", "To: a@b.org\r\nBogus\r\n" + base + "\r\nn\r\n"},
        {"folded line", "To: a@b.org\r\n x@y.org\r\n" + base + "\r\nn\r\n"},
        {"repeated To", "To: a@b.org\r\nTo: c@d.org\r\n" + base + "\r\nn\r\n"},
        {"no To", base + "\r\nn\r\n"},
        {"no From", "To: a@b.org\r\n\r\nn\r\n"},
        {"empty", ""},
    };
    for (const Case& c : cases) {
        const auto result = ParseHeaderPart(c.bytes, 50);
        EXPECT_FALSE(result.part) << c.name;
        EXPECT_FALSE(result.error.empty()) << c.name;
    }
}

TEST(HeaderPart, AddressListsSplitOnlyAtCommasOutsideQuotesAndBrackets) {
    EXPECT_EQ(SplitAddressList("a@b, \"x, y\" <c@d>,, <e,f@g> "),
              (std::vector<std::string_view>{"a@b", " \"x, y\" <c@d>", "", " <e,f@g> "}));
    EXPECT_EQ(SplitAddressList(""), (std::vector<std::string_view>{""}));
    // A stray closing bracket is text; an unclosed quote runs to the end.
    EXPECT_EQ(SplitAddressList("a>b,\"c,d"), (std::vector<std::string_view>{"a>b", "\"c,d"}));
}

TEST(HeaderPart, CountsRecipientsOfToAndCcAgainstTheLimit) {
    EXPECT_EQ(CountAddresses("a@b, \"x, y\" <c@d>, <e,f@g>"), 3u);
    EXPECT_EQ(CountAddresses(" , a@b,"), 1u);
    const std::string header = "To: a@b, c@d\r\nCc: e@f\r\nFrom: me@x\r\n\r\nn\r\n";
    EXPECT_TRUE(ParseHeaderPart(header, 3).part);
    EXPECT_FALSE(ParseHeaderPart(header, 2).part);
}

TEST(HeaderPart, ReturnReceiptOnlyForYesAndUnknownNamesAreDropped) {
    const auto result =
        ParseHeaderPart("to: a@b\r\nFROM: me@x\r\nX-Return-Receipt: no\r\nBcc: spy@z\r\n\r\n", 50);
    ASSERT_TRUE(result.part);
    EXPECT_FALSE(result.part->returnReceipt);
    EXPECT_EQ(result.part->to, "a@b");
    EXPECT_EQ(result.part->note, "");
}

}  // namespace
}  // namespace murmel::relay
