#include <gtest/gtest.h>

#include <QDir>

#include "composer/recipients.h"
#include "test_env.h"

namespace murmel {
namespace {

QString Normalized(const QString& in, int* status = nullptr) {
    QString text = in;
    const int s = NormalizeRecipients(text);
    if (status != nullptr) {
        *status = s;
    }
    return text;
}

TEST(NormalizeRecipients, SeparatesWithCommaAndBlank) {
    EXPECT_EQ(Normalized("a@x.org,b@y.org"), "a@x.org, b@y.org");
    EXPECT_EQ(Normalized("  a@x.org ,   b@y.org  ,c@z.org"), "a@x.org, b@y.org, c@z.org");
    EXPECT_EQ(Normalized("a@x.org"), "a@x.org");
    EXPECT_EQ(Normalized("a@x.org,"), "a@x.org");
}

TEST(NormalizeRecipients, SkipsEmptyItemsAndKeepsEveryRecipient) {
    EXPECT_EQ(Normalized("alice@x.org,,bob@x.org"), "alice@x.org, bob@x.org");
    EXPECT_EQ(Normalized("a@x.org, ,c@z.org"), "a@x.org, c@z.org");
    EXPECT_EQ(Normalized(",a@x.org"), "a@x.org");
}

TEST(NormalizeRecipients, TooLongTextStaysAsTyped) {
    const QString longText = QString(1020, 'a') + ",b,cd";  // 1025 characters
    int status = -1;
    EXPECT_EQ(Normalized(longText, &status), longText);
    EXPECT_EQ(status, 4);

    const QString limit = QString(1021, 'a') + ",bc";  // exactly 1024 is still normalised
    EXPECT_EQ(Normalized(limit, &status), QString(1021, 'a') + ", bc");
    EXPECT_EQ(status, 0);
}

TEST(RecipientsFile, ParsesEveryLineEndAndSkipsBlankLines) {
    const QByteArray bytes = "first@x.org\r\n\r\n   \r\n second@y.org \nthird@z.org\rlast@w.org";
    EXPECT_EQ(ParseRecipientsFile(bytes),
              QStringList({"first@x.org", " second@y.org ", "third@z.org", "last@w.org"}));
    EXPECT_TRUE(ParseRecipientsFile("").isEmpty());
    EXPECT_TRUE(ParseRecipientsFile("\r\n\n\r").isEmpty());
}

TEST(RecipientsFile, ReadsUtf8AndOldSingleByteText) {
    EXPECT_EQ(ParseRecipientsFile("J\xc3\xbcrgen <j@x.de>\r\n").value(0), u"Jürgen <j@x.de>");
    EXPECT_EQ(ParseRecipientsFile("J\xfcrgen <j@x.de>\r\n").value(0), u"Jürgen <j@x.de>");
}

TEST(RecipientsFile, FormatSkipsPlaceholderAndKeepsSixteenPositions) {
    QStringList entries;
    for (int i = 0; i < 20; ++i) {
        entries << QStringLiteral(" r%1@x.org ").arg(i);
    }
    entries.insert(3, "<Choose A Recipient>");
    const QByteArray out = FormatRecipientsFile(entries, "<choose a recipient>");
    // 16 positions, one of them the placeholder: 15 lines.
    EXPECT_EQ(out.count("\r\n"), 15);
    EXPECT_TRUE(out.startsWith("r0@x.org\r\nr1@x.org\r\nr2@x.org\r\nr3@x.org\r\n"));
    EXPECT_TRUE(out.endsWith("r14@x.org\r\n"));
    EXPECT_FALSE(out.contains("choose"));
}

TEST(RecipientsFile, LineEndInsideEntryDoesNotSplitIt) {
    const QByteArray out = FormatRecipientsFile({"a@x.org\r\nb@y.org"}, "<p>");
    EXPECT_EQ(out, "a@x.org  b@y.org\r\n");
}

TEST(RecipientsFile, SaveAndLoadRoundTrip) {
    const QString path =
        QString::fromStdString((vantry::test::FreshDir("tos") / "Tos.txt").string());
    ASSERT_TRUE(SaveRecipientsFile(path, {"b@y.org, c@z.org", "a@x.org"}, "<p>"));
    EXPECT_EQ(vantry::test::ReadFile(path.toStdString()), "b@y.org, c@z.org\r\na@x.org\r\n");
    EXPECT_EQ(LoadRecipientsFile(path), QStringList({"b@y.org, c@z.org", "a@x.org"}));
    EXPECT_TRUE(LoadRecipientsFile(path + ".missing").isEmpty());
    EXPECT_FALSE(SaveRecipientsFile(path + ".missing/Tos.txt", {"a"}, "<p>"));
}

}  // namespace
}  // namespace murmel
