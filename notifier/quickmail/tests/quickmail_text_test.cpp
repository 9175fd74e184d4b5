// Wrapping before sending, the recent addresses and the signature.
#include <gtest/gtest.h>

#include "quickmail/quickmail_text.h"
#include "smtp/testing/fake_progress.h"
#include "test_env.h"

using namespace corvy::quickmail;
using corvy::smtp::testing::FakeProgress;

namespace {

QString Wrap(const QString& text) {
    FakeProgress progress;
    return WrapText(text, progress).value_or(QStringLiteral("<cancelled>"));
}

QString Repeat(QChar c, int n) {
    return QString(n, c);
}

}  // namespace

TEST(QuickMailWrap, BreaksOnlySpacesPastColumn70) {
    struct Case {
        const char* name;
        QString text;
        QString wrapped;
    };
    const QString a70 = Repeat(u'a', 70);
    const QString a71 = Repeat(u'a', 71);
    const Case cases[] = {
        {"no spaces stays whole", Repeat(u'x', 200), Repeat(u'x', 200)},
        {"71 before the space", a71 + " b", a71 + "\r\nb"},
        {"70 before the space", a70 + " b", a70 + " b"},
        // After CR LF the count starts at the CR, so the LF counts too.
        {"69 after a line end", "x\r\n" + Repeat(u'a', 69) + " b",
         "x\r\n" + Repeat(u'a', 69) + "\r\nb"},
        {"68 after a line end", "x\r\n" + Repeat(u'a', 68) + " b",
         "x\r\n" + Repeat(u'a', 68) + " b"},
        // After an inserted break the count starts at the replaced space.
        {"70 after a break", a71 + " " + a70 + " c", a71 + "\r\n" + a70 + "\r\nc"},
        {"every space past the column", a71 + "  b", a71 + "\r\n b"},
        {"characters, not bytes", Repeat(QChar(0xFC), 71) + " b",
         Repeat(QChar(0xFC), 71) + "\r\nb"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(Wrap(c.text), c.wrapped);
    }
}

TEST(QuickMailWrap, StepsPerCharacterAndStopsOnCancel) {
    FakeProgress progress;
    ASSERT_TRUE(WrapText(QStringLiteral("hello"), progress));
    EXPECT_EQ(progress.rangeUpper, 5);
    EXPECT_EQ(progress.pos, 5 - 1);  // FakeProgress starts at -1
    FakeProgress cancelling;
    cancelling.cancelAt = 3;
    EXPECT_FALSE(WrapText(QStringLiteral("hello"), cancelling));
}

TEST(QuickMailRecent, NewRecipientFirstOldestDropsKnownStays) {
    vantry::profile::Profile profile(vantry::test::FreshDir("p") / "corvy.ini");
    for (int i = 0; i < 10; ++i) {
        profile.WriteString("Recent Email Address", "Address" + std::to_string(i),
                            "a" + std::to_string(i) + "@x.org");
    }
    RememberRecipient(profile, "new@x.org");
    std::vector<std::string> list = LoadRecentAddresses(profile);
    ASSERT_EQ(list.size(), 10u);
    EXPECT_EQ(list.front(), "new@x.org");
    EXPECT_EQ(list[1], "a0@x.org");
    EXPECT_EQ(list.back(), "a8@x.org");

    RememberRecipient(profile, "A5@X.ORG");
    EXPECT_EQ(LoadRecentAddresses(profile), list);
}

TEST(QuickMailRecent, GapsAreSkippedAndClosed) {
    vantry::profile::Profile profile(vantry::test::FreshDir("p") / "corvy.ini");
    profile.WriteString("Recent Email Address", "Address2", "b@x.org");
    EXPECT_EQ(LoadRecentAddresses(profile), std::vector<std::string>{"b@x.org"});
    RememberRecipient(profile, "c@x.org");
    EXPECT_EQ(profile.GetString("Recent Email Address", "Address0"), "c@x.org");
    EXPECT_EQ(profile.GetString("Recent Email Address", "Address1"), "b@x.org");
}

TEST(QuickMailSignature, AppendedLineByLineOrNothing) {
    const auto dir = vantry::test::FreshDir("install");
    const std::string path = (dir / "signature.txt").string();
    EXPECT_EQ(WithSignature(QStringLiteral("Hi"), path), "Hi");
    EXPECT_EQ(WithSignature(QString(), path), "");
    for (const char* file : {"--\nMe\n", "--\r\nMe", "--\r\nMe\r\n"}) {
        vantry::test::WriteFile(path, file);
        EXPECT_EQ(WithSignature(QStringLiteral("Hi"), path), "Hi\r\n--\r\nMe\r\n");
    }
    EXPECT_EQ(SignaturePath(dir.string()), path);
}
