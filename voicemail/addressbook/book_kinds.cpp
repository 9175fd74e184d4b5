#include "addressbook/book_kinds.h"

#include "base/ascii.h"

namespace murmel {

namespace {

using vantry::EqualsIgnoreAsciiCase;
using vantry::StartsWithIgnoreAsciiCase;

bool EndsWithIgnoreCase(std::string_view name, std::string_view tail) {
    return name.size() >= tail.size() &&
           EqualsIgnoreAsciiCase(name.substr(name.size() - tail.size()), tail);
}

// A book file is known by its whole name or by its ending, case aside; the
// first rule that matches decides.
struct NameRule {
    enum class Match { WholeName, Ending } match;
    std::string_view text;
    BookKind kind;
};

constexpr NameRule kNameRules[] = {
    {NameRule::Match::WholeName, "AddrBk.lst", BookKind::BookList},
    {NameRule::Match::Ending, ".wab", BookKind::Wab},
    {NameRule::Match::Ending, ".pst", BookKind::Outlook},
    {NameRule::Match::WholeName, "abook.nab", BookKind::Nab},
    {NameRule::Match::WholeName, "nndbase.txt", BookKind::Nicknames},
    {NameRule::Match::Ending, ".vcf", BookKind::VCard},
    {NameRule::Match::WholeName, "history.sqlite", BookKind::Sqlite},
};

}  // namespace

BookKind KindOfFileName(std::string_view name) {
    for (const NameRule& rule : kNameRules) {
        const bool matches = rule.match == NameRule::Match::WholeName
                                 ? EqualsIgnoreAsciiCase(name, rule.text)
                                 : EndsWithIgnoreCase(name, rule.text);
        if (matches) {
            return rule.kind;
        }
    }
    if (StartsWithIgnoreAsciiCase(name, "abook") && EndsWithIgnoreCase(name, ".sqlite")) {
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
