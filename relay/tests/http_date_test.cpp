#include <gtest/gtest.h>

#include "core/http_date.h"

namespace murmel::relay {
namespace {

// 2026-12-06 20:49:00 UTC
constexpr std::int64_t kT = 1796590140;

TEST(HttpDate, ReadsMurmelsOwnFormatAndTheStandardOnes) {
    struct Case {
        const char* text;
        std::int64_t expected;
    };
    const Case cases[] = {
        {"Sun, 06 Dec 2026 15:49 -0500", kT},        {"Sun, 06 Dec 2026 21:49 +0100", kT},
        {"Sun, 06 Dec 2026 20:49:00 GMT", kT},       {"Sun, 06 Dec 2026 20:49:30 GMT", kT + 30},
        {"Sunday, 06-Dec-26 20:49:00 GMT", kT},      {"Sun Dec  6 20:49:00 2026", kT},
        {"  Sun, 06 Dec 2026 20:49:00 GMT\r\n", kT}, {"Thu, 01 Jan 1970 00:00:00 GMT", 0},
    };
    for (const Case& c : cases) {
        const auto t = ParseHttpDate(c.text);
        ASSERT_TRUE(t) << c.text;
        EXPECT_EQ(*t, c.expected) << c.text;
    }
}

TEST(HttpDate, RefusesWhatIsNoDate) {
    for (const char* text :
         {"", "yesterday", "Sun, 31 Feb 2026 10:00 GMT", "Sun, 06 Dec 2026",
          "Sun, 06 Dec 2026 24:00 GMT", "Sun, 06 Foo 2026 10:00 GMT", "Sun, 06 Dec 2026 10:00 +05",
          "Sun, 06 Dec 2026 10:00 GMT junk", "Sun, 06 Dec 12026 10:00 GMT"}) {
        EXPECT_FALSE(ParseHttpDate(text)) << text;
    }
}

TEST(HttpDate, FormatsGmtAndReadsItBack) {
    EXPECT_EQ(FormatHttpDate(kT), "Sun, 06 Dec 2026 20:49:00 GMT");
    EXPECT_EQ(FormatHttpDate(951782400), "Tue, 29 Feb 2000 00:00:00 GMT");
    EXPECT_EQ(ParseHttpDate(FormatHttpDate(951782400)), 951782400);
}

}  // namespace
}  // namespace murmel::relay
