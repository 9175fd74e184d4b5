#include "addressbook/book_readers.h"

#include <cstddef>
#include <cstdint>
#include <optional>

#include "base/little_endian.h"
#include "startup/utilities.h"

namespace murmel {

namespace {

// Bounds-checked view of a book's bytes: every read names its absolute
// offset and fails instead of reaching past the end.
class ByteView {
public:
    explicit ByteView(std::string_view bytes) : bytes_(bytes) {}

    std::size_t size() const { return bytes_.size(); }

    bool Has(std::uint64_t offset, std::uint64_t length) const {
        return offset <= bytes_.size() && length <= bytes_.size() - offset;
    }

    std::optional<std::uint8_t> U8(std::uint64_t offset) const {
        if (!Has(offset, 1)) {
            return std::nullopt;
        }
        return static_cast<std::uint8_t>(bytes_[offset]);
    }

    std::optional<std::uint64_t> LittleEndian(std::uint64_t offset, int width) const {
        return vantry::ReadLittleEndian(bytes_, offset, width);
    }

    // Text from FROM up to the first zero byte before END (both absolute);
    // nothing when there is no zero byte in that range.
    std::optional<std::string_view> ZeroEnded(std::uint64_t from, std::uint64_t end) const {
        if (from > end || !Has(from, end - from)) {
            return std::nullopt;
        }
        const std::string_view field = bytes_.substr(from, end - from);
        const std::size_t zero = field.find('\0');
        if (zero == std::string_view::npos) {
            return std::nullopt;
        }
        return field.substr(0, zero);
    }

private:
    std::string_view bytes_;
};

// Where a fixed-size record keeps its two zero-ended texts.
struct RecordLayout {
    std::uint64_t size;
    std::uint64_t nameAt;
    std::uint64_t addressAt;
};

// Visits up to COUNT records laid out as LAYOUT from FIRST on, ending at the
// first one that does not lie wholly inside the file. A record is passed on
// only when both its texts end inside it.
template <class Visit>
void EachRecord(const ByteView& view, std::uint64_t first, std::uint64_t count,
                const RecordLayout& layout, Visit&& visit) {
    for (std::uint64_t i = 0; i < count; ++i) {
        const std::uint64_t at = first + i * layout.size;
        if (!view.Has(at, layout.size)) {
            return;
        }
        const auto name = view.ZeroEnded(at + layout.nameAt, at + layout.size);
        const auto address = view.ZeroEnded(at + layout.addressAt, at + layout.size);
        if (name && address) {
            visit(*name, *address);
        }
    }
}

QString WithoutTrailingCrLf(QString text) {
    if (text.endsWith(QLatin1String("\r\n"))) {
        text.chop(2);
    }
    return text;
}

BookRow* RowWithKey(BookRows& rows, const QString& key) {
    for (BookRow& row : rows) {
        if (!row.key.isEmpty() && row.key.compare(key, Qt::CaseInsensitive) == 0) {
            return &row;
        }
    }
    return nullptr;
}

// Adds a row keyed by KEY; a key already taken leaves the new row without one.
void AddKeyedRow(BookRows& rows, QString name, QString address, QString key) {
    if (RowWithKey(rows, key) != nullptr) {
        key.clear();
    }
    rows.push_back({std::move(name), std::move(address), std::move(key)});
}

}  // namespace

QString DecodeAnsi(std::string_view bytes) {
    // The C1 range of Windows-1252; the rest is Latin-1. Unassigned bytes keep
    // their Latin-1 value, as the platform's conversion does.
    static constexpr char16_t kHigh[32] = {
        0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
        0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
        0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};
    QString text;
    text.reserve(static_cast<qsizetype>(bytes.size()));
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        text.append(byte >= 0x80 && byte < 0xA0 ? QChar(kHigh[byte - 0x80]) : QChar(byte));
    }
    return text;
}

BookRows ReadBookList(std::string_view bytes) {
    constexpr RecordLayout kRecord{.size = 1658, .nameAt = 26, .addressAt = 58};
    const ByteView view(bytes);
    BookRows rows;
    EachRecord(view, 0, view.size() / kRecord.size, kRecord,
               [&](std::string_view name, std::string_view address) {
                   const QString rowName = WithoutTrailingCrLf(DecodeAnsi(name));
                   QString rowAddress = WithoutTrailingCrLf(DecodeAnsi(address));
                   if (rowName.isEmpty() || rowAddress.isEmpty()) {
                       return;
                   }
                   if (!rowAddress.contains(QLatin1Char('@'))) {
                       ReplaceText(rowAddress, QStringLiteral(" "), QString());
                       rowAddress += QLatin1Char('@') + QLatin1String(kBookListMailDomain);
                   }
                   rows.push_back({rowName, rowAddress, {}});
               });
    return rows;
}

