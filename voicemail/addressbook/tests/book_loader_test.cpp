#include <QDir>
#include <QFile>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QUuid>

#include <gtest/gtest.h>

#include "addressbook/book_loader.h"
#include "addressbook/sqlite_book.h"

namespace murmel {
namespace {

const QStringList kLabels{"List",      "Windows book", "Client", "Communicator",
                          "Nicknames", "vCard",        "SQLite"};

class BookLoaderTest : public ::testing::Test {
protected:
    QString Write(const QString& name, const QByteArray& bytes) {
        const QString path = dir_.filePath(name);
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
        return path;
    }
    QTemporaryDir dir_;
    int imports_ = 0;
    MailClientImport import_ = [this] {
        ++imports_;
        return BookRows{{"From client", "c@example.org", {}}};
    };
};

TEST_F(BookLoaderTest, DisplayNamePicksTheReaderIgnoringCase) {
    const QString path = Write("nndbase.txt", "alias pal pal@example.org\n");
    const LoadedBook book = LoadAddressBook("NICKNAMES\t" + path, kLabels, import_);
    ASSERT_EQ(book.rows.size(), 1u);
    EXPECT_EQ(book.rows[0].address, "pal@example.org");
    EXPECT_FALSE(book.unknownKind);
    EXPECT_EQ(imports_, 0);
}

TEST_F(BookLoaderTest, UnknownKindMissingFileAndEmptySetting) {
    const QString path = Write("book.wab", QByteArray(200, '\0'));
    EXPECT_TRUE(LoadAddressBook("Some other kind\t" + path, kLabels, import_).unknownKind);
    // A missing or unnamed file adds nothing at all, not even that row.
    const LoadedBook missing = LoadAddressBook("List\t" + dir_.filePath("gone"), kLabels, import_);
    EXPECT_FALSE(missing.unknownKind);
    EXPECT_TRUE(missing.rows.empty());
    EXPECT_FALSE(LoadAddressBook("", kLabels, import_).unknownKind);
}

TEST_F(BookLoaderTest, MailClientKindRunsTheImportInsteadOfReadingTheFile) {
    const QString path = Write("archive.pst", "not read");
    const LoadedBook book = LoadAddressBook("Client\t" + path, kLabels, import_);
    EXPECT_EQ(imports_, 1);
    ASSERT_EQ(book.rows.size(), 1u);
    EXPECT_EQ(book.rows[0].name, "From client");
}

TEST_F(BookLoaderTest, SqliteBookListsEachCardsAddresses) {
    const QString path = dir_.filePath("abook.sqlite");
    {
        const QString connection = QUuid::createUuid().toString();
        {
            QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", connection);
            db.setDatabaseName(path);
            ASSERT_TRUE(db.open());
            QSqlQuery query(db);
            ASSERT_TRUE(query.exec("CREATE TABLE properties (card TEXT, name TEXT, value TEXT)"));
            for (const char* row :
                 {"('1','DisplayName','Ann Smith')", "('1','PrimaryEmail','ann@example.org')",
                  "('2','FirstName','Bob')", "('2','LastName','Brown')",
                  "('1','SecondEmail','ann@home.example')",
                  "('3','_vCard','BEGIN:VCARD\nFN:Cy\nEMAIL:cy@example.org\nEND:VCARD')",
                  "('2','PrimaryEmail','bob@example.org')"}) {
                ASSERT_TRUE(query.exec(QStringLiteral("INSERT INTO properties VALUES ") + row));
            }
            db.close();
        }
        QSqlDatabase::removeDatabase(connection);
    }
    const LoadedBook book = LoadAddressBook("SQLite\t" + path, kLabels, import_);
    ASSERT_EQ(book.rows.size(), 4u);
    EXPECT_EQ(book.rows[0].name, "Ann Smith");
    EXPECT_EQ(book.rows[1].address, "ann@home.example");
    EXPECT_EQ(book.rows[2].name, "Bob Brown");
    EXPECT_EQ(book.rows[3].address, "cy@example.org");
    // Read immutably: no journal or lock file appears beside the book.
    EXPECT_EQ(QDir(dir_.path()).entryList(QDir::Files), QStringList({"abook.sqlite"}));
}

TEST_F(BookLoaderTest, SqliteReaderIgnoresOtherFiles) {
    EXPECT_TRUE(ReadSqliteBook(Write("abook.sqlite", "not a database")).empty());
    EXPECT_TRUE(ReadSqliteBook(dir_.path()).empty());
}

}  // namespace
}  // namespace murmel
