#include "smtp/smtp_reply.h"

#include <algorithm>
#include <array>
#include <utility>

#include "pop3/result_texts.h"

namespace corvy::smtp {
namespace {

constexpr auto kTexts = pop3::ResultTable(
    std::to_array<const char*>({
        "Success",
        "Error! Bad arguments from form!",
        "Error! Failed to open temporary mailfile for read!",
    }),
    std::to_array<const char*>({
        "Error! Invalid message content!",
        "Error! Invalid message subject!",
        "Error! Invalid message destination!",
        "Error! Invalid reply to!",
        "Error! Invalid mail host!",
        "Error! Invalid message file!",
        "Error! Server returned an error to HELO!",
        "Error! Server returned an error to MAIL FROM!",
        "Error! Server returned an error to RCPT TO!",
        "Error! Server returned an error to DATA!",
        "Error! Failed to to open attachment!",
        "User canceled!",
        "Timed out!",
        "Error! The secure connection failed!",
        "Error! The server's certificate was refused!",
        "Error! The server does not offer a secure connection (STARTTLS); nothing was sent in "
        "clear text.",
        "Error! The server refused the user name or password!",
        "Error! The password is only sent over a secure connection: choose STARTTLS or TLS.",
    }));
// The shared run must sit at the codes the enum gives it.
static_assert(kTexts.size() == kAuthNeedsTls + 1);
static_assert(std::string_view(kTexts[kSocketInitFailed]) == "Error! Failed to initialize socket!");
static_assert(std::string_view(kTexts[kServerError]).empty());
static_assert(std::string_view(kTexts[kUnknownError]) == "Error! Unknown error!");

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

}  // namespace

std::string SmtpErrorText(int code, std::string_view errorReply) {
    return pop3::ResultText(kTexts, code, kServerError, kUnknownError, errorReply);
}

std::size_t SmtpReplyReader::Feed(std::string_view bytes) {
    std::size_t used = 0;
    while (used < bytes.size() && !complete_) {
        const char c = bytes[used++];
        if (c == '\n') {
            EndLine();
        } else if (line_.size() < kMaxText) {
            line_.push_back(c);
        }
    }
    return used;
}

void SmtpReplyReader::EndLine() {
    if (!line_.empty() && line_.back() == '\r') {
        line_.pop_back();
    }
    if (!text_.empty() && text_.size() < kMaxText) {
        text_ += "\r\n";
    }
    text_.append(line_, 0, kMaxText - std::min(text_.size(), kMaxText));
    const bool continued = line_.size() >= 4 && IsDigit(line_[0]) && IsDigit(line_[1]) &&
                           IsDigit(line_[2]) && line_[3] == '-';
    // A bare line end reads as its CR, which is below "4", as it always has.
    lastFirst_ = line_.empty() ? '\r' : line_.front();
    line_.clear();
    complete_ = !continued;
}

int SmtpReplyReader::Result() const {
    return lastFirst_ < '4' ? kSuccess : kServerError;
}

void SmtpReplyReader::Reset() {
    line_.clear();
    text_.clear();
    complete_ = false;
    lastFirst_ = 0;
}

namespace {

bool SameWord(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return (x >= 'a' && x <= 'z' ? x - 32 : x) == (y >= 'a' && y <= 'z' ? y - 32 : y);
           });
}

}  // namespace

bool FindSmtpExtension(std::string_view reply, std::string_view keyword, std::string& rest) {
    bool first = true;
    while (!reply.empty()) {
        const std::size_t end = reply.find('\n');
        std::string_view line = reply.substr(0, end);
        reply = end == std::string_view::npos ? std::string_view() : reply.substr(end + 1);
        if (!line.empty() && line.back() == '\r') {
            line.remove_suffix(1);
        }
        if (std::exchange(first, false) || line.size() < 4) {
            continue;
        }
        line.remove_prefix(4);
        const std::size_t space = line.find(' ');
        if (SameWord(line.substr(0, space), keyword)) {
            rest = space == std::string_view::npos ? std::string()
                                                   : std::string(line.substr(space + 1));
            return true;
        }
    }
    return false;
}

bool HasSmtpWord(std::string_view words, std::string_view word) {
    if (word.empty()) {
        return false;
    }
    while (!words.empty()) {
        const std::size_t space = words.find(' ');
        if (SameWord(words.substr(0, space), word)) {
            return true;
        }
        words = space == std::string_view::npos ? std::string_view() : words.substr(space + 1);
    }
    return false;
}

}  // namespace corvy::smtp
