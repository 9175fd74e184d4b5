// Tooltips and the header fields of the new-mail rule.
#include <gtest/gtest.h>

#include "checkcycle/check_rules.h"

using namespace corvy::checkcycle;

TEST(Tooltips, ClockAndMessages) {
    EXPECT_EQ(ClockText(0, 5), "12:05 AM");
    EXPECT_EQ(ClockText(9, 0), "9:00 AM");
    EXPECT_EQ(ClockText(12, 30), "12:30 PM");
    EXPECT_EQ(ClockText(23, 59), "11:59 PM");
    EXPECT_EQ(MessagesTip(0), "Corvy - 0 Messages");
    EXPECT_EQ(MessagesAtTip(3, "9:05 PM"), "Corvy - 3 Messages at 9:05 PM");
}

TEST(Tooltips, LongTipsAreCutAt63AndPercentIsPlainText) {
    const std::string name(80, 'x');
    const std::string tip = CheckingAtTip(name);
    EXPECT_EQ(tip.size(), 63u);
    EXPECT_EQ(tip.rfind("Corvy - Checking Mail at xxx", 0), 0u);
    EXPECT_EQ(CheckingAtTip("%s%n@example"), "Corvy - Checking Mail at %s%n@example");
    EXPECT_EQ(CutTooltip(std::string(63, 'a')).size(), 63u);
}

TEST(Tooltips, CutCountsCharactersAndNeverSplitsOne) {
    std::string umlauts;
    for (int i = 0; i < 50; ++i) {
        umlauts += "\xc3\xbc";  // ü
    }
    const std::string tip = CheckingAtTip(umlauts);
    // "Corvy - Checking Mail at " is 25 characters; 38 umlauts follow.
    EXPECT_EQ(tip, "Corvy - Checking Mail at " + umlauts.substr(0, 38 * 2));
    EXPECT_EQ(CutTooltip(std::string(62, 'a') + "\xe2\x82\xac!"),
              std::string(62, 'a') + "\xe2\x82\xac");
}

TEST(HeaderFields, StatusLowerCasedDateAsSent) {
    const auto f = ExtractStatusAndDate(
        "From: a\r\nDATE: Mon, 7 Dec 2026 10:00:00 +0000\r\nStatus: RO\r\nSubject: s\r\n");
    EXPECT_EQ(f.date, "Mon, 7 Dec 2026 10:00:00 +0000");
    EXPECT_EQ(f.status, " ro");
    EXPECT_TRUE(StatusSeen(f.status));
}

TEST(HeaderFields, NamesCountOnlyAtLineStartAndFoldsJoin) {
    const auto none = ExtractStatusAndDate("From: a\r\nSubject: s\r\n");
    EXPECT_EQ(none.date, "");
    EXPECT_EQ(none.status, "");
    EXPECT_FALSE(StatusSeen(none.status));
    EXPECT_EQ(ExtractStatusAndDate("X-Update: 1\r\nDelivery-date: 2\r\nDate: b").date, "b");
    const auto spam = ExtractStatusAndDate("X-Spam-Status: No, score=3.1\r\nSubject: s\r\n");
    EXPECT_EQ(spam.status, "");
    EXPECT_FALSE(StatusSeen(spam.status));
    EXPECT_EQ(ExtractStatusAndDate("Date:  Mon, 7 Dec\r\n\t2026\r\n  10:00\r\nX: y\r\n").date,
              "Mon, 7 Dec\t2026  10:00");
    // The header block ends at the first empty line, and a name at the very
    // end of a cut buffer has no value.
    EXPECT_EQ(ExtractStatusAndDate("From: a\r\n\r\nDate: in body\r\n").date, "");
    EXPECT_EQ(ExtractStatusAndDate("From: a\r\ndate:").date, "");
    EXPECT_EQ(ExtractStatusAndDate(" Date: folded\r\n").date, "");
    EXPECT_FALSE(StatusSeen(ExtractStatusAndDate("Status: N\r\n").status));
    EXPECT_TRUE(StatusSeen(ExtractStatusAndDate("status: r\r\n").status));
}
