#include "pop3_reply.h"

#include <algorithm>
#include <climits>
#include <cstring>

#include "base/integer.h"
#include "pop3/result_texts.h"

namespace corvy::pop3 {
namespace {

constexpr auto kTexts = ResultTable(
    std::to_array<const char*>({"Success", "Error! Bad host name!"}),
    std::to_array<const char*>({
        "Error! Timed out waiting for reponse!",
        "User canceled!",
        "Error! Buffer overflow!",
        "Error! Invalid port!",
        "Error! The secure connection failed!",
        "Error! The server's certificate was refused!",
        "Error! The server does not offer a secure connection (STLS); nothing was sent in "
        "clear text.",
    }));
// The shared run must sit at the codes the enum gives it.
static_assert(kTexts.size() == kTlsNotOffered + 1);
static_assert(std::string_view(kTexts[kSocketInitFailed]) == "Error! Failed to initialize socket!");
static_assert(std::string_view(kTexts[kServerError]).empty());
static_assert(std::string_view(kTexts[kUnknownError]) == "Error! Unknown error!");

// Decimal digits at the start of s, as atoi would read them (sign allowed),
// saturated instead of overflowing. Counts and sizes have always saturated
// symmetrically, so a huge negative stays -INT_MAX rather than INT_MIN.
int LeadingNumber(std::string_view s) {
    return std::max(vantry::ParseLeadingInt(s), -INT_MAX);
}

}  // namespace

std::string Pop3ErrorText(int code, std::string_view lastReply) {
    return ResultText(kTexts, code, kServerError, kUnknownError, lastReply);
}

std::size_t Pop3LineReader::Feed(const char* data, std::size_t n) {
    const std::size_t take = n < Space() ? n : Space();
    std::memcpy(buffer_ + size_, data, take);
    size_ += take;
    return take;
}

void Pop3LineReader::Consume(std::size_t n) {
    std::memmove(buffer_, buffer_ + n, size_ - n);
    size_ -= n;
}

Pop3LineReader::Outcome Pop3LineReader::Next(std::string& line) {
    line.clear();
    lastCut_ = false;
    const std::size_t scan = size_ < kMaxLine ? size_ : kMaxLine;
    for (std::size_t i = 0; i < scan; ++i) {
        const char c = buffer_[i];
        if (c == '\n') {
            line.assign(buffer_, i);
            Consume(i + 1);
            return Outcome::Line;
        }
        if (c == '\r') {
            if (i + 1 >= size_ && !ended_) {
                return Outcome::NeedMore;  // the byte after the CR belongs to this line
            }
            line.assign(buffer_, i);
            Consume(i + 1 < size_ ? i + 2 : i + 1);
            return Outcome::Line;
        }
    }
    if (size_ >= kMaxLine) {
        line.assign(buffer_, kMaxLine);
        Consume(kMaxLine);
        lastCut_ = true;
        return Outcome::Line;
    }
    return ended_ ? Outcome::Closed : Outcome::NeedMore;
}

int ParseStatCount(std::string_view reply) {
    const std::size_t space = reply.find(' ');
    return space == std::string_view::npos ? 0 : LeadingNumber(reply.substr(space + 1));
}

int ParseListSize(std::string_view reply) {
    const std::size_t first = reply.find(' ');
    if (first == std::string_view::npos) {
        return 0;
    }
    const std::size_t second = reply.find(' ', first + 1);
    return second == std::string_view::npos ? 0 : LeadingNumber(reply.substr(second + 1));
}

bool ExtractUidl(std::string_view reply, int messageNumber, std::string& uid) {
    const std::string key = std::to_string(messageNumber) + " ";
    const std::size_t at = reply.find(key);
    if (at == std::string_view::npos) {
        return false;
    }
    uid.assign(reply.substr(at + key.size()));
    return true;
}

MultiLineStep ReadDataLine(std::string_view line, bool atLineStart, std::string_view& data) {
    data = line;
    if (!atLineStart) {
        return MultiLineStep::Data;
    }
    if (line == ".") {
        return MultiLineStep::End;
    }
    if (line.size() >= 2 && line[0] == '.' && line[1] == '.') {
        data.remove_prefix(1);
    }
    return MultiLineStep::Data;
}

}  // namespace corvy::pop3
