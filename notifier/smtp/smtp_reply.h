#pragma once
// Pure pieces of the SMTP conversation: the result-code table and the reader
// that collects one server reply, continuation lines included, from the
// bytes as they arrive. Nothing here touches a socket.

#include <cstddef>
#include <string>
#include <string_view>

namespace corvy::smtp {

// Result codes of the sender; SmtpErrorText turns them into the user's text.
enum SmtpResult : int {
    kSuccess = 0,
    kBadArguments = 1,
    kTempFileFailed = 2,
    kSocketInitFailed = 3,
    kResolveFailed = 4,
    kInvalidSocket = 5,
    kConnectFailed = 6,
    kSendFailed = 7,
    kReceiveFailed = 8,
    kServerError = 9,
    kLocalHostNameFailed = 10,
    kOutOfMemory = 11,
    kUnknownError = 12,
    kNoContent = 13,
    kNoSubject = 14,
    kNoDestination = 15,
    kNoReplyTo = 16,
    kInvalidMailHost = 17,
    kInvalidMessageFile = 18,
    kHeloFailed = 19,
    kMailFromFailed = 20,
    kRcptToFailed = 21,
    kDataFailed = 22,
    kAttachmentOpenFailed = 23,
    kUserCanceled = 24,
    kTimedOut = 25,
    // Accounts that ask for TLS or sign in.
    kTlsFailed = 26,
    kCertificateRefused = 27,
    kTlsNotOffered = 28,
    kAuthFailed = 29,
    kAuthNeedsTls = 30,
};

// The text of a code; code 9 yields the server's error reply (empty when
// none came), codes outside the table the text of code 12.
std::string SmtpErrorText(int code, std::string_view errorReply);

// The words after `keyword` on the line of an EHLO reply (as Text() keeps
// it) that names that extension, letter case ignored; false when no line
// does. The first line is the server's greeting and names none.
bool FindSmtpExtension(std::string_view reply, std::string_view keyword, std::string& rest);
// Whether `word` is one of the space-separated `words`, letter case ignored.
bool HasSmtpWord(std::string_view words, std::string_view word);

// Collects one reply. A line ends at LF (a CR before it is dropped); a line
// whose fourth character is "-" after three digits continues the reply, any
// other line ends it. Bytes after the end stay unread for the next reply.
class SmtpReplyReader {
public:
    // The reply text kept for the error box, and the longest line looked at.
    static constexpr std::size_t kMaxText = 4095;

    // Consumes bytes up to the end of the reply; returns how many it took.
    std::size_t Feed(std::string_view bytes);
    bool Complete() const { return complete_; }
    // After Complete: 0 when the last line starts below "4", else 9.
    int Result() const;
    // Every line of the reply joined by CR LF, without the last line end;
    // cut at kMaxText characters.
    const std::string& Text() const { return text_; }
    // Forgets the reply and starts on the next one.
    void Reset();

private:
    void EndLine();

    std::string line_;
    std::string text_;
    bool complete_ = false;
    char lastFirst_ = 0;
};

}  // namespace corvy::smtp
