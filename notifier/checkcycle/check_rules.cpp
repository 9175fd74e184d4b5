#include "check_rules.h"

#include <cstdio>

namespace corvy::checkcycle {
namespace {

std::string Lower(std::string_view s) {
    std::string out(s);
    for (char& c : out) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    return out;
}

// From `start` to the first CR; empty when start lies past the end (a header
// name at the very end of a cut-off buffer).
std::string UpToCr(std::string_view text, std::size_t start) {
    if (start >= text.size()) {
        return {};
    }
    const std::size_t cr = text.find('\r', start);
    return std::string(text.substr(start, cr == std::string_view::npos ? cr : cr - start));
}

}  // namespace

std::string CutTooltip(std::string_view tip) {
    return std::string(tip.substr(0, tip.size() < kMaxTooltip ? tip.size() : kMaxTooltip));
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

StatusAndDate ExtractStatusAndDate(std::string_view headers) {
    const std::string lower = Lower(headers);
    StatusAndDate out;
    const std::size_t status = lower.find("status:");
    if (status != std::string::npos) {
        out.status = UpToCr(lower, status + 7);
    }
    const std::size_t date = lower.find("date:");
    if (date != std::string::npos) {
        out.date = UpToCr(headers, date + 6);
    }
    return out;
}

}  // namespace corvy::checkcycle
