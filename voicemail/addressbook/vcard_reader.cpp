#include "addressbook/vcard_reader.h"

#include <optional>
#include <string>
#include <vector>

#include <QStringDecoder>
#include <QStringList>

#include "base/hex.h"

namespace murmel {

namespace {

// One content line split into its parts; the value is still raw bytes.
struct ContentLine {
    std::string name;  // upper case, group prefix removed
    std::string encoding;
    std::string charset;
    std::string value;
};

std::string Upper(std::string_view text) {
    std::string upper(text);
    for (char& c : upper) {
        if (c >= 'a' && c <= 'z') {
            c = static_cast<char>(c - 'a' + 'A');
        }
    }
    return upper;
}

std::string_view StripCr(std::string_view line) {
    if (!line.empty() && line.back() == '\r') {
        line.remove_suffix(1);
    }
    return line;
}

// Joins folded lines (a line starting with a blank or tab continues the one
// before) and the soft breaks of quoted-printable values (a line ending in
// "=" inside such a value).
std::vector<std::string> UnfoldedLines(std::string_view bytes) {
    std::vector<std::string> lines;
    // Whether the logical line being built carries a quoted-printable value;
    // decided on its first physical line, so long values stay linear.
    bool quotedPrintable = false;
    bool softBreak = false;
    while (!bytes.empty()) {
        const std::size_t end = bytes.find('\n');
        const std::string_view line = StripCr(bytes.substr(0, end));
        bytes = end == std::string_view::npos ? std::string_view() : bytes.substr(end + 1);
        if (softBreak) {
            lines.back().pop_back();  // the "="
            lines.back().append(line);
        } else if (!lines.empty() && !line.empty() && (line[0] == ' ' || line[0] == '\t')) {
            lines.back().append(line.substr(1));
        } else {
            lines.emplace_back(line);
            const std::size_t colon = line.find(':');
            quotedPrintable =
                colon != std::string_view::npos &&
                Upper(line.substr(0, colon)).find("QUOTED-PRINTABLE") != std::string::npos;
        }
        softBreak = quotedPrintable && !lines.back().empty() && lines.back().back() == '=';
    }
    return lines;
}

ContentLine ParseLine(std::string_view line) {
    ContentLine parsed;
    const std::size_t colon = line.find(':');
    if (colon == std::string_view::npos) {
        return parsed;
    }
    parsed.value = std::string(line.substr(colon + 1));
    std::string_view head = line.substr(0, colon);
    const std::size_t semicolon = head.find(';');
    std::string_view name = head.substr(0, semicolon);
    if (const std::size_t dot = name.rfind('.'); dot != std::string_view::npos) {
        name.remove_prefix(dot + 1);
    }
    parsed.name = Upper(name);
    std::string_view params =
        semicolon == std::string_view::npos ? std::string_view() : head.substr(semicolon + 1);
    while (!params.empty()) {
        const std::size_t next = params.find(';');
        const std::string param = Upper(params.substr(0, next));
        params = next == std::string_view::npos ? std::string_view() : params.substr(next + 1);
        if (param == "QUOTED-PRINTABLE" || param == "ENCODING=QUOTED-PRINTABLE") {
            parsed.encoding = "QUOTED-PRINTABLE";
        } else if (param.starts_with("CHARSET=")) {
            parsed.charset = param.substr(8);
        }
    }
    return parsed;
}

std::string DecodeQuotedPrintable(std::string_view value) {
    std::string bytes;
    for (std::size_t i = 0; i < value.size(); ++i) {
        if (value[i] == '=' && i + 2 < value.size() && vantry::HexDigit(value[i + 1]) >= 0 &&
            vantry::HexDigit(value[i + 2]) >= 0) {
            bytes.push_back(static_cast<char>(vantry::HexDigit(value[i + 1]) * 16 +
                                              vantry::HexDigit(value[i + 2])));
            i += 2;
        } else {
            bytes.push_back(value[i]);
        }
    }
    return bytes;
}

// Text of a value in its stated charset; without one, UTF-8 when the bytes
// are valid UTF-8 and the "ANSI" code page otherwise (older exports).
QString DecodeText(const std::string& bytes, const std::string& charset) {
    if (charset == "ISO-8859-1" || charset == "LATIN1") {
        return QString::fromLatin1(bytes.data(), static_cast<qsizetype>(bytes.size()));
    }
    if (charset == "WINDOWS-1252" || charset == "CP1252") {
        return DecodeAnsi(bytes);
    }
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8(QByteArrayView(bytes.data(), static_cast<qsizetype>(bytes.size())));
    if (!utf8.hasError()) {
        return text;
    }
    return DecodeAnsi(bytes);
}

// Removes the backslash escapes of 3.0 and 4.0 values.
QString Unescape(const QString& value) {
    QString text;
    for (qsizetype i = 0; i < value.size(); ++i) {
        if (value[i] == QLatin1Char('\\') && i + 1 < value.size()) {
            const QChar next = value[++i];
            text += (next == QLatin1Char('n') || next == QLatin1Char('N')) ? QChar(' ') : next;
        } else {
            text += value[i];
        }
    }
    return text;
}

// Splits a structured value at the semicolons that are not escaped.
QStringList StructuredParts(const QString& value) {
    QStringList parts(1);
    for (qsizetype i = 0; i < value.size(); ++i) {
        if (value[i] == QLatin1Char('\\') && i + 1 < value.size()) {
            parts.last() += value[i];
            parts.last() += value[++i];
        } else if (value[i] == QLatin1Char(';')) {
            parts.append(QString());
        } else {
            parts.last() += value[i];
        }
    }
    return parts;
}

// "Given Additional Family" from the N value "Family;Given;Additional;...".
QString NameFromStructured(const QString& value) {
    const QStringList parts = StructuredParts(value);
    QStringList words;
    for (const int index : {1, 2, 0}) {
        if (index < parts.size()) {
            const QString word = Unescape(parts[index]).trimmed();
            if (!word.isEmpty()) {
                words.append(word);
            }
        }
    }
    return words.join(QLatin1Char(' '));
}

struct Card {
    QString formattedName;
    QString structuredName;
    QStringList addresses;

