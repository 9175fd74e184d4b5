#pragma once
// A TCP client socket on the Qt event loop with the properties and events of the
// outside socket control the upload and ad windows use (non-blocking POSIX sockets
// watched by QSocketNotifier; name look-ups on a helper thread).
//
// Usage (GUI thread):
//   vantry::net::SocketControl sConnect;
//   connect(&sConnect, &SocketControl::Connect, ...);      // likewise SendReady, Receive,
//   sConnect.setBufferSize(8192);                          //   Exception, Close
//   sConnect.setRemoteHost("relay.example");   sConnect.setRemoteDotAddr("");
//   sConnect.setRemotePort(80);
//   sConnect.setLineMode(true);  sConnect.setLocalPort(0);
//   if (auto err = sConnect.setAction(kActionConnect)) report(err.code, err.description);
//   ... on Connect: sConnect.Send("POST /post/ HTTP/1.0\r\n");
//   ... sConnect.setAction(kActionClose);   // graceful: queued bytes still reach the peer
//
// Events (Qt signals, always from the event loop, never inside a call):
//   Connect()                     the connection is up
//   SendReady()                   everything sent so far has been handed to the system
//   Receive(line)                 one line with its line end (LineMode), or one piece
//                                 of at most BufferSize bytes (a longer line, the
//                                 unterminated rest at close, or LineMode off)
//   Exception(code, description)  a failure; Close(code) follows with the same code
//   Close(errorCode)              the peer ended the connection: 0 when orderly; a
//                                 close with bytes still unsent is Exception 25054
// A handler may destroy the control or start a new connection.
//
// Settings:
//   RemoteDotAddr wins over RemoteHost when both are set. RemotePort 1..65535.
//   BufferSize (default 8192): how many bytes one read takes and the longest piece one
//     Receive carries, so a peer that never sends a line end cannot grow memory.
//   LineMode (default true): Receive cuts the input at line ends.
//   LocalPort (default 0): the local port to bind before connecting; 0 lets the system
//     choose.
//   ConnectTimeout (default 30000 ms): a connect not done by then fails with 25061.
//
// Closing (action 1) is graceful and frees the control at once: bytes still queued are
// sent in the background, then the write side is shut down and the socket is closed
// once the peer closes (or after 30 s). No event comes from a connection closed so.
//
// Error codes are the socket error numbers plus 15001 (connection refused 25062,
// time-out 25061, reset 25055, not connected 25058, host not found 26002, look-up
// failed for now 26003, ...); a system error with no such number gets 25000.
// See socket_errors.h.

#include <QByteArray>
#include <QObject>
#include <QString>
#include <memory>

#include "net/socket_errors.h"

namespace vantry::net {

enum Action : int { kActionClose = 1, kActionConnect = 2 };

class Connection;

class SocketControl : public QObject {
    Q_OBJECT
public:
    explicit SocketControl(QObject* parent = nullptr);
    ~SocketControl() override;

    void setRemoteHost(const QString& host) { remoteHost_ = host; }
    QString remoteHost() const { return remoteHost_; }
    void setRemoteDotAddr(const QString& address) { remoteDotAddr_ = address; }
    QString remoteDotAddr() const { return remoteDotAddr_; }
    void setRemotePort(int port) { remotePort_ = port; }
    int remotePort() const { return remotePort_; }
    void setBufferSize(int bytes) { bufferSize_ = bytes < 1 ? 1 : bytes; }
    int bufferSize() const { return bufferSize_; }
    void setLineMode(bool on) { lineMode_ = on; }
    bool lineMode() const { return lineMode_; }
    void setLocalPort(int port) { localPort_ = port; }
    int localPort() const { return localPort_; }
    void setConnectTimeout(int ms) { connectTimeoutMs_ = ms; }
    int connectTimeout() const { return connectTimeoutMs_; }

    // kActionConnect starts a connection (an error here means nothing was started:
    // 25057 already connecting or connected, 25050 port outside 1..65535, 25040 neither
    // host nor dotted address, 25023 a dotted address that is no numeric address);
    // kActionClose closes gracefully (harmless when idle). Other values: 25023.
    SocketError setAction(int action);
    // Hands bytes to the system; what it cannot take at once is kept and goes out in
    // the background. Fails at once when not connected, and with 25036 (would block)
    // while bytes of an earlier send are still kept: wait for SendReady.
    SocketError Send(const QByteArray& data);

    bool isConnected() const;
    // Bytes queued but not yet handed to the system.
    qint64 bytesToWrite() const;

signals:
    void Connect();
    void SendReady();
    void Receive(const QByteArray& line);
    void Exception(int code, const QString& description);
    void Close(int errorCode);

private:
    friend class Connection;
    SocketError startConnect();
    void closeGracefully();

    QString remoteHost_;
    QString remoteDotAddr_;
    int remotePort_ = 0;
    int bufferSize_ = 8192;
    bool lineMode_ = true;
    int localPort_ = 0;
    int connectTimeoutMs_ = 30000;
    std::unique_ptr<Connection> connection_;
};

}  // namespace vantry::net
