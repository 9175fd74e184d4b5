#include "addressbook/book_kinds.h"

namespace murmel {

namespace {

char AsciiLower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool SameIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (AsciiLower(a[i]) != AsciiLower(b[i])) {
            return false;
        }
    }
    return true;
}

bool StartsWith(std::string_view name, std::string_view head) {
    return name.size() >= head.size() && SameIgnoringCase(name.substr(0, head.size()), head);
}

bool EndsWith(std::string_view name, std::string_view tail) {
    return name.size() >= tail.size() &&
           SameIgnoringCase(name.substr(name.size() - tail.size()), tail);
}

}  // namespace

BookKind KindOfFileName(std::string_view name) {
    if (SameIgnoringCase(name, "AddrBk.lst")) {
        return BookKind::BookList;
    }
    if (EndsWith(name, ".wab")) {
        return BookKind::Wab;
    }
    if (EndsWith(name, ".pst")) {
        return BookKind::Outlook;
    }
    if (SameIgnoringCase(name, "abook.nab")) {
        return BookKind::Nab;
    }
    if (SameIgnoringCase(name, "nndbase.txt")) {
        return BookKind::Nicknames;
    }
    if (EndsWith(name, ".vcf")) {
        return BookKind::VCard;
    }
    if (SameIgnoringCase(name, "history.sqlite") ||
        (StartsWith(name, "abook") && EndsWith(name, ".sqlite"))) {
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
