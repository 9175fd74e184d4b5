#include "ads/ads_answer.h"

#include "ads/ad_list.h"

namespace murmel {

namespace {

// Room for a full list of the longest lines and a header block; an answer
// that grows beyond it is not the relay's and is not used.
constexpr qsizetype kMaxAnswerBytes = (kMaxAds + 64) * (kMaxAdLineBytes + 2);

char Lower(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool StartsWith(QByteArrayView text, QByteArrayView prefix) {
    if (text.size() < prefix.size()) {
        return false;
    }
    for (qsizetype i = 0; i < prefix.size(); ++i) {
        if (Lower(text[i]) != Lower(prefix[i])) {
            return false;
        }
    }
    return true;
}

// Position of needle in text without regard to ASCII case, or -1.
qsizetype IndexOf(QByteArrayView text, QByteArrayView needle) {
    for (qsizetype i = 0; i + needle.size() <= text.size(); ++i) {
        if (StartsWith(text.sliced(i), needle)) {
            return i;
        }
    }
    return -1;
}

// The header's value without its line end, blanks and control characters:
// it goes back to the server as a header line of its own.
std::optional<QString> HeaderValue(QByteArrayView line, qsizetype nameLength) {
    QByteArray value;
    for (const char c : line.sliced(nameLength)) {
        if (static_cast<unsigned char>(c) >= 0x20 && c != 0x7f) {
            value += c;
        }
    }
    value = value.trimmed();
    if (value.isEmpty()) {
        return std::nullopt;
    }
    return QString::fromLatin1(value);
}

}  // namespace

AdsAnswer::Step AdsAnswer::Receive(QByteArrayView piece) {
    const bool lineStart = atLineStart_;
    atLineStart_ = piece.endsWith('\n');
    Step step = Step::Continue;
    if (lineStart) {
        const bool first = firstLine_;
        firstLine_ = false;
        if (StartsWith(piece, "HTTP/1.1 2")) {
            buffer_.clear();
        } else if (StartsWith(piece, "HTTP/1.1 304")) {
            return Step::CloseAndUnload;
        } else if (StartsWith(piece, "HTTP/1.1 407") || StartsWith(piece, "HTTP/1.1 401") ||
                   StartsWith(piece, "HTTP/1.1 404") || StartsWith(piece, "HTTP/1.1 403")) {
            step = Step::Close;
        } else if (first && StartsWith(piece, "HTTP/1.1 ")) {
            // Any other error status: its page is no ad list and must not end
            // the ads on show.
            step = Step::Close;
        }
        static constexpr QByteArrayView kLastModified = "Last-Modified:";
        if (inHeaders_ && StartsWith(piece, kLastModified)) {
            lastModified_ = HeaderValue(piece, kLastModified.size());
        }
        if (piece == "\r\n" || piece == "\n") {
            inHeaders_ = false;
        }
    }
    if (buffer_.size() + piece.size() <= kMaxAnswerBytes) {
        buffer_ += piece;
    } else {
        overflowed_ = true;
    }
    return step;
}

AdsAnswer::Result AdsAnswer::Finish() const {
    Result result;
    if (overflowed_) {
        return result;
    }
    QByteArrayView body(buffer_);
    const qsizetype open = IndexOf(body, "<BODY>");
    if (open >= 0) {
        body = body.sliced(open + 6);
    }
    if (body.startsWith("\r\n")) {
        body = body.sliced(2);
    }
    const qsizetype close = IndexOf(body, "</BODY>");
    if (close >= 0) {
        body = body.first(close);
    } else if (open >= 0) {
        // The server closed before the end of the list: a part of it would
        // end every counted ad missing from that part.
        return result;
    }
    result.complete = true;
    result.lastModified = lastModified_;
    while (!body.isEmpty() && static_cast<int>(result.lines.size()) < kMaxAds) {
        const qsizetype end = body.indexOf("\r\n");
        const QByteArrayView line = end < 0 ? body : body.first(end);
        body = end < 0 ? QByteArrayView() : body.sliced(end + 2);
        if (line.isEmpty()) {
            break;
        }
        result.lines.emplace_back(line.toByteArray());
    }
    return result;
}

}  // namespace murmel
