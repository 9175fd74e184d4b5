#pragma once
// One TCP endpoint of a request: a non-blocking socket whose readiness comes
// in through socket notifiers owned by a hidden object, a line splitter for
// what arrives, and the engine's own waits, which run the thread's event loop
// until a condition holds or the wait is interrupted. What happens is
// reported to the owner's sink.

#include <QPointer>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "base/regular_file.h"
#include "engine/line_splitter.h"

class QObject;
class QSocketNotifier;

namespace fetchwire {

// What a channel reports to its owner, in the order it happens.
class ChannelSink {
public:
    virtual ~ChannelSink() = default;
    virtual void OnError(int code, const std::string& text) = 0;
    virtual void OnConnected(int result) = 0;
    virtual void OnDataIn(std::string_view data, bool wholeLine) = 0;
    // The connection is over; what arrived has been delivered.
    virtual void OnEndOfData() = 0;
    virtual void OnDisconnected(int result) = 0;
};

class SocketChannel {
public:
    explicit SocketChannel(ChannelSink& sink);
    ~SocketChannel();
    SocketChannel(const SocketChannel&) = delete;
    SocketChannel& operator=(const SocketChannel&) = delete;

    // Each returns 0 or an error code.
    int SetRemoteHost(const std::string& host);
    int SetRemotePort(uint16_t port);
    int SetLocalPort(uint16_t port);
    int Connect();
    // Closes the connection from this side: buffered data is dropped, then
    // the end-of-data and disconnected upcalls report 0.
    int Disconnect();
    // Sends what the socket takes now; *sent tells how much. A partial send
    // returns 10035 and the caller waits for ready-to-send.
    int Send(std::string_view data, std::size_t* sent);
    // Sends all of data, waiting whenever the socket is full.
    int SendAll(std::string_view data);
    void SetEndOfLine(std::string_view eol) { splitter_.SetEndOfLine(eol); }
    void SetAcceptData(bool accept);

    bool HasSocket() const { return state_ != State::Closed; }
    bool IsConnected() const { return state_ >= State::Connected; }
    uint32_t RemoteAddress() const { return address_; }  // network byte order
    uint16_t RemotePort() const { return remotePort_; }
    int LastResult() const { return lastResult_; }
    const std::string& LastMessage() const { return lastMessage_; }
    void SetLastMessage(std::string message) { lastMessage_ = std::move(message); }
    void ClearLastMessage() { lastMessage_.clear(); }
    // Dotted address of the local end while a socket exists; empty otherwise.
    std::string LocalAddress() const;

    // Ends every wait of this channel that is running now with 20302, records
    // "Interrupted." and closes the connection.
    int Interrupt();
    // Counts interrupts, so an owner can tell one happened while it ran.
    uint64_t InterruptCount() const { return interruptCount_; }

    // Shared flag that turns false when the channel is destroyed; code that
    // ran an upcall checks it before touching members again.
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
    // Runs what is pending on the thread's event loop without waiting: 0,
    // or 20302 when an interrupt came or the hidden window went meanwhile
    // (then check the alive token, as after Wait).
    int TakeTurn();

    // The hidden object that receives the socket notifications.
    QObject* NotificationWindow() const;

private:
    // Where the connection is. A failed connect keeps its socket until it is
    // reported; a close asked for while a read delivers is carried out once
    // the read is over (CloseAfterRead, with closeAfterRead_).
    enum class State { Closed, Connecting, ConnectFailed, Connected, Reading, CloseAfterRead };
    struct PendingClose {
        int error = 0;
        bool deliverRest = false;
    };

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

    ChannelSink& sink_;
    std::shared_ptr<bool> alive_;
    QPointer<QObject> window_;
    QPointer<QSocketNotifier> readNotifier_;
    QPointer<QSocketNotifier> writeNotifier_;

    State state_ = State::Closed;
    PendingClose closeAfterRead_;
    vantry::FileDescriptor fd_;
    uint32_t address_ = 0;
    uint16_t remotePort_ = 0;
    uint16_t localPort_ = 0;
    // Set by the owner: whether arriving data is read and delivered now.
    bool acceptData_ = true;
    // The socket took everything so far; a partial send clears it until the
    // next ready-to-send notice.
    bool sendReady_ = false;
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
