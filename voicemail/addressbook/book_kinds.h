#pragma once
// The kinds of address book: which file names the drive search keeps, and
// how a stored path is told apart in the options window.

#include <string_view>

#include <QString>
#include <QStringList>

namespace murmel {

enum class BookKind {
    None = 0,
    BookList = 1,   // AddrBk.lst
    Wab = 2,        // *.wab
    Outlook = 3,    // *.pst, read through the mail client
    Nab = 4,        // abook.nab
    Nicknames = 5,  // nndbase.txt
    VCard = 6,      // *.vcf
    Sqlite = 7,     // abook*.sqlite, history.sqlite
};

inline constexpr int kBookKindCount = 7;

// The kind whose name test FILE_NAME (no folder) passes; None when no test does.
// The tests are ASCII and ignore case, so the raw bytes of a name can be tested
// without decoding them first.
BookKind KindOfFileName(std::string_view fileName);

// The first kind, in kind order, whose name test PATH contains anywhere.
BookKind ClassifyBookPath(const QString& path);

// The order the picker tries the display names in (kind 3 last: it opens a window).
inline constexpr BookKind kLoadOrder[] = {BookKind::BookList,  BookKind::Wab,   BookKind::Nab,
                                          BookKind::Nicknames, BookKind::VCard, BookKind::Sqlite,
                                          BookKind::Outlook};

}  // namespace murmel
