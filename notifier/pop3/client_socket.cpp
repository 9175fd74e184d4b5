#include "client_socket.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QCoreApplication>
#include <cerrno>

#include "net/posix_socket.h"

namespace corvy::pop3 {
namespace {

// One poll slice; events are pumped at least this often while waiting.
constexpr std::chrono::milliseconds kSlice{10};
// The writer's buffer; commands are written through it in pieces.
constexpr std::size_t kWriteBuffer = 4096;

unsigned g_cancelGeneration = 0;

}  // namespace

void CClientSocket::CancelBlockingCalls() {
    ++g_cancelGeneration;
}

void CClientSocket::Close() {
    socket_.Close();
}

int CClientSocket::Create() {
    Close();
    cancelGeneration_ = g_cancelGeneration;
    socket_.fd.Reset(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
    return socket_.fd.valid() ? kSuccess : kInvalidSocket;
}

void CClientSocket::MarkCancelled() {
    cancelled_ = true;
    Close();
}

void CClientSocket::Pump() {
    lastPump_ = std::chrono::steady_clock::now();
    if (QCoreApplication::instance() != nullptr) {
        QCoreApplication::processEvents(QEventLoop::AllEvents);
    }
    if (progress_ != nullptr && !cancelled_ && progress_->CheckCancelButton()) {
        MarkCancelled();
    }
    if (cancelGeneration_ != g_cancelGeneration) {
        MarkCancelled();
    }
}

CClientSocket::Wait CClientSocket::WaitFor(short events, std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        if (cancelled_) {
            return Wait::Cancelled;
        }
        if (!socket_.fd.valid()) {
            return Wait::Failed;
        }
        pollfd p{socket_.fd.get(), events, 0};
        const int n = ::poll(&p, 1, static_cast<int>(kSlice.count()));
        const auto now = std::chrono::steady_clock::now();
        if (n > 0) {
            // Busy transfers still let the interface breathe.
            if (now - lastPump_ >= kSlice) {
                Pump();
                if (cancelled_) {
                    return Wait::Cancelled;
                }
            }
            return Wait::Ready;
        }
        if (n < 0 && errno != EINTR) {
            return Wait::Failed;
        }
        Pump();
        if (cancelled_) {
            return Wait::Cancelled;
        }
        if (now >= deadline) {
            return Wait::TimedOut;
        }
    }
}

int CClientSocket::AwaitServer(short events) {
    switch (WaitFor(events, readTimeout_)) {
        case Wait::Ready:
            return kSuccess;
        case Wait::Cancelled:
            return kUserCanceled;
        case Wait::TimedOut:
            // The conversation is out of step now; nothing more is read.
            Close();
            return kTimedOut;
        case Wait::Failed:
            break;
    }
    return kReceiveFailed;
}

int CClientSocket::Connect(uint32_t address, uint16_t port) {
    if (!socket_.fd.valid()) {
        return kInvalidSocket;
    }
    sockaddr_in sa{};
    sa.sin_family = AF_INET;
    sa.sin_port = htons(port);
    sa.sin_addr.s_addr = address;
    if (!vantry::net::StartConnect(socket_.fd.get(), reinterpret_cast<const sockaddr*>(&sa),
                                   sizeof sa)) {
        return kConnectFailed;
    }
    // Also an at-once success: the socket is writable then.
    if (WaitFor(POLLOUT, connectTimeout_) != Wait::Ready) {
        return cancelled_ ? kUserCanceled : kConnectFailed;
    }
    return vantry::net::ConnectResult(socket_.fd.get()) == 0 ? kSuccess : kConnectFailed;
}

void CClientSocket::Send(std::string_view text) {
    while (socket_.tls && !text.empty() && socket_.fd.valid() && !cancelled_) {
        std::size_t put = 0;
        const std::size_t piece = text.size() < kWriteBuffer ? text.size() : kWriteBuffer;
        switch (socket_.tls->Write(text.data(), piece, put)) {
            case TlsSession::Step::Done:
                text.remove_prefix(put);
                continue;
            case TlsSession::Step::WantRead:
                if (WaitFor(POLLIN, readTimeout_) == Wait::Ready) {
                    continue;
                }
                return;
            case TlsSession::Step::WantWrite:
                if (WaitFor(POLLOUT, readTimeout_) == Wait::Ready) {
                    continue;
                }
                return;
            case TlsSession::Step::Closed:
            case TlsSession::Step::Failed:
                return;  // the next read reports the broken transport
        }
    }
    while (!socket_.tls && !text.empty() && socket_.fd.valid() && !cancelled_) {
        const std::size_t piece = text.size() < kWriteBuffer ? text.size() : kWriteBuffer;
        const ssize_t n = ::send(socket_.fd.get(), text.data(), piece, MSG_NOSIGNAL);
        if (n > 0) {
            text.remove_prefix(static_cast<std::size_t>(n));
            continue;
        }
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK) &&
            WaitFor(POLLOUT, readTimeout_) == Wait::Ready) {
            continue;
        }
        return;  // the next read reports the broken transport
    }
}

