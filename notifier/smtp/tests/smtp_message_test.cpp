// Formatting that a parser would forgive but a reader would see: the Date
// line's zone rule and the body's line ends, dots and encoding.
#include <gtest/gtest.h>

#include <string>

#include "smtp/smtp_message.h"

using namespace corvy::smtp;

namespace {

std::tm Local() {
    std::tm t{};
    t.tm_year = 126;
    t.tm_mon = 11;
    t.tm_mday = 7;
    t.tm_wday = 1;
    t.tm_hour = 9;
    t.tm_min = 5;
    t.tm_sec = 3;
    return t;
}

}  // namespace

TEST(SmtpDateLine, SignOnlyAwayFromUtc) {
    EXPECT_EQ(DateLine(Local(), 0), "Date: Mon, 07 Dec 2026 09:05:03 0000\r\n");
    EXPECT_EQ(DateLine(Local(), -5 * 3600), "Date: Mon, 07 Dec 2026 09:05:03 -0500\r\n");
    EXPECT_EQ(DateLine(Local(), 5 * 3600 + 1800), "Date: Mon, 07 Dec 2026 09:05:03 +0530\r\n");
}

TEST(SmtpWireText, LineEndsDotsAndEncoding) {
    EXPECT_EQ(WireText("a\nb\r\nc\rd", false), "a\r\nb\r\nc\r\nd");
    EXPECT_EQ(WireText(".\n..x\ny.", false), "..\r\n...x\r\ny.");
    EXPECT_EQ(WireText("Grüße = 1 \nok", true), "Gr=C3=BC=C3=9Fe =3D 1=20\r\nok");
    // A soft break never leaves a lone dot at the start of a wire line.
    const std::string wire = WireText(std::string(74, 'x') + "ü.end", true);
    EXPECT_EQ(wire, std::string(74, 'x') + "=\r\n=C3=BC.end");
    const std::string dots = WireText(std::string(75, 'x') + ".ü", true);
    EXPECT_EQ(dots, std::string(75, 'x') + "=\r\n..=C3=BC");
}

TEST(SmtpHeaderText, UnsafeCharactersNeverLeaveTheLine) {
    EXPECT_EQ(OneLine("Hi\r\nBcc: x\n\ny"), "Hi Bcc: x y");
    EXPECT_EQ(BareAddress("a@b\r\nRCPT TO:<c@d>"), "a@bRCPT TO:<c@d>");
    EXPECT_EQ(DisplayName("Doe, John"), "\"Doe, John\"");
    EXPECT_EQ(DisplayName("Say \"hi\""), "\"Say \\\"hi\\\"\"");
    EXPECT_EQ(DisplayName("Plain Name"), "Plain Name");
    EXPECT_EQ(HeaderText("Grüße"), "=?utf-8?B?R3LDvMOfZQ==?=");
    EXPECT_EQ(AttachmentName("/tmp/some dir/report.final.pdf"), "report.final.pdf");
}
