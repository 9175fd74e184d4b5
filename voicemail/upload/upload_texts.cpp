#include "upload/upload_texts.h"

namespace murmel {

ServerAddress ParseConnectTo(const QString& connectTo) {
    ServerAddress address;
    const qsizetype slashes = connectTo.indexOf(QStringLiteral("//"));
    if (slashes < 0) {
        return address;
    }
    const QString rest = connectTo.mid(slashes + 2);
    const qsizetype colon = rest.indexOf(QLatin1Char(':'));
    address.host = colon < 0 ? rest : rest.left(colon);
    if (colon < 0) {
        return address;
    }
    // The leading digits, as a number reader would take them ("8080/x" is 8080).
    const QString digits = rest.mid(colon + 1);
    qsizetype n = 0;
    while (n < digits.size() && n < 6 && digits[n].isDigit() && digits[n].unicode() < 128) {
        ++n;
    }
    const int port = digits.left(n).toInt();
    if (port > 0 && port <= 65535) {
        address.port = port;
    }
    return address;
}

void SetRemoteAddress(vantry::net::SocketControl& socket, const QString& host) {
    const bool dotted = IsDottedAddress(host);
    socket.setRemoteDotAddr(dotted ? host : QString());
    socket.setRemoteHost(dotted ? QString() : host);
}

bool IsDottedAddress(const QString& host) {
    const qsizetype dot = host.indexOf(QLatin1Char('.'));
    if (dot <= 0) {
        return false;
    }
    for (qsizetype i = 0; i < dot; ++i) {
        if (host[i] < QLatin1Char('0') || host[i] > QLatin1Char('9')) {
            return false;
        }
    }
    return true;
}

namespace {

// Codes told by a text of their own, without the code or the note that the
// message is kept.
struct OwnText {
    int code;
    std::string_view id;
};
constexpr OwnText kOwnTexts[] = {
    {25093, "mm0028"}, {25094, "mm0029"}, {26002, "mm0030"},
    {26003, "mm0031"}, {26004, "mm0032"}, {26005, "mm0033"},
};

// Codes told as "BEFORE [code] AFTER", then the keep note.
struct BracketedText {
    int code;
    std::string_view before;
    std::string_view after;
};
constexpr BracketedText kBracketedTexts[] = {
    {20303, "mm0020", "mm0021"},
    {20153, "mm0024", "mm0025"},
    {20154, "mm0026", "mm0027"},
};

}  // namespace

QString UploadErrorMessage(int code, const QString& description,
                           const std::function<QString(std::string_view)>& T) {
    const QString c = QString::number(code);
    const QString keep = QStringLiteral("\r\n\r\n") + T("mm0016");
    if (code >= 25005 && code <= 25092) {
        return T("mm0014") + " [" + c + "] " + T("mm0015") + keep;
    }
    for (const OwnText& own : kOwnTexts) {
        if (own.code == code) {
            return T(own.id);
        }
    }
    for (const BracketedText& text : kBracketedTexts) {
        if (text.code == code) {
            return T(text.before) + " [" + c + "] " + T(text.after) + keep;
        }
    }
    switch (code) {
        case 20302:
            return T("mm0018") + "[" + c + "] " + T("mm0019") + keep;
        case 20152:
            return T("mm0022") + " [" + c + " #" + description.left(3) + "] " + T("mm0023") + keep;
        default:
            return T("mm0034") + " [" + c + "] " + T("mm0035");
    }
}

}  // namespace murmel
