#pragma once
// The header part of an upload: mail-like lines, a blank line and the note,
// in the sender's single-byte code page. Values stay raw bytes here; they are
// decoded when the mail is built.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace murmel::relay {

struct HeaderPart {
    std::string to;
    std::string from;
    std::string subject;
    std::string date;
    std::string cc;
    std::string organization;
    bool returnReceipt = false;
    std::string language;  // 8-hex-digit locale, e.g. "00000409"
    std::string mailer;
    std::string mailerVersion;
    std::string note;  // may span lines; the part's final line end is not part of it
};

struct HeaderPartResult {
    std::optional<HeaderPart> part;
    std::string error;  // why the part was refused, for the reply and the log
};

// Parses a header part. A value holding CR, LF or NUL, a line that is not
// "Name: value", a repeated header, a missing To or From, or more than
// maxRecipients addresses in To and Cc together is refused.
HeaderPartResult ParseHeaderPart(std::string_view bytes, std::size_t maxRecipients);

// The items between the commas of a list, untrimmed and empty ones kept;
// commas inside quotes or angle brackets do not separate.
std::vector<std::string_view> SplitAddressList(std::string_view list);

// Number of comma-separated addresses in a list, commas inside quotes or
// angle brackets not counting.
std::size_t CountAddresses(std::string_view list);

}  // namespace murmel::relay
