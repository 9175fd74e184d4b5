#include "startup/language.h"

#include <QFile>

#include <algorithm>
#include <cctype>

#include "base/ascii.h"
#include "base/regular_file.h"
#include "startup/utilities.h"

namespace murmel {

bool ParseLanguageLine(std::string_view line, cString* entry) {
    line = vantry::TrimAscii(line);
    if (line.empty() || line.front() == '\'') {
        return false;
    }
    const auto tab = line.find('\t');
    if (tab == std::string_view::npos) {
        entry->Id = std::string(line);
        entry->Translation.clear();
        return true;
    }
    entry->Id = std::string(vantry::TrimAscii(line.substr(0, tab)));
    std::string_view rest = line.substr(tab + 1);
    const auto second = rest.find('\t');
    if (second != std::string_view::npos) {
        rest = rest.substr(0, second);
    }
    entry->Translation = std::string(vantry::TrimAscii(rest));
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
    auto key = vantry::LowerAscii(entry.Id);
    if (byKey_.count(key) != 0) {
        return false;
    }
    byKey_.emplace(std::move(key), entries_.size());
    entries_.push_back(std::move(entry));
    return true;
}

const cString* TranslationTable::Find(std::string_view id) const {
    const auto it = byKey_.find(vantry::LowerAscii(id));
    return it == byKey_.end() ? nullptr : &entries_[it->second];
}

void TranslationTable::Clear() {
    entries_.clear();
    byKey_.clear();
}

QString TranslationTable::T(std::string_view id) const {
    // A missing string shows its ID, decoded by the same rule as the file.
    const cString* entry = Find(id);
    const std::string_view text = entry != nullptr ? std::string_view(entry->Translation) : id;
    return DecodeUtf8OrLatin1(QByteArrayView(text.data(), static_cast<qsizetype>(text.size())));
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
