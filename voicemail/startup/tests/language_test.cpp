#include <gtest/gtest.h>

#include <QDir>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <chrono>
#include <future>

#include "startup/language.h"
#include "test_env.h"

namespace murmel {
namespace {

using vantry::test::FreshDir;
using vantry::test::WriteFile;

TEST(LanguageLine, FieldsAreTrimmedAndTextStopsAtSecondTab) {
    cString e;
    ASSERT_TRUE(ParseLanguageLine("mm0001\t   Hello   \tmore text", &e));
    EXPECT_EQ(e.Id, "mm0001");
    EXPECT_EQ(e.Translation, "Hello");

    ASSERT_TRUE(ParseLanguageLine("  mm0002 \tRecipients, please  ", &e));
    EXPECT_EQ(e.Id, "mm0002");
    EXPECT_EQ(e.Translation, "Recipients, please");
}

TEST(LanguageLine, IdWithoutTabHasEmptyText) {
    cString e{"x", "y"};
    ASSERT_TRUE(ParseLanguageLine("mm0003", &e));
    EXPECT_EQ(e.Id, "mm0003");
    EXPECT_EQ(e.Translation, "");
}

TEST(LanguageLine, BlankEmptyAndCommentLinesAreSkipped) {
    cString e;
    EXPECT_FALSE(ParseLanguageLine("", &e));
    EXPECT_FALSE(ParseLanguageLine("   \t  ", &e));
    EXPECT_FALSE(ParseLanguageLine("'mm0001\tcommented", &e));
    EXPECT_FALSE(ParseLanguageLine("   ' indented comment", &e));
}

TEST(LanguageFile, MixedLineEndsAndLastLineWithoutEnd) {
    const auto entries = ParseLanguageFile("a\t1\r\nb\t2\nc\t3\rd\t4");
    ASSERT_EQ(entries.size(), 4u);
    EXPECT_EQ(entries[1].Id, "b");
    EXPECT_EQ(entries[3].Translation, "4");
}

TEST(TranslationTable, FirstDuplicateWinsAndLookupIgnoresCase) {
    TranslationTable table;
    for (auto& e : ParseLanguageFile("mm0013\tfirst\r\nMM0013\tsecond\r\n")) {
        table.Add(std::move(e));
    }
    EXPECT_EQ(table.Count(), 1u);
    EXPECT_EQ(table.T("MM0013"), QStringLiteral("first"));
    EXPECT_EQ(table.T("mm0013"), QStringLiteral("first"));
}

TEST(TranslationTable, UnknownIdYieldsTheIdItself) {
    TranslationTable table;
    EXPECT_EQ(table.T("mm0099"), QStringLiteral("mm0099"));
}

TEST(TranslationTable, Utf8AndSingleByteTexts) {
    TranslationTable table;
    table.Add({"a",
               "Gr\xC3\xBC\xC3\x9F"
               "e"});  // valid UTF-8
    table.Add({"b",
               "Gr\xFC\xDF"
               "e"});  // Latin-1 bytes
    EXPECT_EQ(table.T("a"), QString::fromUtf8("Grüße"));
    EXPECT_EQ(table.T("b"), QString::fromUtf8("Grüße"));
}

class LanguageChoice : public ::testing::Test {
protected:
    void Make(const char* id, const char* text) {
        WriteFile(std::filesystem::path(app_.toStdString()) / "lang" / (std::string(id) + ".txt"),
                  std::string("mm0001\t") + text + "\r\n");
    }
    QString Load(const QString& locale) {
        TranslationTable table;
        LoadTranslation(app_, locale, &table);
        return table.T("mm0001");
    }
    QString app_ = QString::fromStdString(FreshDir("app").string());
};

TEST_F(LanguageChoice, ExactThenPrimaryLanguageThenEnglish) {
    Make("00000409", "english");
    EXPECT_EQ(Load("00000807"), QStringLiteral("english"));
    Make("00000407", "german");
    EXPECT_EQ(Load("00000807"), QStringLiteral("german"));
    Make("00000807", "swiss");
    EXPECT_EQ(Load("00000807"), QStringLiteral("swiss"));
}

TEST_F(LanguageChoice, EmptyOrBlankLocaleLoadsEnglish) {
    Make("00000409", "english");
    EXPECT_EQ(Load(""), QStringLiteral("english"));
    EXPECT_EQ(Load("   "), QStringLiteral("english"));
}

TEST_F(LanguageChoice, NoFileLeavesTheTableEmpty) {
    Make("00000407", "german");  // present, but not reachable from a French locale
    TranslationTable table;
    LoadTranslation(app_, QStringLiteral("0000040C"), &table);
    EXPECT_EQ(table.Count(), 0u);
    EXPECT_EQ(table.T("mm0001"), QStringLiteral("mm0001"));
}

TEST_F(LanguageChoice, FifoInPlaceOfTheFileIsNotWaitedFor) {
    const std::filesystem::path lang = std::filesystem::path(app_.toStdString()) / "lang";
    std::filesystem::create_directories(lang);
    const std::string fifo = (lang / "00000409.txt").string();
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    TranslationTable table;
    auto load = std::async(std::launch::async, [&] { LoadTranslation(app_, "", &table); });
    if (load.wait_for(std::chrono::seconds(10)) != std::future_status::ready) {
        ::close(::open(fifo.c_str(), O_WRONLY | O_NONBLOCK));  // lets the stuck open end
        FAIL() << "the start waited on a FIFO";
    }
    EXPECT_EQ(table.Count(), 0u);
}

TEST_F(LanguageChoice, HostileLocaleTextStaysInsideTheLanguageFolder) {
    Make("00000409", "english");
    EXPECT_EQ(Load("../../etc/passwd"), QStringLiteral("english"));
}

}  // namespace
}  // namespace murmel