BookRows ReadWab(std::string_view bytes) {
    constexpr std::uint64_t kEntry = 36;
    constexpr std::uint64_t kLinkAt = 32;
    const ByteView view(bytes);
    const auto count = view.LittleEndian(20, 4);
    const auto namesAt = view.LittleEndian(48, 4);
    const auto addressesAt = view.LittleEndian(96, 4);
    BookRows rows;
    if (!count || !namesAt || !addressesAt) {
        return rows;
    }
    // Visits the entries of one table that lie inside the file; a count
    // larger than the file holds ends at the file's end.
    const auto eachEntry = [&](std::uint64_t tableAt, auto&& visit) {
        for (std::uint64_t i = 0; i < *count; ++i) {
            const std::uint64_t at = tableAt + i * kEntry;
            if (!view.Has(at, kEntry)) {
                return;
            }
            const auto text = view.ZeroEnded(at, at + kEntry);
            if (text && !text->empty()) {
                visit(DecodeAnsi(*text), *view.U8(at + kLinkAt));
            }
        }
    };
    const auto keyOf = [](std::uint8_t link) { return QLatin1Char('e') + QString::number(link); };
    eachEntry(*addressesAt, [&](QString address, std::uint8_t link) {
        AddKeyedRow(rows, QString(), std::move(address), keyOf(link));
    });
    eachEntry(*namesAt, [&](QString name, std::uint8_t link) {
        if (BookRow* row = RowWithKey(rows, keyOf(link))) {
            row->name = std::move(name);
        }
    });
    for (BookRow& row : rows) {
        row.key.clear();
    }
    return rows;
}

BookRows ReadNab(std::string_view bytes) {
    constexpr RecordLayout kEntry{.size = 68, .nameAt = 36, .addressAt = 4};
    const ByteView view(bytes);
    BookRows rows;
    const auto tableAt = view.LittleEndian(356, 2);
    const auto count = tableAt ? view.U8(*tableAt + 7) : std::nullopt;
    if (!count) {
        return rows;
    }
    EachRecord(view, *tableAt + 8, *count, kEntry,
               [&](std::string_view name, std::string_view address) {
                   if (!name.empty() && !address.empty()) {
                       rows.push_back({DecodeAnsi(name), DecodeAnsi(address), {}});
                   }
               });
    return rows;
}

BookRows ReadNicknames(std::string_view bytes) {
    BookRows rows;
    const QString text = DecodeAnsi(bytes);
    for (QStringView line : QStringView(text).split(QLatin1Char('\n'))) {
        if (line.endsWith(QLatin1Char('\r'))) {
            line.chop(1);
        }
        if (!line.startsWith(QLatin1String("alias "), Qt::CaseInsensitive)) {
            continue;
        }
        const QString rest = line.mid(6).toString();
        QString name;
        QString addresses;
        if (rest.startsWith(QLatin1Char('"'))) {
            const int lastQuote = InStrLast(rest, QStringLiteral("\""));
            name = lastQuote > 2 ? rest.mid(1, lastQuote - 2) : QString();
            addresses = rest.mid(lastQuote).trimmed();
        } else {
            const qsizetype blank = rest.indexOf(QLatin1Char(' '));
            name = blank < 0 ? rest : rest.left(blank);
            addresses = blank < 0 ? QString() : rest.mid(blank + 1).trimmed();
        }
        if (addresses.endsWith(QLatin1Char(','))) {
            addresses.chop(1);
        }
        if (!name.isEmpty() && !addresses.isEmpty()) {
            AddKeyedRow(rows, name, addresses, name);
        }
    }
    ExpandNicknames(rows);
    return rows;
}

void ExpandNicknames(BookRows& rows) {
    for (BookRow& row : rows) {
        QString expanded;
        const auto contribute = [&](const QString& piece) {
            const qsizetype joined = expanded.size() + (expanded.isEmpty() ? 0 : 1) + piece.size();
            if (piece.isEmpty() || joined > kMaxExpandedAddressLength) {
                return;
            }
            if (!expanded.isEmpty()) {
                expanded += QLatin1Char(',');
            }
            expanded += piece;
        };
        for (const QString& piece : row.address.split(QLatin1Char(','))) {
            if (piece.isEmpty()) {
                break;
            }
            if (const BookRow* named = RowWithKey(rows, piece)) {
                contribute(named->address);
            } else if (piece.contains(QLatin1Char('@'))) {
                contribute(piece);
            }
        }
        row.address = expanded;
    }
}

}  // namespace murmel
