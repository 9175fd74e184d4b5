#include "addressbook/book_kinds.h"

namespace murmel {

namespace {

bool IsSqliteBook(const QString& fileName) {
    return fileName.compare(QLatin1String("history.sqlite"), Qt::CaseInsensitive) == 0 ||
           (fileName.startsWith(QLatin1String("abook"), Qt::CaseInsensitive) &&
            fileName.endsWith(QLatin1String(".sqlite"), Qt::CaseInsensitive));
}

}  // namespace

BookKind KindOfFileName(const QString& fileName) {
    const auto is = [&](const char* name) {
        return fileName.compare(QLatin1String(name), Qt::CaseInsensitive) == 0;
    };
    const auto endsWith = [&](const char* tail) {
        return fileName.endsWith(QLatin1String(tail), Qt::CaseInsensitive);
    };
    if (is("AddrBk.lst")) {
        return BookKind::BookList;
    }
    if (endsWith(".wab")) {
        return BookKind::Wab;
    }
    if (endsWith(".pst")) {
        return BookKind::Outlook;
    }
    if (is("abook.nab")) {
        return BookKind::Nab;
    }
    if (is("nndbase.txt")) {
        return BookKind::Nicknames;
    }
    if (endsWith(".vcf")) {
        return BookKind::VCard;
    }
    if (IsSqliteBook(fileName)) {
        return BookKind::Sqlite;
    }
    return BookKind::None;
}

BookKind ClassifyBookPath(const QString& path) {
    static constexpr struct {
        const char* part;
        BookKind kind;
    } kTests[] = {
        {"AddrBk.lst", BookKind::BookList},   {".wab", BookKind::Wab},
        {".pst", BookKind::Outlook},          {"abook.nab", BookKind::Nab},
        {"nndbase.txt", BookKind::Nicknames}, {".vcf", BookKind::VCard},
        {".sqlite", BookKind::Sqlite},
    };
    for (const auto& test : kTests) {
        if (path.contains(QLatin1String(test.part), Qt::CaseInsensitive)) {
            return test.kind;
        }
    }
    return BookKind::None;
}

}  // namespace murmel
