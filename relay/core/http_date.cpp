#include "core/http_date.h"

#include <array>
#include <cstdio>

#include "base/ascii.h"

namespace murmel::relay {

namespace {

constexpr std::array<std::string_view, 12> kMonths{"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                                   "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
constexpr std::array<std::string_view, 7> kWeekdays{"Thu", "Fri", "Sat", "Sun",
                                                    "Mon", "Tue", "Wed"};  // 1970-01-01 first

// Days since 1970-01-01 of a proleptic Gregorian date.
std::int64_t DaysFromCivil(std::int64_t y, unsigned m, unsigned d) {
    y -= m <= 2;
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const auto yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

bool IsLeap(std::int64_t y) {
    return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
}

unsigned DaysInMonth(std::int64_t y, unsigned m) {
    static constexpr std::array<unsigned, 12> kDays{31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return m == 2 && IsLeap(y) ? 29 : kDays[m - 1];
}

// A cursor over the date text; every reader skips blanks first.
class Scanner {
public:
    explicit Scanner(std::string_view s) : s_(s) {}

    void SkipBlanks() {
        while (pos_ < s_.size() && (s_[pos_] == ' ' || s_[pos_] == '\t' || s_[pos_] == ',' ||
                                    s_[pos_] == '\r' || s_[pos_] == '\n')) {
            ++pos_;
        }
    }
    bool AtEnd() {
        SkipBlanks();
        return pos_ >= s_.size();
    }
    std::optional<std::int64_t> Number(std::size_t minDigits, std::size_t maxDigits) {
        SkipBlanks();
        std::size_t n = 0;
        std::int64_t v = 0;
        while (pos_ < s_.size() && s_[pos_] >= '0' && s_[pos_] <= '9' && n < maxDigits) {
            v = v * 10 + (s_[pos_] - '0');
            ++pos_;
            ++n;
        }
        if (n < minDigits || (pos_ < s_.size() && s_[pos_] >= '0' && s_[pos_] <= '9')) {
            return std::nullopt;
        }
        return v;
    }
    std::string_view Word() {
        SkipBlanks();
        const std::size_t start = pos_;
        while (pos_ < s_.size() &&
               ((s_[pos_] >= 'A' && s_[pos_] <= 'Z') || (s_[pos_] >= 'a' && s_[pos_] <= 'z'))) {
            ++pos_;
        }
        return s_.substr(start, pos_ - start);
    }
    bool Take(char c) {
        if (pos_ < s_.size() && s_[pos_] == c) {
            ++pos_;
            return true;
        }
        return false;
    }
    char Peek() {
        SkipBlanks();
        return pos_ < s_.size() ? s_[pos_] : '\0';
    }

private:
    std::string_view s_;
    std::size_t pos_ = 0;
};

std::optional<unsigned> MonthNumber(std::string_view word) {
    if (word.size() < 3) {
        return std::nullopt;
    }
    for (std::size_t i = 0; i < kMonths.size(); ++i) {
        if (vantry::EqualsIgnoreAsciiCase(word.substr(0, 3), kMonths[i])) {
            return static_cast<unsigned>(i + 1);
        }
    }
    return std::nullopt;
}

struct Clock {
    std::int64_t hour = 0, minute = 0, second = 0;
};

std::optional<Clock> ReadClock(Scanner& in) {
    Clock c;
    const auto h = in.Number(1, 2);
    if (!h || !in.Take(':')) {
        return std::nullopt;
    }
    const auto m = in.Number(2, 2);
    if (!m) {
        return std::nullopt;
    }
    c.hour = *h;
    c.minute = *m;
    if (in.Take(':')) {
        const auto s = in.Number(2, 2);
        if (!s) {
            return std::nullopt;
        }
        c.second = *s;
    }
    if (c.hour > 23 || c.minute > 59 || c.second > 60) {
        return std::nullopt;
    }
    return c;
}

// Offset east of UTC in seconds; a missing zone counts as UTC.
std::optional<std::int64_t> ReadZone(Scanner& in) {
    const char c = in.Peek();
    if (c == '\0') {
        return 0;
    }
    if (c == '+' || c == '-') {
        in.Take(c);
        const auto hhmm = in.Number(4, 4);
        if (!hhmm || *hhmm % 100 > 59) {
            return std::nullopt;
        }
        const std::int64_t offset = (*hhmm / 100) * 3600 + (*hhmm % 100) * 60;
        return c == '-' ? -offset : offset;
    }
    const std::string_view word = in.Word();
    for (std::string_view utc : {"GMT", "UT", "UTC", "Z"}) {
        if (vantry::EqualsIgnoreAsciiCase(word, utc)) {
            return 0;
        }
    }
    return std::nullopt;
}

std::optional<std::int64_t> Assemble(std::int64_t year, unsigned month, std::int64_t day,
                                     const Clock& clock, std::int64_t zone) {
    if (year < 100) {
        year += year < 70 ? 2000 : 1900;  // two-digit years as RFC 850 senders meant them
    }
    if (year < 1970 || year > 9999 || day < 1 || day > DaysInMonth(year, month)) {
        return std::nullopt;
    }
    const std::int64_t t = DaysFromCivil(year, month, static_cast<unsigned>(day)) * 86400 +
                           clock.hour * 3600 + clock.minute * 60 + clock.second - zone;
    // Only dates that format back into the same four-digit years.
    if (t < 0 || t >= DaysFromCivil(9999, 1, 1) * 86400) {
        return std::nullopt;
    }
    return t;
}

}  // namespace

std::optional<std::int64_t> ParseHttpDate(std::string_view text) {
    Scanner in(text);
    in.Word();  // the weekday is not checked
    const std::string_view second = in.Peek() >= 'A' ? in.Word() : std::string_view();
    if (!second.empty()) {
        // asctime: "Sun Dec  6 20:49:00 2026"
        const auto month = MonthNumber(second);
        const auto day = month ? in.Number(1, 2) : std::nullopt;
        const auto clock = day ? ReadClock(in) : std::nullopt;
        const auto year = clock ? in.Number(4, 4) : std::nullopt;
        if (!year || !in.AtEnd()) {
            return std::nullopt;
        }
        return Assemble(*year, *month, *day, *clock, 0);
    }
    // "Sun, 06 Dec 2026 20:49[:00] GMT|+hhmm" or "Sunday, 06-Dec-26 20:49:00 GMT"
    const auto day = in.Number(1, 2);
    if (!day) {
        return std::nullopt;
    }
    in.Take('-');
    const auto month = MonthNumber(in.Word());
    if (!month) {
        return std::nullopt;
    }
    in.Take('-');
    const auto year = in.Number(2, 4);
    if (!year) {
        return std::nullopt;
    }
    const auto clock = ReadClock(in);
    if (!clock) {
        return std::nullopt;
    }
    const auto zone = ReadZone(in);
    if (!zone || !in.AtEnd()) {
        return std::nullopt;
    }
    return Assemble(*year, *month, *day, *clock, *zone);
}

std::string FormatHttpDate(std::int64_t t) {
    std::int64_t days = t >= 0 ? t / 86400 : (t - 86399) / 86400;
    const std::int64_t secs = t - days * 86400;
    const std::string_view weekday = kWeekdays[static_cast<std::size_t>(((days % 7) + 7) % 7)];
    // Civil date from days (inverse of DaysFromCivil).
    days += 719468;
    const std::int64_t era = (days >= 0 ? days : days - 146096) / 146097;
    const auto doe = static_cast<unsigned>(days - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    const unsigned d = doy - (153 * mp + 2) / 5 + 1;
    const unsigned m = mp < 10 ? mp + 3 : mp - 9;
    const std::int64_t y = static_cast<std::int64_t>(yoe) + era * 400 + (m <= 2);
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.*s, %02u %.*s %04lld %02lld:%02lld:%02lld GMT",
                  static_cast<int>(weekday.size()), weekday.data(), d,
                  static_cast<int>(kMonths[m - 1].size()), kMonths[m - 1].data(),
                  static_cast<long long>(y), static_cast<long long>(secs / 3600),
                  static_cast<long long>(secs / 60 % 60), static_cast<long long>(secs % 60));
    return buf;
}

}  // namespace murmel::relay
