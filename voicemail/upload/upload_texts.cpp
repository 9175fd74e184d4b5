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

QString UploadErrorMessage(int code, const QString& description,
                           const std::function<QString(std::string_view)>& T) {
    const QString c = QString::number(code);
    const QString keep = QStringLiteral("\r\n\r\n") + T("mm0016");
    if (code >= 25005 && code <= 25092) {
        return T("mm0014") + " [" + c + "] " + T("mm0015") + keep;
    }
    switch (code) {
        case 20302:
            return T("mm0018") + "[" + c + "] " + T("mm0019") + keep;
        case 20303:
            return T("mm0020") + " [" + c + "] " + T("mm0021") + keep;
        case 20152:
            return T("mm0022") + " [" + c + " #" + description.left(3) + "] " + T("mm0023") + keep;
        case 20153:
            return T("mm0024") + " [" + c + "] " + T("mm0025") + keep;
        case 20154:
            return T("mm0026") + " [" + c + "] " + T("mm0027") + keep;
        case 25093:
            return T("mm0028");
        case 25094:
            return T("mm0029");
        case 26002:
            return T("mm0030");
        case 26003:
            return T("mm0031");
        case 26004:
            return T("mm0032");
        case 26005:
            return T("mm0033");
        default:
            return T("mm0034") + " [" + c + "] " + T("mm0035");
    }
}

}  // namespace murmel
