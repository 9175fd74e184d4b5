#include "check_rules.h"

#include <cstdio>

#include "base/ascii.h"

namespace corvy::checkcycle {
namespace {

bool IsFoldBlank(char c) {
    return c == ' ' || c == '\t';
}

}  // namespace

std::string CutTooltip(std::string_view tip) {
    // Characters, not bytes: a cut inside a UTF-8 sequence would leave a
    // broken character at the end. A continuation byte never starts one.
    std::size_t characters = 0;
    for (std::size_t i = 0; i < tip.size(); ++i) {
        const bool starts = (static_cast<unsigned char>(tip[i]) & 0xC0) != 0x80;
        if (starts && ++characters > kMaxTooltip) {
            return std::string(tip.substr(0, i));
        }
    }
    return std::string(tip);
}

std::string ClockText(int hour24, int minute) {
    const int hour12 = hour24 % 12 == 0 ? 12 : hour24 % 12;
    char text[16];
    std::snprintf(text, sizeof text, "%d:%02d %s", hour12, minute, hour24 < 12 ? "AM" : "PM");
    return text;
}

std::string MessagesTip(int total) {
    return "Corvy - " + std::to_string(total) + " Messages";
}

std::string MessagesAtTip(int total, const std::string& clock) {
    return CutTooltip(MessagesTip(total) + " at " + clock);
}

std::string CheckingAtTip(const std::string& account) {
    return CutTooltip("Corvy - Checking Mail at " + account);
}

std::string HeaderValue(std::string_view headers, std::string_view name) {
    std::string value;
    bool found = false;
    std::size_t pos = 0;
    while (pos < headers.size()) {
        std::size_t end = headers.find('\n', pos);
        if (end == std::string_view::npos) {
            end = headers.size();
        }
        std::string_view line = headers.substr(pos, end - pos);
        pos = end + 1;
        const std::size_t cr = line.find('\r');
        if (cr != std::string_view::npos) {
            line = line.substr(0, cr);
        }
        if (line.empty()) {
            break;
        }
        if (found) {
            if (!IsFoldBlank(line.front())) {
                break;
            }
            value += line;
        } else if (vantry::StartsWithIgnoreAsciiCase(line, name)) {
            found = true;
            value = line.substr(name.size());
        }
    }
    return value;
}

StatusAndDate ExtractStatusAndDate(std::string_view headers) {
    StatusAndDate out;
    out.status = vantry::LowerAscii(HeaderValue(headers, "status:"));
    std::string date = HeaderValue(headers, "date:");
    std::size_t blanks = 0;
    while (blanks < date.size() && IsFoldBlank(date[blanks])) {
        ++blanks;
    }
    out.date = date.substr(blanks);
    return out;
}

}  // namespace corvy::checkcycle