    void AppendRows(BookRows& rows) const {
        const QString name = formattedName.isEmpty() ? structuredName : formattedName;
        for (const QString& address : addresses) {
            rows.push_back({name, address, {}});
        }
    }
};

}  // namespace

BookRows ReadVCards(std::string_view bytes) {
    BookRows rows;
    std::optional<Card> card;
    for (const std::string& line : UnfoldedLines(bytes)) {
        const ContentLine parsed = ParseLine(line);
        const std::string value = Upper(parsed.value);
        if (parsed.name == "BEGIN" && value.starts_with("VCARD")) {
            card.emplace();
            continue;
        }
        if (!card) {
            continue;
        }
        if (parsed.name == "END" && value.starts_with("VCARD")) {
            card->AppendRows(rows);
            card.reset();
            continue;
        }
        const std::string raw = parsed.encoding == "QUOTED-PRINTABLE"
                                    ? DecodeQuotedPrintable(parsed.value)
                                    : parsed.value;
        if (parsed.name == "FN") {
            card->formattedName = Unescape(DecodeText(raw, parsed.charset)).trimmed();
        } else if (parsed.name == "N") {
            card->structuredName = NameFromStructured(DecodeText(raw, parsed.charset));
        } else if (parsed.name == "EMAIL") {
            QString address = Unescape(DecodeText(raw, parsed.charset)).trimmed();
            if (address.startsWith(QLatin1String("mailto:"), Qt::CaseInsensitive)) {
                address.remove(0, 7);
            }
            if (!address.isEmpty()) {
                card->addresses.append(address);
            }
        }
    }
    return rows;
}

}  // namespace murmel
