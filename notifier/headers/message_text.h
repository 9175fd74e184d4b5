#pragma once
// Pure pieces of the header window: the fields of one listed message, the
// size column, and the texts the peek window and a reply are made of.

#include <cstddef>
#include <string>
#include <string_view>

namespace corvy::headers {

// Only this much of a message is searched for its header fields.
inline constexpr std::size_t kFieldSearchLimit = 8192;
// Shown in the Date column of a message that has no Date header.
inline constexpr const char* kNoDate = "!error!";

struct MessageFields {
    std::string from;
    std::string subject;
    std::string date;
    std::string replyTo;  // as sent, a leading blank kept
    std::string messageId;
};

// Header names match at the start of a header line only, so a body line or a
// quoted header never supplies a field. Values join folded lines and never
// hold CR or LF; the Date is read exactly as the check cycle reads it, so the
// new-mail marker stored from it matches the next check.
MessageFields ExtractMessageFields(std::string_view text);

// "1K" up to 1024 bytes, else the whole kilobytes ("2K" for 2048).
std::string SizeText(long long bytes);

// Limit on the text of a peek: the peek lines plus room for the headers.
std::size_t PeekLimit(int peekLines);

// "From: %s\r\nDate: %s\r\nSubj: %s"
std::string PeekHeaderText(const MessageFields& fields);

// The text after the blank line that ends the headers (the first LF directly
// followed by CR, both skipped), or all of it without one; cut at `limit`.
std::string PeekBodyText(std::string_view text, std::size_t limit);

// Text kept in a message file with LF or CR LF line ends, as CR LF lines.
std::string KeptTextToWire(std::string_view kept);

// "\r\nOn <date> you wrote:\r\n" and every line after the headers quoted
// with ">".
std::string ReplyQuote(std::string_view date, std::string_view text);

// "Re:" directly followed by the subject.
std::string ReplySubject(std::string_view subject);

// The address a reply goes to: the Reply-To value without surrounding blanks.
std::string ReplyRecipient(std::string_view replyTo);

}  // namespace corvy::headers
