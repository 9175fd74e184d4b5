#include "net/socket_control.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <QCoreApplication>
#include <QPointer>
#include <QSocketNotifier>
#include <QTimer>
#include <cerrno>
#include <cstring>
#include <functional>
#include <thread>
#include <vector>

#include "base/regular_file.h"
#include "net/line_assembler_p.h"
#include "net/posix_socket.h"

namespace vantry::net {
namespace {

// How long a gracefully closed connection may wait for the peer to close its side.
constexpr int kLingerMs = 30000;

// Resolves without any network traffic; false when `text` is no numeric address.
bool ResolveNumeric(const QString& text, int port, std::vector<Endpoint>& out) {
    const std::string host = text.trimmed().toLatin1().toStdString();
    if (host.empty() || Resolve(host, static_cast<uint16_t>(port), {AF_UNSPEC, true}, &out) != 0) {
        out.clear();
        return false;
    }
    return !out.empty();
}

}  // namespace

// One connection of a SocketControl. While its control holds it, it reports to the
// control; after a close it lives on by itself (parented to the application) until
// its queued bytes are out and the peer has closed, then deletes itself.
class Connection : public QObject {
public:
    enum class State { Resolving, Connecting, Connected, Lingering, Finished };

    struct Lookup {
        QPointer<Connection> target;  // touched on the GUI thread only
    };

    explicit Connection(SocketControl* owner) : owner_(owner) {
        assembler_.setLimit(owner->bufferSize());
        assembler_.setLineMode(owner->lineMode());
        readSize_ = owner->bufferSize();
        localPort_ = owner->localPort();
        timer_.setSingleShot(true);
        connect(&timer_, &QTimer::timeout, this, [this] { OnTimer(); });
    }

    ~Connection() override { CloseSocket(); }

    State state() const { return state_; }
    bool connected() const { return state_ == State::Connected; }
    qint64 queued() const { return out_.size() - outPos_; }

    SocketError Start(const QString& host, const QString& dotAddr, int port, int timeoutMs) {
        if (port < 1 || port > 65535) {
            return MakeError(kErrAddressNotAvailable);
        }
        if (!dotAddr.trimmed().isEmpty()) {
            if (!ResolveNumeric(dotAddr, port, endpoints_)) {
                return MakeError(kErrInvalidArgument);
            }
        } else if (host.trimmed().isEmpty()) {
            return MakeError(kErrDestinationRequired);
        }
        if (timeoutMs > 0) {
            timer_.start(timeoutMs);
        }
        if (!endpoints_.empty() || ResolveNumeric(host, port, endpoints_)) {
            TryNext();
        } else {
            StartLookup(host.trimmed(), port);
        }
        return {};
    }

    // Hands the bytes to the system at once; what it cannot take yet waits here and
    // further sends are refused until it is out, so a caller never believes bytes
    // were handed over while a queue of ours still holds them.
    SocketError Queue(const QByteArray& data) {
        if (state_ != State::Connected) {
            return MakeError(kErrNotConnected);
        }
        sendReadyOwed_ = true;
        if (queued() > 0) {
            return MakeError(kErrWouldBlock);
        }
        out_ = data;
        outPos_ = 0;
        qsizetype taken = 0;
        while (taken < out_.size()) {
            const ssize_t n = ::send(fd_.get(), out_.constData() + taken,
                                     static_cast<size_t>(out_.size() - taken), MSG_NOSIGNAL);
            if (n > 0) {
                taken += n;
            } else if (n < 0 && errno == EINTR) {
                continue;
            } else {
                break;  // a full buffer waits for the writer; a failure shows up there too
            }
        }
        outPos_ = taken;
        if (writer_ != nullptr) {
            writer_->setEnabled(true);  // SendReady comes from the loop, never inside a call
        }
        return {};
    }

    // The control lets go of this connection: a live connection drains and lingers,
    // anything else ends at once. Either way it deletes itself.
    void Detach() {
        owner_ = nullptr;
        if (QCoreApplication::instance() == nullptr) {
            delete this;
            return;
        }
        setParent(QCoreApplication::instance());
        if (state_ != State::Connected) {
            Finish();
            return;
        }
        state_ = State::Lingering;
        timer_.start(kLingerMs);
        if (queued() == 0) {
            ::shutdown(fd_.get(), SHUT_WR);
        } else {
            writer_->setEnabled(true);
        }
    }

