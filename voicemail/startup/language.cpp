#include "language.h"

#include <QFile>

#include <algorithm>
#include <cctype>

#include "base/regular_file.h"
#include "utilities.h"

namespace murmel {
namespace {

// Blanks as trimming sees them: space and TAB are what a hand-edited file
// holds around its fields.
bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

std::string_view Trim(std::string_view s) {
    while (!s.empty() && IsBlank(s.front())) {
        s.remove_prefix(1);
    }
    while (!s.empty() && IsBlank(s.back())) {
        s.remove_suffix(1);
    }
    return s;
}

std::string Lower(std::string_view s) {
    std::string out(s);
    std::transform(out.begin(), out.end(), out.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return out;
}

}  // namespace

bool ParseLanguageLine(std::string_view line, cString* entry) {
    line = Trim(line);
    if (line.empty() || line.front() == '\'') {
        return false;
    }
    const auto tab = line.find('\t');
    if (tab == std::string_view::npos) {
        entry->Id = std::string(line);
        entry->Translation.clear();
        return true;
    }
    entry->Id = std::string(Trim(line.substr(0, tab)));
    std::string_view rest = line.substr(tab + 1);
    const auto second = rest.find('\t');
    if (second != std::string_view::npos) {
        rest = rest.substr(0, second);
    }
    entry->Translation = std::string(Trim(rest));
    return true;
}

std::vector<cString> ParseLanguageFile(std::string_view bytes) {
    std::vector<cString> entries;
    std::size_t pos = 0;
    while (pos < bytes.size()) {
        std::size_t end = pos;
        while (end < bytes.size() && bytes[end] != '\r' && bytes[end] != '\n') {
            ++end;
        }
        cString entry;
        if (ParseLanguageLine(bytes.substr(pos, end - pos), &entry)) {
            entries.push_back(std::move(entry));
        }
        if (end < bytes.size() && bytes[end] == '\r' && end + 1 < bytes.size() &&
            bytes[end + 1] == '\n') {
            ++end;
        }
        pos = end + 1;
    }
    return entries;
}

bool TranslationTable::Add(cString entry) {
    auto key = Lower(entry.Id);
    if (byKey_.count(key) != 0) {
        return false;
    }
    byKey_.emplace(std::move(key), entries_.size());
    entries_.push_back(std::move(entry));
    return true;
}

const cString* TranslationTable::Find(std::string_view id) const {
    const auto it = byKey_.find(Lower(id));
    return it == byKey_.end() ? nullptr : &entries_[it->second];
}

void TranslationTable::Clear() {
    entries_.clear();
    byKey_.clear();
}

QString TranslationTable::T(std::string_view id) const {
    if (const cString* entry = Find(id)) {
        return DecodeUtf8OrLatin1(QByteArrayView(
            entry->Translation.data(), static_cast<qsizetype>(entry->Translation.size())));
    }
    return QString::fromUtf8(id.data(), static_cast<qsizetype>(id.size()));
}

QString ChooseLanguageFile(const QString& appPath, const QString& locale) {
    const QString id = locale.trimmed();
    const QString fallback = QStringLiteral("00000409");
    if (id.isEmpty()) {
        return fallback;
    }
    const QString folder = appPath + QStringLiteral("/lang/");
    if (FileExists(folder + id + QStringLiteral(".txt"))) {
        return id;
    }
    const QString primary = QStringLiteral("000004") + id.right(2);
    if (FileExists(folder + primary + QStringLiteral(".txt"))) {
        return primary;
    }
    return fallback;
}

void LoadTranslation(const QString& appPath, const QString& locale, TranslationTable* table) {
    table->Clear();
    const QString chosen = ChooseLanguageFile(appPath, locale);
    // A FIFO or device in its place must not hang the start.
    const std::optional<std::string> bytes = vantry::ReadRegularFile(
        QFile::encodeName(appPath + QStringLiteral("/lang/") + chosen + QStringLiteral(".txt"))
            .toStdString(),
        kMaxLanguageFileBytes);
    if (!bytes) {
        return;
    }
    for (auto& entry : ParseLanguageFile(*bytes)) {
        table->Add(std::move(entry));
    }
}

}  // namespace murmel
