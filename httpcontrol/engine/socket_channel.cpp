#include "engine/socket_channel.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <unistd.h>

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QObject>
#include <QSocketNotifier>

#include <algorithm>
#include <utility>
#include <vector>

#include "engine/winsock_state.h"
#include "engine/wsa_errors.h"
#include "net/posix_socket.h"

namespace fetchwire {

namespace {

const SocketEntries& E() {
    return WinsockState::Instance().Entries();
}

// The shared socket steps, run through the loaded socket layer.
vantry::net::SocketCalls Calls(const SocketEntries& e) {
    return {e.connect, e.getsockopt, e.getaddrinfo, e.freeaddrinfo};
}

// Receives per readiness notice before the loop gets a turn again: enough
// to keep a fast peer moving, few enough that the host's timers stay on time.
constexpr int kReadsPerNotice = 4;
// Bytes asked of the socket per receive.
constexpr std::size_t kStageSize = 64 * 1024;

// How many notices are being handled on this thread. A notifier (or its
// window) may not be deleted while its own notice runs, only later.
thread_local int noticeDepth = 0;

struct NoticeScope {
    NoticeScope() { ++noticeDepth; }
    ~NoticeScope() { --noticeDepth; }
};

void Dispose(QObject* object) {
    if (object == nullptr) {
        return;
    }
    if (noticeDepth > 0) {
        object->deleteLater();
    } else {
        delete object;
    }
}

}  // namespace

SocketChannel::SocketChannel(ChannelSink& sink)
    : sink_(sink),
      alive_(std::make_shared<bool>(true)),
      window_(new QObject),
      staged_(std::make_unique<char[]>(kStageSize)) {
    window_->setObjectName(QStringLiteral("fetchwire-notifications"));
}

SocketChannel::~SocketChannel() {
    *alive_ = false;
    StopNotifiers();
    CloseSocketQuietly();
    Dispose(window_.data());
}

QObject* SocketChannel::NotificationWindow() const {
    return window_.data();
}

int SocketChannel::SetRemoteHost(const std::string& host) {
    if (fd_.valid()) {
        return kErrRemoteHostBusy;
    }
    address_ = 0;
    if (host.empty()) {
        return kOk;
    }
    in_addr dotted{};
    if (E().inet_pton(AF_INET, host.c_str(), &dotted) == 1) {
        address_ = dotted.s_addr;
        return kOk;
    }
    std::vector<vantry::net::Endpoint> found;
    const int rc = vantry::net::Resolve(host, 0, {AF_INET, false}, &found, Calls(E()));
    if (rc != 0) {
        const int code = rc == EAI_SYSTEM ? E().lastError() : WsaFromResolver(rc);
        // Without a loaded socket layer the address simply stays unset; the
        // connect reports that.
        return code == kWsaNOTINITIALISED ? kOk : code;
    }
    for (const vantry::net::Endpoint& e : found) {
        if (e.Family() == AF_INET) {
            address_ = reinterpret_cast<const sockaddr_in*>(e.Address())->sin_addr.s_addr;
            break;
        }
    }
    return address_ != 0 ? kOk : kWsaHOST_NOT_FOUND;
}

int SocketChannel::SetRemotePort(uint16_t port) {
    if (fd_.valid()) {
        return kErrRemotePortBusy;
    }
    remotePort_ = port;
    return kOk;
}

int SocketChannel::SetLocalPort(uint16_t port) {
    if (fd_.valid()) {
        return kErrLocalPortBusy;
    }
    localPort_ = port;
    return kOk;
}

int SocketChannel::Connect() {
    if (fd_.valid()) {
        return kErrAlreadyConnected;
    }
    if (address_ == 0) {
        return kErrAddressInvalid;
    }
    if (remotePort_ == 0) {
        return kErrPortZero;
    }
    const SocketEntries& e = E();
    // Closed on every early return; kept only once the connect is under way.
    vantry::FileDescriptor socket(e.socket(AF_INET, SOCK_STREAM, 0));
    if (!socket.valid()) {
        return e.lastError();
    }
    const int fd = socket.get();
    sockaddr_in local{};
    local.sin_family = AF_INET;
    local.sin_port = htons(localPort_);
    local.sin_addr.s_addr = htonl(INADDR_ANY);
    if (e.bind(fd, reinterpret_cast<const sockaddr*>(&local), sizeof local) != 0) {
        return e.lastError();
    }
    const int keepAlive = 0;
    const linger noLinger{0, 0};
    const int on = 1;
    // The kernel's send and receive buffers are left to its own tuning: on
    // Linux a 2048-byte receive buffer caps the TCP window (a 50 ms link
    // would crawl at about 80 KB/s). The 2048-byte line buffer and the read and
    // file pieces the caller sees stay as they are.
    if (e.setsockopt(fd, SOL_SOCKET, SO_KEEPALIVE, &keepAlive, sizeof keepAlive) != 0 ||
        e.setsockopt(fd, SOL_SOCKET, SO_LINGER, &noLinger, sizeof noLinger) != 0 ||
        e.setsockopt(fd, SOL_SOCKET, SO_OOBINLINE, &on, sizeof on) != 0) {
        return e.lastError();
    }
    const int flags = e.fcntl(fd, F_GETFL);
    if (flags < 0 || e.fcntl(fd, F_SETFL, flags | O_NONBLOCK) < 0) {
        return e.lastError();
    }
    if (window_.isNull()) {
        return kErrInterrupted;
    }

    fd_ = std::move(socket);
    state_ = State::Connecting;
    lastResult_ = 0;
    splitter_.Clear();
    stagedAt_ = stagedEnd_ = 0;
    readNotifier_ = new QSocketNotifier(fd, QSocketNotifier::Read, window_.data());
    writeNotifier_ = new QSocketNotifier(fd, QSocketNotifier::Write, window_.data());
    // Reading starts once the connect is through; a refused connect would
    // otherwise show up as a receive error first.
    readNotifier_->setEnabled(false);
    QObject::connect(readNotifier_.data(), &QSocketNotifier::activated, window_.data(), [this] {
        NoticeScope scope;
        HandleReadable();
    });
    QObject::connect(writeNotifier_.data(), &QSocketNotifier::activated, window_.data(), [this] {
        NoticeScope scope;
        HandleWritable();
    });

    sockaddr_in remote{};
    remote.sin_family = AF_INET;
    remote.sin_port = htons(remotePort_);
    remote.sin_addr.s_addr = address_;
    if (!vantry::net::StartConnect(fd, reinterpret_cast<const sockaddr*>(&remote), sizeof remote,
                                   Calls(e))) {
        const int err = e.lastError();
        StopNotifiers();
        CloseSocketQuietly();
        return err;
    }
    // Completion, success or not, is reported by the write notice.
    return kOk;
}

int SocketChannel::Disconnect() {
    if (!fd_.valid()) {
        return kOk;
    }
    Close(0, false);
    return kOk;
}

int SocketChannel::Send(std::string_view data, std::size_t* sent) {
    *sent = 0;
    if (!IsConnected()) {
        return kWsaENOTCONN;
    }
    const ssize_t n = E().send(fd_.get(), data.data(), data.size(), MSG_NOSIGNAL);
    if (n < 0) {
        const int err = E().lastError();
        if (err != kWsaEWOULDBLOCK && err != kWsaEINTR) {
            return err;
        }
    } else {
        *sent = static_cast<std::size_t>(n);
    }
    if (*sent == data.size()) {
        return kOk;
    }
    sendReady_ = false;
    if (writeNotifier_) {
        writeNotifier_->setEnabled(true);
    }
    return kWsaEWOULDBLOCK;
}

int SocketChannel::SendAll(std::string_view data) {
    while (!data.empty()) {
        std::size_t sent = 0;
        const int rc = Send(data, &sent);
        data.remove_prefix(sent);
        if (rc == kOk) {
            continue;
        }
        if (rc != kWsaEWOULDBLOCK) {
            return rc;
        }
        const int waited = WaitSendReady();
        if (waited != kOk) {
            return waited;
        }
    }
    return kOk;
}

void SocketChannel::SetAcceptData(bool accept) {
    acceptData_ = accept;
    if (accept) {
        ArmRead();
    } else if (readNotifier_) {
        readNotifier_->setEnabled(false);
    }
}

void SocketChannel::ArmRead() {
    if (readNotifier_ && state_ == State::Connected && acceptData_) {
        readNotifier_->setEnabled(true);
    }
}

std::string SocketChannel::LocalAddress() const {
    if (!fd_.valid()) {
        return {};
    }
    sockaddr_in local{};
    socklen_t len = sizeof local;
    if (E().getsockname(fd_.get(), reinterpret_cast<sockaddr*>(&local), &len) != 0) {
        return {};
    }
    char text[INET_ADDRSTRLEN] = {};
    inet_ntop(AF_INET, &local.sin_addr, text, sizeof text);
    return text;
}

int SocketChannel::Interrupt() {
    // Every wait that is running now ends; waits begun later run normally.
    interruptedUpTo_ = waitSerial_;
    ++interruptCount_;
    SetLastMessage(EngineMessage(kErrInterrupted));
    if (fd_.valid()) {
        Close(0, false);
    }
    return kOk;
}

int SocketChannel::Wait(const std::function<bool()>& done) {
    const AliveToken alive = Alive();
    const uint64_t id = ++waitSerial_;
    if (QAbstractEventDispatcher::instance() == nullptr) {
        // No event loop on this thread: nothing could ever end the wait.
        return kErrInterrupted;
    }
    for (;;) {
        if (!*alive || window_.isNull() || id <= interruptedUpTo_) {
            return kErrInterrupted;
        }
        if (done()) {
            return kOk;
        }
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
}

int SocketChannel::TakeTurn() {
    const AliveToken alive = Alive();
    const uint64_t interrupts = interruptCount_;
    if (QAbstractEventDispatcher::instance() != nullptr) {
        QCoreApplication::processEvents();
    }
    if (!*alive || window_.isNull() || interruptCount_ != interrupts) {
        return kErrInterrupted;
    }
    return kOk;
}

int SocketChannel::WaitConnected() {
    const int rc = Wait([this] { return state_ != State::Connecting || lastResult_ != 0; });
    if (rc != kOk) {
        return rc;
    }
    if (lastResult_ != 0) {
        return lastResult_;
    }
    return IsConnected() ? kOk : kWsaENOTCONN;
}

int SocketChannel::WaitSendReady() {
    const int rc = Wait([this] { return sendReady_ || !IsConnected() || lastResult_ != 0; });
    if (rc != kOk) {
        return rc;
    }
    return lastResult_;
}

int SocketChannel::WaitClosed() {
    const int rc = Wait([this] { return state_ == State::Closed || lastResult_ != 0; });
    return rc != kOk ? rc : lastResult_;
}

void SocketChannel::HandleReadable() {
    // A notice during a read comes from a nested loop a handler runs; the
    // read takes it up when it is over.
    if (!acceptData_ || state_ != State::Connected) {
        if (readNotifier_) {
            readNotifier_->setEnabled(false);
        }
        return;
    }
    Read();
}

void SocketChannel::HandleWritable() {
    if (writeNotifier_) {
        writeNotifier_->setEnabled(false);
    }
    if (state_ == State::Connecting) {
        const int err = vantry::net::ConnectResult(fd_.get(), Calls(E()));
        if (err < 0) {
            HandleConnectDone(E().lastError());
        } else {
            HandleConnectDone(err == 0 ? 0 : WsaFromErrno(err));
        }
        return;
    }
    sendReady_ = true;
}

void SocketChannel::HandleConnectDone(int error) {
    // A failed connect keeps its socket until the upcall has reported it.
    state_ = error == 0 ? State::Connected : State::ConnectFailed;
    lastResult_ = error;
    if (error == 0) {
        const int on = 1;
        E().setsockopt(fd_.get(), SOL_SOCKET, SO_OOBINLINE, &on, sizeof on);
        ArmRead();
    }
    const AliveToken alive = Alive();
    sink_.OnConnected(error);
    if (!*alive) {
        return;
    }
    if (error != 0 && fd_.valid()) {
        // A failed connect is reported by the connected upcall alone.
        StopNotifiers();
        CloseSocketQuietly();
    }
}

void SocketChannel::Refill() {
    stagedAt_ += splitter_.Append({staged_.get() + stagedAt_, stagedEnd_ - stagedAt_});
    if (stagedAt_ == stagedEnd_) {
        stagedAt_ = stagedEnd_ = 0;
    }
}

bool SocketChannel::DeliverLines() {
    const AliveToken alive = Alive();
    std::string piece;
    bool whole = false;
    for (;;) {
        if (!acceptData_ || state_ == State::CloseAfterRead) {
            return true;
        }
        if (splitter_.EndOfLine().empty() && splitter_.Buffered() == 0 && stagedAt_ < stagedEnd_) {
            // Raw data with nothing held back: the piece the line buffer would
            // hold is handed up from the staged bytes, sparing two copies of
            // every body byte.
            const std::size_t n = std::min(LineSplitter::kCapacity, stagedEnd_ - stagedAt_);
            const std::string_view raw(staged_.get() + stagedAt_, n);
            stagedAt_ += n;
            if (stagedAt_ == stagedEnd_) {
                stagedAt_ = stagedEnd_ = 0;
            }
            sink_.OnDataIn(raw, false);
        } else {
            Refill();
            if (!splitter_.Next(&piece, &whole)) {
                return true;
            }
            sink_.OnDataIn(piece, whole);
        }
        if (!*alive) {
            return false;
        }
    }
}

void SocketChannel::Read() {
    const AliveToken alive = Alive();
    // The notifier stays armed while reading: toggling it costs a trip
    // through the event dispatcher per piece. A notice that arrives while a
    // handler runs a nested loop disarms it (HandleReadable) until the
    // read is over.
    state_ = State::Reading;
    bool peerClosed = false;
    int closeError = 0;
    for (int i = 0; i < kReadsPerNotice; ++i) {
        if (!DeliverLines()) {
            return;
        }
        if (state_ == State::CloseAfterRead || !acceptData_ || stagedEnd_ != 0) {
            break;
        }
        const ssize_t n = E().recv(fd_.get(), staged_.get(), kStageSize, 0);
        if (n > 0) {
            stagedEnd_ = static_cast<std::size_t>(n);
            continue;
        }
        if (n == 0) {
            peerClosed = true;
            break;
        }
        const int err = E().lastError();
        if (err == kWsaEWOULDBLOCK || err == kWsaENOTSOCK || err == kWsaEINTR) {
            break;
        }
        sink_.OnError(err, "Winsock error in recv()");
        if (!*alive) {
            return;
        }
        peerClosed = true;
        closeError = err;
        break;
    }
    if (!DeliverLines()) {
        return;
    }
    const bool closeAfterRead = state_ == State::CloseAfterRead;
    state_ = State::Connected;
    if (closeAfterRead) {
        Close(closeAfterRead_.error, closeAfterRead_.deliverRest);
    } else if (peerClosed) {
        Close(closeError, true);
    } else {
        ArmRead();
    }
}

void SocketChannel::Close(int error, bool deliverRest) {
    if (state_ == State::Closed) {
        return;
    }
    if (state_ == State::Reading || state_ == State::CloseAfterRead) {
        state_ = State::CloseAfterRead;
        closeAfterRead_ = {error, deliverRest};
        return;
    }
    StopNotifiers();
    const AliveToken alive = Alive();
    if (deliverRest) {
        // What is staged goes up too, through the line buffer as usual.
        do {
            if (!DeliverLines()) {
                return;
            }
            const std::string rest = splitter_.TakeRest();
            if (!rest.empty() && acceptData_) {
                sink_.OnDataIn(rest, false);
                if (!*alive) {
                    return;
                }
            }
        } while (acceptData_ && stagedEnd_ != 0);
    }
    splitter_.Clear();
    stagedAt_ = stagedEnd_ = 0;
    CloseSocketQuietly();
    lastResult_ = error;
    sink_.OnEndOfData();
    if (!*alive) {
        return;
    }
    sink_.OnDisconnected(error);
}

void SocketChannel::CloseSocketQuietly() {
    // The descriptor is the system's own; it is closed even after the
    // socket layer was let go.
    fd_.Reset();
    state_ = State::Closed;
}

void SocketChannel::StopNotifiers() {
    for (QSocketNotifier* n : {readNotifier_.data(), writeNotifier_.data()}) {
        if (n != nullptr) {
            n->setEnabled(false);
            QObject::disconnect(n, nullptr, nullptr, nullptr);
            Dispose(n);
        }
    }
    readNotifier_.clear();
    writeNotifier_.clear();
}

}  // namespace fetchwire
