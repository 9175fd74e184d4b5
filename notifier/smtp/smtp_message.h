#pragma once
// Pure formatting of an outgoing message: the header block with its Date
// line, values made safe for a header or a command, the body as it goes on
// the wire, and base64 in fixed lines. Nothing here touches a socket.

#include <cstddef>
#include <cstdint>
#include <ctime>
#include <string>
#include <string_view>

namespace corvy::smtp {

// "Date: Sun, 07 Dec 2026 20:12:36 -0500\r\n" from the local time and the
// zone's standard-time offset in seconds east of UTC; a zero offset has no
// sign.
std::string DateLine(const std::tm& local, long standardOffsetEast);
// The same for now, with the local zone's standard offset.
std::string DateLineNow();

// A value for a header: every run of CR and LF becomes one space, so a
// pasted line break can never start a header of its own.
std::string OneLine(std::string_view text);
// An address for a command or header: CR and LF are dropped.
std::string BareAddress(std::string_view text);
bool IsAscii(std::string_view text);
// Text for a header: ASCII as it is, anything else as RFC 2047 "B" words of
// UTF-8 (never splitting a character), folded onto continuation lines.
std::string HeaderText(std::string_view text);
// A display name before "<address>": quoted when it holds characters that
// would split or end the name, encoded when it is not ASCII.
std::string DisplayName(std::string_view name);

struct MessageHeader {
    std::string address;  // sender address
    std::string name;     // sender name
    std::string subject;
    std::string recipient;
    std::string mailer;
    std::string boundary;  // empty for a plain message
    bool utf8Body = false;
};

// The header lines in their fixed order, without the blank line after them.
std::string HeaderBlock(const MessageHeader& header, std::string_view dateLine);
// The content type (and transfer encoding) lines of the text: `name` is
// "Content-Type" in a plain message's header, "Content-type" in the part.
std::string TextPartType(bool utf8Body, std::string_view name);

// The body as it goes between DATA and the final dot: every line end (CR LF,
// a bare LF or a bare CR) becomes CR LF, quoted-printable when asked, and a
// line starting with "." gets a second one.
std::string WireText(std::string_view body, bool quotedPrintable);

// Base64 of the standard alphabet in lines of exactly 76 characters.
class Base64Lines {
public:
    static constexpr std::size_t kLine = 76;
    // Encodes one full group of three bytes; true when a line is full.
    bool PutGroup(const uint8_t* group);
    // Encodes the last one or two bytes with padding.
    void PutTail(const uint8_t* bytes, std::size_t count);
    // The line so far (full or the short last one); CR LF is the caller's.
    std::string_view Line() const { return {line_, size_}; }
    void Clear() { size_ = 0; }

private:
    char line_[kLine];
    std::size_t size_ = 0;
};

// The attachment's file name from a path (its name and extension joined).
std::string AttachmentName(std::string_view path);

}  // namespace corvy::smtp
