#include "core/header_part.h"

#include <algorithm>
#include <array>

#include "base/ascii.h"

namespace murmel::relay {

namespace {

constexpr std::string_view kCrLf = "\r\n";

bool EqualsNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; };
        if (lower(a[i]) != lower(b[i])) {
            return false;
        }
    }
    return true;
}

bool HasLineBreakOrNul(std::string_view s) {
    return s.find_first_of(std::string_view("\r\n\0", 3)) != std::string_view::npos;
}

struct Field {
    std::string_view name;
    std::string HeaderPart::*value;
};

constexpr std::array<Field, 9> kFields{{
    {"To", &HeaderPart::to},
    {"From", &HeaderPart::from},
    {"Subject", &HeaderPart::subject},
    {"Date", &HeaderPart::date},
    {"Cc", &HeaderPart::cc},
    {"X-Organization", &HeaderPart::organization},
    {"X-Language", &HeaderPart::language},
    {"X-Mailer", &HeaderPart::mailer},
    {"X-MailerVersion", &HeaderPart::mailerVersion},
}};

HeaderPartResult Refuse(std::string why) {
    return {std::nullopt, std::move(why)};
}

}  // namespace

std::vector<std::string_view> SplitAddressList(std::string_view list) {
    std::vector<std::string_view> items;
    bool inQuotes = false;
    int angle = 0;
    std::size_t start = 0;
    for (std::size_t i = 0; i < list.size(); ++i) {
        const char c = list[i];
        if (c == '"') {
            inQuotes = !inQuotes;
        } else if (!inQuotes && c == '<') {
            ++angle;
        } else if (!inQuotes && c == '>' && angle > 0) {
            --angle;
        } else if (!inQuotes && angle == 0 && c == ',') {
            items.push_back(list.substr(start, i - start));
            start = i + 1;
        }
    }
    items.push_back(list.substr(start));
    return items;
}

std::size_t CountAddresses(std::string_view list) {
    const std::vector<std::string_view> items = SplitAddressList(list);
    return static_cast<std::size_t>(
        std::count_if(items.begin(), items.end(), [](std::string_view item) {
            return item.find_first_not_of(" \t") != std::string_view::npos;
        }));
}

HeaderPartResult ParseHeaderPart(std::string_view bytes, std::size_t maxRecipients) {
    HeaderPart part;
    std::array<bool, kFields.size()> seen{};
    bool receiptSeen = false;
    std::string_view rest = bytes;
    bool blankLineFound = false;
    while (!rest.empty()) {
        const std::size_t end = rest.find(kCrLf);
        const std::string_view line = rest.substr(0, end);
        rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 2);
        if (line.empty()) {
            blankLineFound = true;
            break;
        }
        if (HasLineBreakOrNul(line)) {
            return Refuse("header line holds CR, LF or NUL");
        }
        const std::size_t colon = line.find(':');
        if (colon == std::string_view::npos || colon == 0 || line.front() == ' ' ||
            line.front() == '\t') {
            return Refuse("malformed header line");
        }
        const std::string_view name = line.substr(0, colon);
        const std::string_view value = vantry::TrimAscii(line.substr(colon + 1));
        if (EqualsNoCase(name, "X-Return-Receipt")) {
            if (receiptSeen) {
                return Refuse("repeated header X-Return-Receipt");
            }
            receiptSeen = true;
            part.returnReceipt = EqualsNoCase(value, "Yes");
            continue;
        }
        for (std::size_t i = 0; i < kFields.size(); ++i) {
            if (EqualsNoCase(name, kFields[i].name)) {
                if (seen[i]) {
                    return Refuse("repeated header " + std::string(kFields[i].name));
                }
                seen[i] = true;
                part.*kFields[i].value = std::string(value);
            }
        }
        // Other names are kept out of the mail: only known fields pass.
    }
    if (blankLineFound) {
        if (rest.find('\0') != std::string_view::npos) {
            return Refuse("note holds NUL");
        }
        if (rest.ends_with(kCrLf)) {
            rest.remove_suffix(2);
        }
        part.note = std::string(rest);
    }
    if (part.to.empty()) {
        return Refuse("no To");
    }
    if (part.from.empty()) {
        return Refuse("no From");
    }
    if (CountAddresses(part.to) + CountAddresses(part.cc) > maxRecipients) {
        return Refuse("too many recipients");
    }
    return {std::move(part), {}};
}

}  // namespace murmel::relay
