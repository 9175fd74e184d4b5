#include <gtest/gtest.h>

#include <QDateTime>
#include <QElapsedTimer>
#include <QListView>
#include <QTimer>

#include "startup/utilities.h"
#include "test_env.h"

namespace murmel {
namespace {

TEST(GetToken, EmptyDelimiterSplitsAtFirstComma) {
    QString s = QStringLiteral("a,b,c");
    EXPECT_EQ(GetToken(s, QString(), true), QStringLiteral("a"));
    EXPECT_EQ(s, QStringLiteral("b,c"));
}

TEST(GetToken, NoDelimiterReturnsWholeAndLeavesNothing) {
    QString s = QStringLiteral("abc");
    EXPECT_EQ(GetToken(s, QStringLiteral(","), true), QStringLiteral("abc"));
    EXPECT_EQ(s, QString());
}

TEST(GetToken, LeadingDelimiterGivesEmptyResult) {
    QString s = QStringLiteral(",rest");
    EXPECT_EQ(GetToken(s, QStringLiteral(","), true), QString());
    EXPECT_EQ(s, QStringLiteral("rest"));
}

TEST(GetToken, WithoutRemoveFlagSourceStays) {
    QString s = QStringLiteral("name\tpath");
    EXPECT_EQ(GetToken(s, QStringLiteral("\t"), false), QStringLiteral("name"));
    EXPECT_EQ(s, QStringLiteral("name\tpath"));
}

TEST(GetToken, SourceShorterThanDelimiterAndTrailingDelimiter) {
    QString s = QStringLiteral("a");
    EXPECT_EQ(GetToken(s, QStringLiteral("::"), true), QStringLiteral("a"));
    EXPECT_EQ(s, QString());
    s = QStringLiteral("a,");
    EXPECT_EQ(GetToken(s, QString(), true), QStringLiteral("a"));
    EXPECT_EQ(s, QString());
}

TEST(ReplaceText, ReplacesEveryOccurrenceInPlace) {
    QString s = QStringLiteral("a\r\nb\r\nc");
    EXPECT_EQ(ReplaceText(s, QStringLiteral("\r\n"), QStringLiteral(" ")), QStringLiteral("a b c"));
    EXPECT_EQ(s, QStringLiteral("a b c"));
}

TEST(ReplaceText, ResumesOneCharacterAfterTheStart) {
    // "xy" -> "xx" makes a new "xy" one character later, which is replaced too.
    QString s = QStringLiteral("xyy");
    EXPECT_EQ(ReplaceText(s, QStringLiteral("xy"), QStringLiteral("xx")), QStringLiteral("xxx"));
}

TEST(ReplaceText, SelfFeedingReplacementTerminates) {
    QString s = QStringLiteral("a-a");
    EXPECT_EQ(ReplaceText(s, QStringLiteral("a"), QStringLiteral("ba")), QStringLiteral("ba-ba"));
    s = QStringLiteral("abc");
    EXPECT_EQ(ReplaceText(s, QString(), QStringLiteral("z")), QStringLiteral("abc"));
}

TEST(InStrLast, LastPositionIgnoringCase) {
    EXPECT_EQ(InStrLast(QStringLiteral("a\\b\\C.wab"), QStringLiteral("\\")), 4);
    EXPECT_EQ(InStrLast(QStringLiteral("Name.WAB"), QStringLiteral(".wab")), 5);
    EXPECT_EQ(InStrLast(QStringLiteral("abc"), QStringLiteral("x")), 0);
    EXPECT_EQ(InStrLast(QStringLiteral("ab"), QStringLiteral("abc")), 0);
    EXPECT_EQ(InStrLast(QStringLiteral("aaa"), QStringLiteral("aa")), 2);
}

TEST(FileTests, FilesAndFoldersAreTold) {
    const auto dir = vantry::test::FreshDir("files");
    vantry::test::WriteFile(dir / ".hidden", "x");
    const QString folder = QString::fromStdString(dir.string());
    EXPECT_TRUE(DirExists(folder));
    EXPECT_FALSE(FileExists(folder));
    EXPECT_TRUE(FileExists(folder + QStringLiteral("/.hidden")));
    EXPECT_FALSE(DirExists(folder + QStringLiteral("/.hidden")));
    EXPECT_FALSE(FileExists(folder + QStringLiteral("/missing")));
    EXPECT_FALSE(FileExists(QString()));
    EXPECT_FALSE(DirExists(QStringLiteral("/no/such/drive")));
}

TEST(TimeZone, BiasExamples) {
    EXPECT_EQ(GetTimeZone(300), QStringLiteral("-0500"));
    EXPECT_EQ(GetTimeZone(-60), QStringLiteral("+0100"));
    EXPECT_EQ(GetTimeZone(0), QStringLiteral("+0000"));
    EXPECT_EQ(GetTimeZone(-600), QStringLiteral("+1000"));
    EXPECT_EQ(GetTimeZone(-330), QStringLiteral("+0600"));  // half hours land on a whole hour
    EXPECT_EQ(GetTimeZone(210), QStringLiteral("-0400"));
    EXPECT_TRUE(GetTimeZone().endsWith(QStringLiteral("00")));
}

TEST(MailTime, EnglishNamesAndPaddedFields) {
    const QDateTime t(QDate(2026, 12, 6), QTime(15, 49, 30));
    EXPECT_EQ(FormatMailTime(t), QStringLiteral("Sun, 06 Dec 2026 15:49"));
    const QDateTime m(QDate(2027, 1, 4), QTime(7, 5));
    EXPECT_EQ(FormatMailTime(m), QStringLiteral("Mon, 04 Jan 2027 07:05"));
}

TEST(PauseTest, WaitsWhileEventsKeepRunning) {
    bool fired = false;
    QTimer::singleShot(20, [&] { fired = true; });
    QElapsedTimer clock;
    clock.start();
    Pause(0.1);
    EXPECT_TRUE(fired);  // a timer ran inside the wait
    EXPECT_GE(clock.elapsed(), 95);
    Pause(-1);  // nothing to wait for
}

TEST(FullRowSelect, ListSelectsWholeRows) {
    QListView view;
    SetFullRowSelect(&view);
    EXPECT_EQ(view.selectionBehavior(), QAbstractItemView::SelectRows);
    SetFullRowSelect(nullptr);
}

}  // namespace
}  // namespace murmel