    void OnResolved(int code, std::vector<Endpoint> endpoints) {
        if (state_ != State::Resolving) {
            return;
        }
        if (code != 0 || endpoints.empty()) {
            Fail(code != 0 ? code : kErrNoData);
            return;
        }
        endpoints_ = std::move(endpoints);
        TryNext();
    }

private:
    void StartLookup(const QString& host, int port) {
        state_ = State::Resolving;
        auto job = std::make_shared<Lookup>();
        job->target = this;
        lookup_ = job;
        std::thread([job, name = host.toStdString(), port] {
            std::vector<Endpoint> endpoints;
            const int rc = Resolve(name, static_cast<uint16_t>(port), {}, &endpoints);
            const int code = CodeForLookupError(rc);
            QCoreApplication* app = QCoreApplication::instance();
            if (app == nullptr) {
                return;
            }
            QMetaObject::invokeMethod(
                app,
                [job, code, endpoints = std::move(endpoints)]() mutable {
                    if (job->target) {
                        job->target->OnResolved(code, std::move(endpoints));
                    }
                },
                Qt::QueuedConnection);
        }).detach();
    }

    // Connects to the next address; when none is left, fails with the last error.
    void TryNext() {
        state_ = State::Connecting;
        while (next_ < endpoints_.size()) {
            const Endpoint& e = endpoints_[next_++];
            const int family = e.address.ss_family;
            fd_.Reset(::socket(family, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0));
            if (!fd_.valid()) {
                lastErrno_ = errno;
                continue;
            }
            if (localPort_ > 0 && !BindLocal(family)) {
                lastErrno_ = errno;
                CloseSocket();
                continue;
            }
            if (StartConnect(fd_.get(), e)) {
                // Even an at-once success is reported from the loop, never inside a call.
                writer_ = new QSocketNotifier(fd_.get(), QSocketNotifier::Write, this);
                connect(writer_, &QSocketNotifier::activated, this, [this] { OnWritable(); });
                return;
            }
            lastErrno_ = errno;
            CloseSocket();
        }
        Fail(CodeForErrno(lastErrno_ != 0 ? lastErrno_ : ECONNREFUSED));
    }

