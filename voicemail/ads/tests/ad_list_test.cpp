#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>

#include <limits>

#include "ads/ad_list.h"
#include "test_env.h"

namespace murmel {
namespace {

QByteArray Line(const char* id, const char* howLong, const char* times, const char* gif = "p.gif",
                const char* target = "https://example.org/", const char* text = "Tip") {
    return QByteArray(id) + '\t' + howLong + '\t' + times + '\t' + gif + '\t' + target + '\t' +
           text;
}

TEST(AdMerge, NewAdsAppendAndKnownIdsUpdateInPlaceWithoutRegardToCase) {
    AdList list;
    EXPECT_EQ(MergeAdLine(list, Line("a0001", "5", "3", "one.gif")), MergeResult::Added);
    EXPECT_EQ(MergeAdLine(list, Line("a0002", "7", "0", "two.gif")), MergeResult::Added);
    EXPECT_EQ(MergeAdLine(list, Line("A0001", "9", "4", "uno.gif", "http://x.example/", "New")),
              MergeResult::Updated);
    ASSERT_EQ(list.Count(), 2);
    const cAds& first = list.At(1);
    EXPECT_EQ(first.Id, "a0001");  // the key stays as first written
    EXPECT_EQ(first.HowLong, 9);
    EXPECT_EQ(first.HowManyTimes, 4);
    EXPECT_EQ(first.GifUrl, "uno.gif");
    EXPECT_EQ(first.GotoUrl, "http://x.example/");
    EXPECT_EQ(first.Description, "New");
    EXPECT_EQ(list.At(2).Id, "a0002");
}

TEST(AdMerge, NumbersThatDoNotConvertKeepTheirValue) {
    AdList list;
    MergeAdLine(list, Line("a1", "x", "", "p.gif"));
    EXPECT_EQ(list.At(1).HowLong, 0);
    EXPECT_EQ(list.At(1).HowManyTimes, 0);
    MergeAdLine(list, Line("a1", " 12 ", "-3"));
    MergeAdLine(list, Line("a1", "40000", "2147483648", "q.gif", "", "Other"));
    EXPECT_EQ(list.At(1).HowLong, 12);
    EXPECT_EQ(list.At(1).HowManyTimes, -3);
    EXPECT_EQ(list.At(1).GifUrl, "q.gif");  // the other fields still apply
    EXPECT_EQ(list.At(1).Description, "Other");
    EXPECT_EQ(ParseAdInt16(u"-32768"), std::numeric_limits<int16_t>::min());
    EXPECT_EQ(ParseAdInt32(u"+2147483647"), std::numeric_limits<int32_t>::max());
    EXPECT_FALSE(ParseAdInt16(u"1e3"));
}

TEST(AdMerge, TheDescriptionTakesTheRestOfTheLine) {
    AdList list;
    MergeAdLine(list, Line("a1", "5", "1", "p.gif", "", "two\tparts"));
    EXPECT_EQ(list.At(1).Description, "two\tparts");
}

TEST(AdMerge, UnsafeOrOversizedLinesAreSkipped) {
    AdList list;
    for (const char* gif : {"", "../x.gif", "a/b.gif", "a\\b.gif", ".hidden", "a..b", "x\x01y"}) {
        EXPECT_EQ(MergeAdLine(list, Line("a1", "5", "1", gif)), MergeResult::Skipped) << gif;
    }
    EXPECT_EQ(MergeAdLine(list, Line("a1", "5", "1", QByteArray(256, 'n').constData())),
              MergeResult::Skipped);
    EXPECT_EQ(MergeAdLine(list, Line("", "5", "1")), MergeResult::Skipped);
    EXPECT_EQ(MergeAdLine(list, Line("a1", "5", "1", "p.gif", "", "lone\nLF")),
              MergeResult::Skipped);
    EXPECT_EQ(
        MergeAdLine(list,
                    Line("a1", "5", "1", "p.gif", "", "").append(QByteArray(kMaxAdLineBytes, 'x'))),
        MergeResult::Skipped);
    EXPECT_TRUE(list.IsEmpty());
    // A known ad is not touched by a bad line either.
    MergeAdLine(list, Line("a1", "5", "1", "p.gif"));
    MergeAdLine(list, Line("a1", "9", "9", "../../etc/passwd"));
    EXPECT_EQ(list.At(1).HowLong, 5);
    EXPECT_EQ(list.At(1).GifUrl, "p.gif");
}

TEST(AdMerge, TheListHoldsAtMostTheLimit) {
    AdList list;
    for (int i = 0; i < kMaxAds; ++i) {
        ASSERT_EQ(MergeAdLine(list, Line(QByteArray::number(i).constData(), "5", "1")),
                  MergeResult::Added);
    }
    EXPECT_EQ(MergeAdLine(list, Line("one more", "5", "1")), MergeResult::Skipped);
    EXPECT_EQ(MergeAdLine(list, Line("7", "6", "1")), MergeResult::Updated);
}

TEST(AdMerge, EndingLeavesUnlimitedAndPermanentAdsAlone) {
    AdList list;
    MergeAdLine(list, Line("A0000", "5", "7"));
    MergeAdLine(list, Line("counted", "5", "9"));
    MergeAdLine(list, Line("unlimited", "5", "0"));
    MergeAdLine(list, Line("negative", "5", "-2"));
    EndCurrentAds(list);
    EXPECT_EQ(list.At(1).HowManyTimes, 7);
    EXPECT_EQ(list.At(2).HowManyTimes, 1);
    EXPECT_EQ(list.At(3).HowManyTimes, 0);
    EXPECT_EQ(list.At(4).HowManyTimes, -2);
}

TEST(AdListFile, ReadsTheLinesItWritesAndSkipsBadOnes) {
    const QByteArray text = Line("a0000", "10", "0", "a0000.gif", "https://example.org/", "Grüße") +
                            "\r\n" + Line("bad", "ten", "1") + "\r\n" + Line("A0000", "3", "3") +
                            "\r\n\r\n" + Line("a2", "4", "-1", "b.gif", "", "") + "\n" +
                            Line("a3", "4", "2", "c.gif") + "\r\n" + QByteArray(9000, 'x') +
                            "\r\n" + Line("latin", "1", "1", "l.gif", "", "\xe4");
    const AdList list = ParseAdListFile(text);
    ASSERT_EQ(list.Count(), 4);
    EXPECT_EQ(list.At(1).Description, QString::fromUtf8("Grüße"));
    EXPECT_EQ(list.At(2).Id, "a2");
    EXPECT_EQ(list.At(3).Id, "a3");
    EXPECT_EQ(list.At(4).Description, QString(QChar(0xe4)));

    const QByteArray written = FormatAdListFile(list);
    EXPECT_TRUE(
        written.startsWith("a0000\t10\t0\ta0000.gif\thttps://example.org/\tGr\xc3\xbc\xc3\x9f"
                           "e\r\na2\t4\t-1\tb.gif\t\t\r\n"));
    EXPECT_EQ(FormatAdListFile(ParseAdListFile(written)), written);
}

TEST(AdListFile, SavesThroughARenameReadableByTheOwnerOnly) {
    const QString folder = QString::fromStdString(vantry::test::FreshDir("ad").string());
    const QString path = folder + "/ads.txt";
    AdList list;
    MergeAdLine(list, Line("a1", "5", "1"));
    ASSERT_TRUE(SaveAdListFile(path, list));
    struct stat st {};
    ASSERT_EQ(::stat(QFile::encodeName(path).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    EXPECT_EQ(QDir(folder).entryList(QDir::Files | QDir::Hidden), QStringList{"ads.txt"});
    EXPECT_EQ(LoadAdListFile(path).Count(), 1);

    // A folder that cannot be written keeps the old file.
    if (::geteuid() != 0) {
        ::chmod(QFile::encodeName(folder).constData(), 0500);
        EXPECT_FALSE(SaveAdListFile(path, AdList()));
        ::chmod(QFile::encodeName(folder).constData(), 0700);
        EXPECT_EQ(LoadAdListFile(path).Count(), 1);
    }
    EXPECT_TRUE(LoadAdListFile(folder + "/missing.txt").IsEmpty());
    EXPECT_TRUE(LoadAdListFile(folder).IsEmpty());
}

}  // namespace
}  // namespace murmel
