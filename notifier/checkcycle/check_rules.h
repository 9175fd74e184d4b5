#pragma once
// Pure pieces of the mail check: the tray tooltips and the header fields the
// new-mail rule looks at.

#include <string>
#include <string_view>

namespace corvy::checkcycle {

// The tray shows at most this many characters; longer tips are cut at a
// character boundary (text is UTF-8).
inline constexpr std::size_t kMaxTooltip = 63;
std::string CutTooltip(std::string_view tip);

// "9:05 PM": 12-hour clock, hour without leading zero, two-digit minutes.
std::string ClockText(int hour24, int minute);

std::string MessagesTip(int total);                              // "Corvy - %d Messages"
std::string MessagesAtTip(int total, const std::string& clock);  // "... at %s"
std::string CheckingAtTip(const std::string& account);

// The value of the first header line that begins with `name` (lower case,
// colon included), with its folded continuation lines joined on. The
// header block ends at the first empty line; a value never holds CR or LF.
std::string HeaderValue(std::string_view headers, std::string_view name);

struct StatusAndDate {
    std::string status;  // lower-cased
    std::string date;    // as sent
};

// The Status and Date headers: names matched at the start of a header line
// only, ignoring case, with folded continuation lines joined to the value.
// The status is lower-cased and runs from right after its colon; the date
// is as sent, without the blanks after its colon. A missing header gives an
// empty value.
StatusAndDate ExtractStatusAndDate(std::string_view headers);

// A status holding "r" or "o" (read or old) is mail the user has seen.
inline bool StatusSeen(std::string_view status) {
    return status.find('r') != std::string_view::npos || status.find('o') != std::string_view::npos;
}

}  // namespace corvy::checkcycle
