#include "smtp/smtp_message.h"

#include <algorithm>
#include <cstdio>

namespace corvy::smtp {
namespace {

constexpr const char* kDays[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
constexpr const char* kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                   "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
constexpr char kHex[] = "0123456789ABCDEF";
// UTF-8 bytes per encoded word: 60 base64 characters, a word of 72.
constexpr std::size_t kWordBytes = 45;
// Quoted-printable lines stay within 76 characters, the soft break included.
constexpr std::size_t kQpLine = 75;

std::string Base64(std::string_view bytes) {
    std::string out;
    std::size_t i = 0;
    for (; i + 3 <= bytes.size(); i += 3) {
        const auto b = [&](std::size_t k) { return static_cast<uint8_t>(bytes[i + k]); };
        const uint32_t v = (b(0) << 16) | (b(1) << 8) | b(2);
        for (int s = 18; s >= 0; s -= 6) {
            out += kAlphabet[(v >> s) & 63];
        }
    }
    if (i < bytes.size()) {
        Base64Lines tail;
        tail.PutTail(reinterpret_cast<const uint8_t*>(bytes.data() + i), bytes.size() - i);
        out += tail.Line();
    }
    return out;
}

// Length of the UTF-8 sequence a lead byte starts (1 for stray bytes).
std::size_t SequenceLength(uint8_t lead) {
    if (lead >= 0xF0) {
        return 4;
    }
    if (lead >= 0xE0) {
        return 3;
    }
    if (lead >= 0xC0) {
        return 2;
    }
    return 1;
}

void QuotedPrintableLine(std::string_view line, std::string& out) {
    std::size_t column = 0;
    for (std::size_t i = 0; i < line.size(); ++i) {
        const auto c = static_cast<uint8_t>(line[i]);
        const bool last = i + 1 == line.size();
        const bool literal =
            (c >= 33 && c <= 126 && c != '=') || ((c == ' ' || c == '\t') && !last);
        const std::size_t width = literal ? 1 : 3;
        if (column + width > kQpLine) {
            out += "=\r\n";
            column = 0;
        }
        if (literal) {
            out += static_cast<char>(c);
        } else {
            out += '=';
            out += kHex[c >> 4];
            out += kHex[c & 15];
        }
        column += width;
    }
}

}  // namespace

std::string DateLine(const std::tm& local, long standardOffsetEast) {
    const long minutes = (standardOffsetEast < 0 ? -standardOffsetEast : standardOffsetEast) / 60;
    const char* sign = standardOffsetEast > 0 ? "+" : standardOffsetEast < 0 ? "-" : "";
    char line[96];
    std::snprintf(line, sizeof line, "Date: %s, %02d %s %04d %02d:%02d:%02d %s%02ld%02ld\r\n",
                  kDays[(local.tm_wday % 7 + 7) % 7], local.tm_mday,
                  kMonths[(local.tm_mon % 12 + 12) % 12], local.tm_year + 1900, local.tm_hour,
                  local.tm_min, local.tm_sec, sign, minutes / 60 % 100, minutes % 60);
    return line;
}

std::string DateLineNow() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    ::localtime_r(&now, &local);
    ::tzset();
    // `timezone` is the standard offset west of UTC; summer time is not added.
    return DateLine(local, -::timezone);
}

std::string OneLine(std::string_view text) {
    std::string out;
    bool inBreak = false;
    for (const char c : text) {
        if (c == '\r' || c == '\n') {
            if (!inBreak) {
                out += ' ';
            }
            inBreak = true;
            continue;
        }
        inBreak = false;
        out += c;
    }
    return out;
}

std::string BareAddress(std::string_view text) {
    std::string out;
    for (const char c : text) {
        if (c != '\r' && c != '\n') {
            out += c;
        }
    }
    return out;
}

bool IsAscii(std::string_view text) {
    for (const char c : text) {
        if (static_cast<uint8_t>(c) >= 0x80) {
            return false;
        }
    }
    return true;
}

std::string HeaderText(std::string_view text) {
    const std::string line = OneLine(text);
    if (IsAscii(line)) {
        return line;
    }
    std::string out;
    std::size_t i = 0;
    while (i < line.size()) {
        std::size_t end = i;
        while (end < line.size()) {
            const std::size_t n = SequenceLength(static_cast<uint8_t>(line[end]));
            if (end + n - i > kWordBytes) {
                break;
            }
            end += n;
        }
        if (end == i) {
            end = std::min(line.size(), i + kWordBytes);
        }
        if (!out.empty()) {
            out += "\r\n ";
        }
        out += "=?utf-8?B?" + Base64(std::string_view(line).substr(i, end - i)) + "?=";
        i = end;
    }
    return out;
}

std::string DisplayName(std::string_view name) {
    const std::string line = OneLine(name);
    if (!IsAscii(line)) {
        return HeaderText(line);
    }
    if (line.find_first_of("()<>[]:;@\\,.\"") == std::string::npos) {
        return line;
    }
    std::string quoted = "\"";
    for (const char c : line) {
        if (c == '"' || c == '\\') {
            quoted += '\\';
        }
        quoted += c;
    }
    return quoted + "\"";
}

std::string TextPartType(bool utf8Body, std::string_view name) {
    std::string out(name);
    return out + (utf8Body ? ": text/plain; charset=utf-8\r\n"
                             "Content-Transfer-Encoding: quoted-printable\r\n"
                           : ": text/plain; charset=us-ascii\r\n");
}

std::string HeaderBlock(const MessageHeader& h, std::string_view dateLine) {
    const std::string address = BareAddress(h.address);
    std::string out = "Return-Path: " + address + "\r\n";
    out += "X-Sender: " + HeaderText(h.name) + "\r\n";
    out += "X-Mailer: " + OneLine(h.mailer) + "\r\n";
    if (h.boundary.empty()) {
        if (h.utf8Body) {
            out += "Mime-Version: 1.0\r\n";
        }
        out += TextPartType(h.utf8Body, "Content-Type");
    } else {
        out += "Mime-Version: 1.0\r\nContent-type: multipart/mixed; boundary=\"" + h.boundary +
               "\"\r\n";
    }
    out += dateLine;
    out += "Reply-To: " + address + "\r\n";
    out += "From: " + DisplayName(h.name) + " <" + address + ">\r\n";
    out += "Subject: " + (h.subject.empty() ? std::string("No Subject") : HeaderText(h.subject)) +
           "\r\n";
    out += "To: " + BareAddress(h.recipient) + "\r\n";
    return out;
}

std::string WireText(std::string_view body, bool quotedPrintable) {
    std::string out;
    out.reserve(body.size() + body.size() / 32);
    std::size_t start = 0;
    while (start <= body.size()) {
        std::size_t end = body.find_first_of("\r\n", start);
        const bool lastLine = end == std::string_view::npos;
        if (lastLine) {
            end = body.size();
        }
        std::string line;
        if (quotedPrintable) {
            QuotedPrintableLine(body.substr(start, end - start), line);
        } else {
            line.assign(body.substr(start, end - start));
        }
        // A lone "." would end the message early; every dot line is doubled.
        std::size_t from = 0;
        while (from < line.size()) {
            if (line[from] == '.') {
                out += '.';
            }
            const std::size_t soft = line.find("=\r\n", from);
            const std::size_t next = soft == std::string::npos ? line.size() : soft + 3;
            out.append(line, from, next - from);
            from = next;
        }
        if (lastLine) {
            break;
        }
        out += "\r\n";
        start = end + 1;
        if (body[end] == '\r' && start < body.size() && body[start] == '\n') {
            ++start;
        }
    }
    return out;
}

bool Base64Lines::PutGroup(const uint8_t* g) {
    const uint32_t v = (uint32_t{g[0]} << 16) | (uint32_t{g[1]} << 8) | g[2];
    line_[size_++] = kAlphabet[(v >> 18) & 63];
    line_[size_++] = kAlphabet[(v >> 12) & 63];
    line_[size_++] = kAlphabet[(v >> 6) & 63];
    line_[size_++] = kAlphabet[v & 63];
    return size_ == kLine;
}

void Base64Lines::PutTail(const uint8_t* bytes, std::size_t count) {
    if (count == 0 || count > 2 || size_ + 4 > kLine) {
        return;
    }
    const uint32_t v = (uint32_t{bytes[0]} << 16) | (count == 2 ? uint32_t{bytes[1]} << 8 : 0);
    line_[size_++] = kAlphabet[(v >> 18) & 63];
    line_[size_++] = kAlphabet[(v >> 12) & 63];
    line_[size_++] = count == 2 ? kAlphabet[(v >> 6) & 63] : '=';
    line_[size_++] = '=';
}

std::string AttachmentName(std::string_view path) {
    const std::size_t slash = path.find_last_of('/');
    const std::string name =
        OneLine(slash == std::string_view::npos ? path : path.substr(slash + 1));
    if (!IsAscii(name)) {
        return HeaderText(name);
    }
    std::string out;
    for (const char c : name) {
        if (c == '"' || c == '\\') {
            out += '\\';
        }
        out += c;
    }
    return out;
}

}  // namespace corvy::smtp
