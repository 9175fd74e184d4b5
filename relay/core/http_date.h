#pragma once
// Dates on the wire: the Last-Modified we send, and If-Modified-Since as it
// comes back. Murmel sends either its own "ddd, dd mmm yyyy hh:mm +zzzz" (no
// seconds, numeric zone) or the Last-Modified text it stored earlier.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace murmel::relay {

// Seconds since 1970 (UTC) of a date in the forms above, or of an RFC 850 /
// asctime date. Nothing for text that is not a valid date.
std::optional<std::int64_t> ParseHttpDate(std::string_view text);

// "Sun, 06 Dec 2026 20:49:00 GMT".
std::string FormatHttpDate(std::int64_t secondsSinceEpoch);

}  // namespace murmel::relay
