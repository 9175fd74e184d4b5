#pragma once
// Pure pieces of the POP3 conversation: the line reader fed with server
// bytes, the reading of STAT, LIST and UIDL replies, the multi-line
// terminators and the result-code table. Nothing here touches a socket.

#include <cstddef>
#include <string>
#include <string_view>

namespace corvy::pop3 {

// Result codes of the client; ErrorText turns them into the user's text.
enum Pop3Result : int {
    kSuccess = 0,
    kBadHostName = 1,
    kSocketInitFailed = 2,
    kResolveFailed = 3,
    kInvalidSocket = 4,
    kConnectFailed = 5,
    kSendFailed = 6,
    kReceiveFailed = 7,
    kServerError = 8,
    kLocalHostNameFailed = 9,
    kOutOfMemory = 10,
    kUnknownError = 11,
    kTimedOut = 12,
    kUserCanceled = 13,
    kBufferOverflow = 14,
    kInvalidPort = 15,
    // Accounts that ask for TLS.
    kTlsFailed = 16,
    kCertificateRefused = 17,
    kTlsNotOffered = 18,
};

// The text of a code; code 8 yields the server's own line, unknown codes the
// text of code 11.
std::string Pop3ErrorText(int code, std::string_view lastReply);

// Splits a byte stream into reply lines. A line ends at LF; a CR also ends
// it and the byte after the CR is consumed with it; the terminator is not
// part of the line. Lines longer than kMaxLine are cut and the remainder is
// the next line.
class Pop3LineReader {
public:
    static constexpr std::size_t kBufferSize = 4096;
    static constexpr std::size_t kMaxLine = kBufferSize - 1;

    enum class Outcome {
        Line,      // a line was produced
        NeedMore,  // feed more bytes (or call FeedEnd)
        Closed,    // the peer closed before a line end
    };

    // Free room in the buffer; Feed takes at most this many bytes.
    std::size_t Space() const { return kBufferSize - size_; }
    std::size_t Feed(const char* data, std::size_t n);
    // The peer closed the stream: what is buffered is all there will be.
    void FeedEnd() { ended_ = true; }
    bool Ended() const { return ended_; }
    // Bytes received but not yet handed out as a line.
    std::size_t Buffered() const { return size_; }

    // Copies the next line into `line` (cleared first).
    Outcome Next(std::string& line);
    // True when the last line handed out was cut at kMaxLine, so the next
    // one continues it rather than starting a line of its own.
    bool LastLineCut() const { return lastCut_; }

private:
    void Consume(std::size_t n);

    char buffer_[kBufferSize];
    std::size_t size_ = 0;
    bool ended_ = false;
    bool lastCut_ = false;
};

// First character "-" makes a failure; anything else, even a blank line,
// is success.
inline int ReplyCode(std::string_view line) {
    return (!line.empty() && line.front() == '-') ? kServerError : kSuccess;
}

// STAT: the decimal number after the first space; 0 without a space.
int ParseStatCount(std::string_view reply);
// LIST n: the decimal number after the second space; 0 with fewer fields.
int ParseListSize(std::string_view reply);
// UIDL n: the text after the first "<n> " in the reply; false when absent.
bool ExtractUidl(std::string_view reply, int messageNumber, std::string& uid);

// One line of a multi-line response. `atLineStart` is false for the
// remainder of a long line the reader cut: that piece is never the end and
// never stuffed. At a line start only "." ends the response, and a leading
// dot of a line beginning ".." is the server's stuffing and is removed.
enum class MultiLineStep { End, Data };
MultiLineStep ReadDataLine(std::string_view line, bool atLineStart, std::string_view& data);

}  // namespace corvy::pop3
