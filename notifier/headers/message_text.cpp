#include "headers/message_text.h"

#include <algorithm>

#include "checkcycle/check_rules.h"

namespace corvy::headers {
namespace {

std::string_view TrimLeadingBlanks(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) {
        s.remove_prefix(1);
    }
    return s;
}

std::string_view TrimBlanks(std::string_view s) {
    s = TrimLeadingBlanks(s);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) {
        s.remove_suffix(1);
    }
    return s;
}

std::string Field(std::string_view text, std::string_view name) {
    return std::string(TrimLeadingBlanks(checkcycle::HeaderValue(text, name)));
}

// Calls `line` for each line of `text` without its CR LF or LF.
template <typename F>
void ForEachLine(std::string_view text, F line) {
    std::size_t pos = 0;
    while (pos < text.size()) {
        std::size_t end = text.find('\n', pos);
        const bool last = end == std::string_view::npos;
        if (last) {
            end = text.size();
        }
        std::string_view l = text.substr(pos, end - pos);
        if (!l.empty() && l.back() == '\r') {
            l.remove_suffix(1);
        }
        line(l);
        pos = last ? end : end + 1;
    }
}

}  // namespace

MessageFields ExtractMessageFields(std::string_view text) {
    text = text.substr(0, std::min(text.size(), kFieldSearchLimit));
    MessageFields fields;
    fields.from = Field(text, "from:");
    fields.subject = Field(text, "subject:");
    fields.date = checkcycle::ExtractStatusAndDate(text).date;
    if (fields.date.empty()) {
        fields.date = kNoDate;
    }
    fields.replyTo = checkcycle::HeaderValue(text, "reply-to:");
    fields.messageId = Field(text, "message-id:");
    return fields;
}

std::string SizeText(long long bytes) {
    return bytes <= 1024 ? std::string("1K") : std::to_string(bytes / 1024) + "K";
}

std::size_t PeekLimit(int peekLines) {
    return static_cast<std::size_t>(std::max(peekLines, 0)) * 1024 + 8192;
}

std::string PeekHeaderText(const MessageFields& fields) {
    return "From: " + fields.from + "\r\nDate: " + fields.date + "\r\nSubj: " + fields.subject;
}

std::string PeekBodyText(std::string_view text, std::size_t limit) {
    const std::size_t blank = text.find("\n\r");
    if (blank != std::string_view::npos) {
        text.remove_prefix(blank + 2);
    }
    return std::string(text.substr(0, std::min(text.size(), limit)));
}

std::string KeptTextToWire(std::string_view kept) {
    std::string out;
    out.reserve(kept.size() + kept.size() / 16);
    ForEachLine(kept, [&out](std::string_view line) {
        out.append(line);
        out += "\r\n";
    });
    return out;
}

std::string ReplyQuote(std::string_view date, std::string_view text) {
    std::string out = "\r\nOn " + std::string(date) + " you wrote:\r\n";
    bool inBody = false;
    ForEachLine(text, [&](std::string_view line) {
        if (!inBody) {
            inBody = line.empty();
            return;
        }
        out += '>';
        out.append(line);
        out += "\r\n";
    });
    return out;
}

std::string ReplySubject(std::string_view subject) {
    return "Re:" + std::string(subject);
}

std::string ReplyRecipient(std::string_view replyTo) {
    return std::string(TrimBlanks(replyTo));
}

}  // namespace corvy::headers
