#pragma once
// Pure pieces of the upload: reading the server address and the error texts.

#include <QString>

#include <functional>
#include <string_view>

#include "net/socket_control.h"

namespace murmel {

// Host and port from the ConnectTo setting ("http://relay.example:8080").
// Everything up to and including the first "//" is dropped; the host ends at
// the next ":"; the port is the number after it. Without "//" nothing is set;
// without a port in 1..65535 the port stays 0.
struct ServerAddress {
    QString host;
    int port = 0;
};
ServerAddress ParseConnectTo(const QString& connectTo);

// True when the text before the host's first "." is a number (a dotted IPv4
// address). A host without any "." is a name.
bool IsDottedAddress(const QString& host);

// Points SOCKET at HOST: a dotted address goes to RemoteDotAddr, a name to
// RemoteHost, and the other one is emptied.
void SetRemoteAddress(vantry::net::SocketControl& socket, const QString& host);

// The text of the upload error box for a socket error number.
QString UploadErrorMessage(int code, const QString& description,
                           const std::function<QString(std::string_view)>& T);

}  // namespace murmel