    bool BindLocal(int family) {
        const int one = 1;
        ::setsockopt(fd_.get(), SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
        sockaddr_storage local{};
        socklen_t length = 0;
        if (family == AF_INET6) {
            auto* a = reinterpret_cast<sockaddr_in6*>(&local);
            a->sin6_family = AF_INET6;
            a->sin6_addr = in6addr_any;
            a->sin6_port = htons(static_cast<uint16_t>(localPort_));
            length = sizeof(sockaddr_in6);
        } else {
            auto* a = reinterpret_cast<sockaddr_in*>(&local);
            a->sin_family = AF_INET;
            a->sin_addr.s_addr = htonl(INADDR_ANY);
            a->sin_port = htons(static_cast<uint16_t>(localPort_));
            length = sizeof(sockaddr_in);
        }
        return ::bind(fd_.get(), reinterpret_cast<sockaddr*>(&local), length) == 0;
    }

    void OnWritable() {
        if (state_ == State::Connecting) {
            int err = ConnectResult(fd_.get());
            if (err < 0) {
                err = errno;
            }
            if (err != 0) {
                lastErrno_ = err;
                CloseSocket();
                TryNext();
                return;
            }
            state_ = State::Connected;
            timer_.stop();
            writer_->setEnabled(queued() > 0);
            reader_ = new QSocketNotifier(fd_.get(), QSocketNotifier::Read, this);
            connect(reader_, &QSocketNotifier::activated, this, [this] { OnReadable(); });
            if (SocketControl* owner = owner_) {
                emit owner->Connect();
            }
            return;
        }
        Flush();
    }

    void Flush() {
        while (queued() > 0) {
            const ssize_t n = ::send(fd_.get(), out_.constData() + outPos_,
                                     static_cast<size_t>(queued()), MSG_NOSIGNAL);
            if (n > 0) {
                outPos_ += n;
                continue;
            }
            if (n < 0 && (errno == EAGAIN || errno == EINTR)) {
                return;
            }
            if (state_ == State::Lingering) {
                Finish();
            } else {
                Fail(CodeForErrno(n < 0 ? errno : EPIPE));
            }
            return;
        }
        out_.clear();
        outPos_ = 0;
        if (writer_ != nullptr) {
            writer_->setEnabled(false);
        }
        if (state_ == State::Lingering) {
            ::shutdown(fd_.get(), SHUT_WR);
            return;
        }
        if (sendReadyOwed_ && state_ == State::Connected) {
            sendReadyOwed_ = false;
            if (SocketControl* owner = owner_) {
                emit owner->SendReady();
            }
        }
    }

    void OnReadable() {
        buffer_.resize(readSize_);
        const ssize_t n = ::recv(fd_.get(), buffer_.data(), static_cast<size_t>(readSize_), 0);
        if (n < 0 && (errno == EAGAIN || errno == EINTR)) {
            return;
        }
        if (state_ == State::Lingering) {
            if (n <= 0) {
                Finish();  // the peer has closed too (or failed): nothing more to do
            }
            return;  // replies after a close are not wanted
        }
        if (n < 0) {
            Fail(CodeForErrno(errno));
            return;
        }
        if (n == 0) {
            OnPeerClosed();
            return;
        }
        const QList<QByteArray> pieces = assembler_.Feed(QByteArray(buffer_.constData(), n));
        for (const QByteArray& piece : pieces) {
            if (!Deliver(piece)) {
                return;
            }
        }
    }

    // Emits one Receive; false when the handler let go of this connection.
    bool Deliver(const QByteArray& piece) {
        SocketControl* owner = owner_;
        if (owner == nullptr) {
            return false;
        }
        QPointer<SocketControl> guard(owner);
        emit owner->Receive(piece);
        return guard && owner_ == owner;
    }

    void OnPeerClosed() {
        // The peer may still read after closing its side: give it what is queued.
        Flush();
        if (state_ != State::Connected) {
            return;  // the flush failed and reported it
        }
        const bool cutShort = queued() > 0;
        const QByteArray rest = assembler_.TakeRest();
        CloseSocket();
        state_ = State::Finished;
        if (!rest.isEmpty() && !Deliver(rest)) {
            return;
        }
        if (cutShort) {
            // Bytes that never left are a failure, not an orderly end.
            Fail(kErrAborted);
            return;
        }
        if (SocketControl* owner = owner_) {
            emit owner->Close(0);
        }
    }

    void OnTimer() {
        if (state_ == State::Lingering) {
            Finish();
        } else if (state_ == State::Resolving || state_ == State::Connecting) {
            Fail(kErrTimedOut);
        }
    }

    // Ends the connection and reports Exception then Close from the event loop.
    void Fail(int code) {
        CloseSocket();
        timer_.stop();
        lookup_.reset();
        state_ = State::Finished;
        QMetaObject::invokeMethod(
            this,
            [this, code] {
                SocketControl* owner = owner_;
                if (owner == nullptr) {
                    return;
                }
                QPointer<SocketControl> guard(owner);
                emit owner->Exception(code, DescriptionForCode(code));
                if (guard && owner_ == owner) {
                    emit owner->Close(code);
                }
            },
            Qt::QueuedConnection);
    }

    void Finish() {
        CloseSocket();
        timer_.stop();
        state_ = State::Finished;
        if (owner_ == nullptr) {
            deleteLater();
        }
    }

    void CloseSocket() {
        delete reader_;
        reader_ = nullptr;
        delete writer_;
        writer_ = nullptr;
        fd_.Reset();
    }

    SocketControl* owner_;
    State state_ = State::Resolving;
    vantry::FileDescriptor fd_;
    QSocketNotifier* reader_ = nullptr;
    QSocketNotifier* writer_ = nullptr;
    QTimer timer_;
    std::shared_ptr<Lookup> lookup_;
    std::vector<Endpoint> endpoints_;
    size_t next_ = 0;
    int lastErrno_ = 0;
    int localPort_ = 0;
    int readSize_ = 8192;
    QByteArray buffer_;
    QByteArray out_;
    qsizetype outPos_ = 0;
    bool sendReadyOwed_ = false;
    LineAssembler assembler_;
};

SocketControl::SocketControl(QObject* parent) : QObject(parent) {}

SocketControl::~SocketControl() {
    closeGracefully();
}

SocketError SocketControl::setAction(int action) {
    switch (action) {
        case kActionConnect:
            return startConnect();
        case kActionClose:
            closeGracefully();
            return {};
        default:
            return MakeError(kErrInvalidArgument);
    }
}

SocketError SocketControl::startConnect() {
    if (connection_ && connection_->state() != Connection::State::Finished) {
        return MakeError(kErrAlreadyConnected);
    }
    closeGracefully();
    auto connection = std::make_unique<Connection>(this);
    SocketError error =
        connection->Start(remoteHost_, remoteDotAddr_, remotePort_, connectTimeoutMs_);
    if (!error) {
        connection_ = std::move(connection);
    }
    return error;
}

void SocketControl::closeGracefully() {
    if (connection_) {
        connection_.release()->Detach();
    }
}

SocketError SocketControl::Send(const QByteArray& data) {
    if (!connection_) {
        return MakeError(kErrNotConnected);
    }
    return connection_->Queue(data);
}

bool SocketControl::isConnected() const {
    return connection_ && connection_->connected();
}

qint64 SocketControl::bytesToWrite() const {
    return connection_ ? connection_->queued() : 0;
}

}  // namespace vantry::net
