#include "profile/ini_document.h"

#include <algorithm>

#include "base/ascii.h"

namespace vantry::profile {
namespace {

// Profiles also take vertical tabs and form feeds as blanks.
constexpr std::string_view kBlanks = " \t\v\f";

bool IsBlank(char c) {
    return kBlanks.find(c) != std::string_view::npos;
}

std::string_view Trim(std::string_view s) {
    return vantry::TrimAscii(s, kBlanks);
}

// A value read back loses surrounding blanks and one pair of double quotes,
// so values that would not survive that are written inside quotes.
std::string DecodeValue(std::string_view raw) {
    std::string_view v = Trim(raw);
    if (v.size() >= 2 && v.front() == '"' && v.back() == '"') {
        v = v.substr(1, v.size() - 2);
    }
    return std::string(v);
}

std::string EncodeValue(std::string_view value) {
    const bool needsQuotes =
        !value.empty() && (IsBlank(value.front()) || IsBlank(value.back()) ||
                           (value.size() >= 2 && value.front() == '"' && value.back() == '"'));
    if (needsQuotes) {
        return "\"" + std::string(value) + "\"";
    }
    return std::string(value);
}

// A key is written inside quotes, with backslash escapes for quote and
// backslash, when the plain form would read back as something else: an
// "=" ends a plain key, a leading ";" or "[" makes a comment or a section,
// and blanks around it are trimmed.
bool KeyNeedsQuotes(std::string_view key) {
    if (key.empty()) {
        return false;
    }
    return key.find('=') != std::string_view::npos || key.front() == ';' || key.front() == '[' ||
           key.front() == '"' || IsBlank(key.front()) || IsBlank(key.back());
}

std::string EncodeKey(std::string_view key) {
    if (!KeyNeedsQuotes(key)) {
        return std::string(key);
    }
    std::string out = "\"";
    for (char c : key) {
        if (c == '"' || c == '\\') {
            out.push_back('\\');
        }
        out.push_back(c);
    }
    out.push_back('"');
    return out;
}

// A quoted key and its "=": the key and what follows the "=", or nothing
// when the line is not of that form (it is then read the plain way, as
// files written before keys were quoted are).
bool ParseQuotedKey(std::string_view line, std::string& key, std::string_view& rest) {
    const std::string_view t = Trim(line);
    if (t.empty() || t.front() != '"') {
        return false;
    }
    std::string name;
    for (std::size_t i = 1; i < t.size(); ++i) {
        if (t[i] == '\\' && i + 1 < t.size()) {
            name.push_back(t[++i]);
        } else if (t[i] == '"') {
            const std::string_view after = Trim(t.substr(i + 1));
            if (after.empty() || after.front() != '=') {
                return false;
            }
            key = std::move(name);
            rest = after.substr(1);
            return true;
        } else {
            name.push_back(t[i]);
        }
    }
    return false;
}

// Line breaks inside a name or value would split it into lines of their own
// and could forge other keys, so they are dropped.
std::string OneLine(std::string_view s) {
    std::string out;
    out.reserve(s.size());
    for (char c : s) {
        if (c != '\r' && c != '\n') {
            out.push_back(c);
        }
    }
    return out;
}

}  // namespace

IniDocument IniDocument::Parse(std::string_view text) {
    IniDocument doc;
    doc.sections_.push_back(Section{});
    std::size_t pos = 0;
    while (pos < text.size()) {
        std::size_t end = text.find('\n', pos);
        if (end == std::string_view::npos) {
            end = text.size();
        }
        std::string_view line = text.substr(pos, end - pos);
        pos = end + 1;
        if (!line.empty() && line.back() == '\r') {
            line.remove_suffix(1);
        }
        const std::string_view t = Trim(line);
        if (!t.empty() && t.front() == '[') {
            const std::size_t close = t.find(']');
            if (close != std::string_view::npos) {
                Section s;
                s.name = std::string(Trim(t.substr(1, close - 1)));
                s.hasHeader = true;
                doc.sections_.push_back(std::move(s));
                continue;
            }
        }
        Line l;
        std::string quotedKey;
        std::string_view rest;
        const std::size_t eq = line.find('=');
        if (ParseQuotedKey(line, quotedKey, rest)) {
            l.isEntry = true;
            l.key = std::move(quotedKey);
            l.value = DecodeValue(rest);
        } else if (!t.empty() && t.front() != ';' && eq != std::string_view::npos &&
                   !Trim(line.substr(0, eq)).empty()) {
            l.isEntry = true;
            l.key = std::string(Trim(line.substr(0, eq)));
            l.value = DecodeValue(line.substr(eq + 1));
        } else {
            l.raw = std::string(line);
        }
        doc.sections_.back().lines.push_back(std::move(l));
    }
    return doc;
}

std::string IniDocument::Serialize() const {
    std::string out;
    for (const Section& s : sections_) {
        if (s.hasHeader) {
            out += "[" + s.name + "]\n";
        }
        for (const Line& l : s.lines) {
            out += l.isEntry ? EncodeKey(l.key) + "=" + EncodeValue(l.value) : l.raw;
            out += "\n";
        }
    }
    return out;
}

IniDocument::Section* IniDocument::FindSection(std::string_view name) {
    for (Section& s : sections_) {
        if (s.hasHeader && vantry::EqualsIgnoreAsciiCase(s.name, name)) {
            return &s;
        }
    }
    return nullptr;
}

const IniDocument::Section* IniDocument::FindSection(std::string_view name) const {
    return const_cast<IniDocument*>(this)->FindSection(name);
}

std::optional<std::string> IniDocument::Get(std::string_view section, std::string_view key) const {
    const Section* s = FindSection(section);
    if (s == nullptr) {
        return std::nullopt;
    }
    for (const Line& l : s->lines) {
        if (l.isEntry && vantry::EqualsIgnoreAsciiCase(l.key, key)) {
            return l.value;
        }
    }
    return std::nullopt;
}

void IniDocument::Set(std::string_view section, std::string_view key, std::string_view value) {
    const std::string sectionName = OneLine(Trim(section));
    // Keys keep their blanks: an account name is a key and must match again.
    const std::string keyName = OneLine(key);
    Section* s = FindSection(sectionName);
    if (s == nullptr) {
        Section fresh;
        fresh.name = sectionName;
        fresh.hasHeader = true;
        sections_.push_back(std::move(fresh));
        s = &sections_.back();
    }
    for (Line& l : s->lines) {
        if (l.isEntry && vantry::EqualsIgnoreAsciiCase(l.key, keyName)) {
            l.value = OneLine(value);
            return;
        }
    }
    Line l;
    l.isEntry = true;
    l.key = keyName;
    l.value = OneLine(value);
    // New keys go after the last entry, ahead of trailing blank lines.
    auto at = s->lines.end();
    while (at != s->lines.begin() && !std::prev(at)->isEntry && Trim(std::prev(at)->raw).empty()) {
        --at;
    }
    s->lines.insert(at, std::move(l));
}

void IniDocument::Remove(std::string_view section, std::string_view key) {
    Section* s = FindSection(section);
    if (s == nullptr) {
        return;
    }
    auto it = std::find_if(s->lines.begin(), s->lines.end(), [&](const Line& l) {
        return l.isEntry && vantry::EqualsIgnoreAsciiCase(l.key, key);
    });
    if (it != s->lines.end()) {
        s->lines.erase(it);
    }
}

}  // namespace vantry::profile