int CClientSocket::ReadLine(std::string& line) {
    for (;;) {
        if (cancelled_) {
            return kUserCanceled;
        }
        switch (reader_.Next(line)) {
            case Pop3LineReader::Outcome::Line:
                return kSuccess;
            case Pop3LineReader::Outcome::Closed:
                return kReceiveFailed;
            case Pop3LineReader::Outcome::NeedMore:
                break;
        }
        if (!socket_.fd.valid()) {
            reader_.FeedEnd();
            continue;
        }
        short events = POLLIN;
        if (socket_.tls) {
            // Busy transfers still let the interface breathe.
            if (std::chrono::steady_clock::now() - lastPump_ >= kSlice) {
                Pump();
                if (cancelled_) {
                    return kUserCanceled;
                }
            }
            char chunk[Pop3LineReader::kBufferSize];
            const long n = Receive(chunk, reader_.Space(), events);
            if (n > 0) {
                reader_.Feed(chunk, static_cast<std::size_t>(n));
                continue;
            }
            if (n == 0 || n == -2) {
                reader_.FeedEnd();
                continue;
            }
        }
        if (const int waited = AwaitServer(events); waited == kReceiveFailed) {
            reader_.FeedEnd();
            continue;
        } else if (waited != kSuccess) {
            return waited;
        }
        if (!socket_.tls) {
            char chunk[Pop3LineReader::kBufferSize];
            const long n = Receive(chunk, reader_.Space(), events);
            if (n > 0) {
                reader_.Feed(chunk, static_cast<std::size_t>(n));
            } else if (n == 0 || n == -2) {
                reader_.FeedEnd();
            }
        }
    }
}

long CClientSocket::Receive(char* buffer, std::size_t capacity, short& events) {
    if (socket_.tls) {
        // Decrypted bytes may wait inside the session with nothing on the
        // socket, so the session is asked before any poll.
        std::size_t got = 0;
        switch (socket_.tls->Read(buffer, capacity, got)) {
            case TlsSession::Step::Done:
                return static_cast<long>(got);
            case TlsSession::Step::WantRead:
                events = POLLIN;
                return -1;
            case TlsSession::Step::WantWrite:
                events = POLLOUT;
                return -1;
            case TlsSession::Step::Closed:
                return 0;
            case TlsSession::Step::Failed:
                return -2;
        }
    }
    const ssize_t n = ::recv(socket_.fd.get(), buffer, capacity, 0);
    if (n >= 0) {
        return static_cast<long>(n);
    }
    if (errno == EINTR || errno == EAGAIN || errno == EWOULDBLOCK) {
        events = POLLIN;
        return -1;
    }
    return -2;
}

int CClientSocket::StartTls(const std::string& host, const std::string& pinnedSha256,
                            std::string& detail) {
    if (!socket_.fd.valid()) {
        return kReceiveFailed;
    }
    if (reader_.Buffered() > 0) {
        detail = "The server sent data before the secure connection began.";
        Close();
        return kTlsFailed;
    }
    socket_.tls = std::make_unique<TlsSession>(socket_.fd.get(), host, pinnedSha256);
    for (;;) {
        short events = POLLIN;
        switch (socket_.tls->Handshake()) {
            case TlsSession::Step::Done:
                fingerprint_ = socket_.tls->Fingerprint();
                return kSuccess;
            case TlsSession::Step::WantRead:
                events = POLLIN;
                break;
            case TlsSession::Step::WantWrite:
                events = POLLOUT;
                break;
            case TlsSession::Step::Closed:
            case TlsSession::Step::Failed:
                return socket_.AbandonHandshake(fingerprint_, detail) ? kCertificateRefused
                                                                      : kTlsFailed;
        }
        if (const int waited = AwaitServer(events); waited == kReceiveFailed) {
            detail = "The connection to " + host + " broke during the secure handshake.";
            Close();
            return kTlsFailed;
        } else if (waited != kSuccess) {
            return waited;
        }
    }
}

}  // namespace corvy::pop3
