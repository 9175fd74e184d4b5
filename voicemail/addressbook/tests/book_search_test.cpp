#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "addressbook/book_search.h"

namespace murmel {
namespace {

class BookSearchTest : public ::testing::Test {
protected:
    void Touch(const QString& relative) {
        const QString path = dir_.filePath(relative);
        QDir().mkpath(QFileInfo(path).path());
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly)) << path.toStdString();
    }
    QStringList Found(const QString& drive) {
        QString result = BookSearch().FindAddressBooks(drive);
        EXPECT_TRUE(result.isEmpty() || result.endsWith(QLatin1Char('\t')));
        result.chop(1);
        QStringList paths = result.isEmpty() ? QStringList() : result.split(QLatin1Char('\t'));
        for (QString& path : paths) {
            path = QDir(dir_.path()).relativeFilePath(path);
        }
        return paths;
    }
    QTemporaryDir dir_;
};

TEST_F(BookSearchTest, FindsEveryKindByNameIgnoringCaseAndNothingElse) {
    Touch("ADDRBK.LST");
    Touch("Mail/Main.WAB");
    Touch("Mail/archive.pst");
    Touch("Mail/nav/abook.nab");
    Touch("Mail/nav/abook.nab.bak");
    Touch("Mail/nav/NNDBASE.TXT");
    Touch("cards/Friends.vcf");
    Touch("tb/profile/abook.sqlite");
    Touch("tb/profile/places.sqlite");
    Touch(".hidden/abook.nab");
    Touch("notes.txt");
    QStringList found = Found(dir_.path());
    found.sort();
    EXPECT_EQ(found, QStringList({"ADDRBK.LST", "Mail/Main.WAB", "Mail/archive.pst",
                                  "Mail/nav/NNDBASE.TXT", "Mail/nav/abook.nab", "cards/Friends.vcf",
                                  "tb/profile/abook.sqlite"}));
}

TEST_F(BookSearchTest, FilesOfAFolderComeBeforeItsSubFolders) {
    Touch("a/deeper/one.wab");
    Touch("a/two.wab");
    EXPECT_EQ(Found(dir_.path()), QStringList({"a/two.wab", "a/deeper/one.wab"}));
}

TEST_F(BookSearchTest, LabelAndTrailingSlashesNameTheSameRoot) {
    Touch("x/book.wab");
    const QStringList expected{"x/book.wab"};
    EXPECT_EQ(Found(dir_.path() + QStringLiteral(" [Data disk]")), expected);
    EXPECT_EQ(Found(dir_.path() + QStringLiteral("///")), expected);
    EXPECT_TRUE(Found(QStringLiteral("  [label only]")).isEmpty());
}

TEST_F(BookSearchTest, SymbolicLinkLoopsAreNotFollowed) {
    Touch("top/book.wab");
    ASSERT_EQ(::symlink(QFile::encodeName(dir_.path()).constData(),
                        QFile::encodeName(dir_.filePath("top/loop")).constData()),
              0);
    ASSERT_EQ(::symlink("..", QFile::encodeName(dir_.filePath("top/up")).constData()), 0);
    EXPECT_EQ(Found(dir_.path()), QStringList({"top/book.wab"}));
}

TEST_F(BookSearchTest, DepthStopsAtSixtyFourFolders) {
    QString path;
    for (int depth = 1; depth <= BookSearch::kMaxDepth + 2; ++depth) {
        path += QStringLiteral("d/");
        if (depth >= BookSearch::kMaxDepth) {
            Touch(path + QStringLiteral("at%1.wab").arg(depth));
        }
    }
    EXPECT_EQ(Found(dir_.path()), QStringList({path.left(2 * BookSearch::kMaxDepth) + "at64.wab"}));
}

TEST_F(BookSearchTest, UnreadableFoldersAreSkipped) {
    if (::geteuid() == 0) {
        GTEST_SKIP() << "root reads every folder";
    }
    Touch("closed/hidden.wab");
    Touch("open/seen.wab");
    ASSERT_EQ(::chmod(QFile::encodeName(dir_.filePath("closed")).constData(), 0), 0);
    EXPECT_EQ(Found(dir_.path()), QStringList({"open/seen.wab"}));
    ::chmod(QFile::encodeName(dir_.filePath("closed")).constData(), 0700);
}

}  // namespace
}  // namespace murmel
