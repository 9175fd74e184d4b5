#pragma once
// The language table: entries read from lang/<locale>.txt, looked up by ID
// ignoring case. Parsing works on bytes and touches no files, so it can be
// tested and fuzzed directly.

#include <QString>
#include <QStringList>

#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace murmel {

// One language-table entry.
struct cString {
    std::string Id;
    std::string Translation;
};

// Splits one line into ID and text: trimmed text before the first TAB, and
// trimmed text between the first and the second TAB. Returns false for a
// blank line or a comment (first character an apostrophe).
bool ParseLanguageLine(std::string_view line, cString* entry);

// Parses a whole file's bytes. Lines may end in CR LF, LF or CR.
std::vector<cString> ParseLanguageFile(std::string_view bytes);

class TranslationTable {
public:
    // Adds an entry unless its ID is already present; the first one wins.
    bool Add(cString entry);
    // nullptr when the ID is unknown.
    const cString* Find(std::string_view id) const;
    std::size_t Count() const { return byKey_.size(); }
    void Clear();

    // The entry's text. An unknown ID yields the ID itself, so a missing
    // language file or a missing line shows something a developer can trace
    // instead of an empty caption.
    QString T(std::string_view id) const;

private:
    std::vector<cString> entries_;
    std::unordered_map<std::string, std::size_t> byKey_;  // lower-cased ID -> index
};

// The language file a locale resolves to: the exact locale, then the same
// primary language's default ("000004" + last two characters), then
// 00000409. An empty locale means 00000409.
QString ChooseLanguageFile(const QString& appPath, const QString& locale);

// Builds the table from the chosen file; the table is left empty when the
// file cannot be read. Files larger than kMaxLanguageFileBytes are ignored.
void LoadTranslation(const QString& appPath, const QString& locale, TranslationTable* table);

inline constexpr qint64 kMaxLanguageFileBytes = 4 * 1024 * 1024;

}  // namespace murmel
