#include "addressbook/book_loader.h"

#include <optional>
#include <string>

#include <QFile>

#include "addressbook/book_kinds.h"
#include "addressbook/sqlite_book.h"
#include "addressbook/vcard_reader.h"
#include "base/regular_file.h"
#include "startup/utilities.h"

namespace murmel {

namespace {

BookRows ReadBook(BookKind kind, const QString& path, const MailClientImport& importContacts) {
    if (kind == BookKind::Outlook) {
        return importContacts ? importContacts() : BookRows();
    }
    if (kind == BookKind::Sqlite) {
        return ReadSqliteBook(path);
    }
    const std::optional<std::string> bytes =
        vantry::ReadRegularFile(QFile::encodeName(path).toStdString(), kMaxBookBytes);
    if (!bytes) {
        return {};
    }
    switch (kind) {
        case BookKind::BookList:
            return ReadBookList(*bytes);
        case BookKind::Wab:
            return ReadWab(*bytes);
        case BookKind::Nab:
            return ReadNab(*bytes);
        case BookKind::Nicknames:
            return ReadNicknames(*bytes);
        case BookKind::VCard:
            return ReadVCards(*bytes);
        default:
            return {};
    }
}

}  // namespace

LoadedBook LoadAddressBook(const QString& setting, const QStringList& labels,
                           const MailClientImport& importContacts) {
    LoadedBook book;
    const qsizetype tab = setting.indexOf(QLatin1Char('\t'));
    const QString label = tab < 0 ? setting : setting.left(tab);
    const QString path = tab < 0 ? QString() : setting.mid(tab + 1);
    if (path.isEmpty() || !FileExists(path)) {
        return book;
    }
    for (const BookKind kind : kLoadOrder) {
        const int index = static_cast<int>(kind) - 1;
        if (index < labels.size() && !labels[index].isEmpty() &&
            labels[index].compare(label, Qt::CaseInsensitive) == 0) {
            book.rows = ReadBook(kind, path, importContacts);
            book.replacesList = kind != BookKind::Outlook;
            return book;
        }
    }
    book.unknownKind = true;
    return book;
}

}  // namespace murmel
