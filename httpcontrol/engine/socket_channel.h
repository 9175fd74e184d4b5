#pragma once
// One TCP endpoint of a control: a non-blocking socket whose readiness comes
// in through socket notifiers owned by a hidden object, a line splitter for
// what arrives, and the engine's own waits, which run the thread's event loop
// until a condition holds or the wait is interrupted.

#include <QPointer>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "line_splitter.h"

class QObject;
class QSocketNotifier;

namespace fetchwire {

class SocketChannel {
public:
    SocketChannel();
    virtual ~SocketChannel();
    SocketChannel(const SocketChannel&) = delete;
    SocketChannel& operator=(const SocketChannel&) = delete;

    // Each returns 0 or an error code.
    int SetRemoteHost(const std::string& host);
    int SetRemotePort(uint16_t port);
    int SetLocalPort(uint16_t port);
    int Connect();
    // Closes the connection from this side: buffered data is dropped, then
    // the end-of-body and disconnected upcalls report 0.
    int Disconnect();
    // Sends what the socket takes now; *sent tells how much. A partial send
    // returns 10035 and the caller waits for ready-to-send.
    int Send(std::string_view data, std::size_t* sent);
    void SetEndOfLine(std::string_view eol) { splitter_.SetEndOfLine(eol); }
    void SetAcceptData(bool accept);

    bool HasSocket() const { return fd_ >= 0; }
    bool IsConnected() const { return connected_; }
    uint32_t RemoteAddress() const { return address_; }  // network byte order
    uint16_t RemotePort() const { return remotePort_; }
    int LastResult() const { return lastResult_; }
    const std::string& LastMessage() const { return lastMessage_; }
    // Dotted address of the local end while a socket exists; empty otherwise.
    std::string LocalAddress() const;

    // Ends every wait of this channel that is running now with 20302, records
    // "Interrupted." and closes the connection.
    int Interrupt();

protected:
    // Shared flag that turns false when the channel is destroyed; code that
    // ran a host upcall checks it before touching members again.
    using AliveToken = std::shared_ptr<const bool>;
    AliveToken Alive() const { return alive_; }

    // Runs the event loop until done() holds (0), or the wait is interrupted
    // or the hidden window is gone (20302). The caller must check its alive
    // token before touching members after a 20302.
    int Wait(const std::function<bool()>& done);
    // Until the connect completes: 0, or the connect's error.
    int WaitConnected();
    // Until the socket takes more data, the connection ends or an error is
    // recorded.
    int WaitSendReady();
    // Until the connection is closed: 0, or the error the close recorded.
    int WaitClosed();
    // Sends all of data, waiting whenever the socket is full.
    int SendAll(std::string_view data);
    // Runs what is pending on the thread's event loop without waiting: 0,
    // or 20302 when an interrupt came or the hidden window went meanwhile
    // (then check the alive token, as after Wait).
    int TakeTurn();

    void SetLastMessage(std::string message) { lastMessage_ = std::move(message); }
    void ClearLastMessage() { lastMessage_.clear(); }
    // Counts interrupts, so a request can tell one happened while it ran.
    uint64_t InterruptCount() const { return interruptCount_; }
    // The hidden object that receives the socket notifications.
    QObject* NotificationWindow() const;

    // Upcalls, in the channel's order of slots.
    virtual void OnError(int /*code*/, const std::string& /*text*/) {}
    virtual void OnConnected(int /*result*/) {}
    virtual void OnDisconnected(int /*result*/) {}
    virtual void OnDataIn(std::string_view /*data*/, bool /*wholeLine*/) {}
    virtual void OnReadyToSend() {}
    virtual void OnSendProgress(uint64_t /*bytesSoFar*/) {}
    virtual void OnPoll() {}
    virtual void OnPostProgress(uint64_t /*bytesSoFar*/) {}
    virtual void OnHeader(const std::string& /*field*/, const std::string& /*value*/) {}
    virtual void OnStartOfBody() {}
    virtual void OnBodyData(uint32_t /*total*/, std::string_view /*piece*/) {}
    virtual void OnEndOfBody() {}

private:
    void HandleReadable();
    void HandleWritable();
    void HandleConnectDone(int error);
    void Read();
    // Delivers complete lines (or the raw buffer), refilling the line
    // buffer from the staged bytes; false when the channel was destroyed by
    // an upcall.
    bool DeliverLines();
    // Moves staged bytes into the line buffer as far as it has room.
    void Refill();
    void Close(int error, bool deliverRest);
    void CloseSocketQuietly();
    void StopNotifiers();
    void ArmRead();

    std::shared_ptr<bool> alive_;
    QPointer<QObject> window_;
    QPointer<QSocketNotifier> readNotifier_;
    QPointer<QSocketNotifier> writeNotifier_;

    int fd_ = -1;
    uint32_t address_ = 0;
    uint16_t remotePort_ = 0;
    uint16_t localPort_ = 0;
    bool keepAlive_ = false;
    bool connecting_ = false;
    bool connected_ = false;
    bool acceptData_ = true;
    bool reading_ = false;
    bool closePending_ = false;
    int pendingCloseError_ = 0;
    bool pendingCloseDeliver_ = false;
    bool writable_ = false;
    LineSplitter splitter_;
    // Bytes taken from the socket in one large receive, fed to the 2048-byte
    // line buffer as it empties: a receive per 2048 bytes would cost a
    // system call per piece. Nothing of it shows above the channel.
    std::unique_ptr<char[]> staged_;
    std::size_t stagedAt_ = 0;
    std::size_t stagedEnd_ = 0;
    int lastResult_ = 0;
    std::string lastMessage_;

    uint64_t waitSerial_ = 0;
    uint64_t interruptedUpTo_ = 0;
    uint64_t interruptCount_ = 0;
};

}  // namespace fetchwire
