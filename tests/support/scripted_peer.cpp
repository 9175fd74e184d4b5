#include "scripted_peer.h"

#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <arpa/inet.h>

#include <algorithm>
#include <stdexcept>

#include "loopback.h"

namespace vantry::test {
namespace {

void Signal(int fd) {
    const std::uint64_t one = 1;
    [[maybe_unused]] const ssize_t n = ::write(fd, &one, sizeof one);
}

bool IsSignalled(int fd) {
    pollfd p{fd, POLLIN, 0};
    return ::poll(&p, 1, 0) > 0;
}

}  // namespace

std::vector<PeerStep> AnswerRequest(std::vector<PeerStep> reply) {
    reply.insert(reply.begin(), PeerStep::Expect("\r\n\r\n"));
    reply.push_back(PeerStep::Close());
    return reply;
}

std::string ScriptedPeer::Connection::All() const {
    std::string all;
    for (const Piece& p : pieces) {
        all += p.bytes;
    }
    return all;
}

std::vector<std::string> ScriptedPeer::Connection::Bursts(std::chrono::milliseconds gap) const {
    std::vector<std::string> bursts;
    Clock::time_point last{};
    for (const Piece& p : pieces) {
        if (bursts.empty() || p.at - last > gap) {
            bursts.emplace_back();
        }
        bursts.back() += p.bytes;
        last = p.at;
    }
    return bursts;
}

std::vector<std::string> ScriptedPeer::Connection::Lines() const {
    std::vector<std::string> lines;
    const std::string all = All();
    std::size_t start = 0;
    for (std::size_t nl = all.find('\n'); nl != std::string::npos; nl = all.find('\n', start)) {
        std::string line = all.substr(start, nl - start);
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        lines.push_back(std::move(line));
        start = nl + 1;
    }
    return lines;
}

ScriptedPeer::ScriptedPeer(std::vector<PeerStep> script, PeerOptions options)
    : script_(std::move(script)), options_(std::move(options)) {
    std::uint16_t port = 0;
    listenFd_ = ListenOnLoopback(8, &port, options_.receiveBuffer);
    port_ = port;
    stopFd_ = ::eventfd(0, EFD_CLOEXEC);
    releaseFd_ = ::eventfd(0, EFD_CLOEXEC);
    proceedFd_ = ::eventfd(0, EFD_CLOEXEC | EFD_SEMAPHORE);
    if (stopFd_ < 0 || releaseFd_ < 0 || proceedFd_ < 0) {
        throw std::runtime_error("test peer: no eventfd");
    }
    thread_ = std::thread([this] { Run(); });
}

ScriptedPeer::~ScriptedPeer() {
    Signal(stopFd_);
    if (thread_.joinable()) {
        thread_.join();
    }
    for (int fd : kept_) {
        ::close(fd);
    }
    ::close(listenFd_);
    ::close(stopFd_);
    ::close(releaseFd_);
    ::close(proceedFd_);
}

void ScriptedPeer::Release() {
    Signal(releaseFd_);
}

void ScriptedPeer::Proceed() {
    {
        std::lock_guard lock(mutex_);
        ++proceeds_;
    }
    Signal(proceedFd_);
}

bool ScriptedPeer::WaitAwaiting(std::chrono::milliseconds limit) {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, limit, [this] { return awaitsReached_ > proceeds_; });
}

bool ScriptedPeer::Connected() const {
    std::lock_guard lock(mutex_);
    return !connections_.empty();
}

bool ScriptedPeer::Done() const {
    std::lock_guard lock(mutex_);
    return done_;
}

std::size_t ScriptedPeer::Served() const {
    std::lock_guard lock(mutex_);
    return served_;
}

std::vector<ScriptedPeer::Connection> ScriptedPeer::Connections() const {
    std::lock_guard lock(mutex_);
    return connections_;
}

ScriptedPeer::Connection ScriptedPeer::First() const {
    std::lock_guard lock(mutex_);
    return connections_.empty() ? Connection{} : connections_.front();
}

std::vector<ScriptedPeer::Connection> ScriptedPeer::Finish(std::chrono::milliseconds limit) {
    {
        std::unique_lock lock(mutex_);
        changed_.wait_for(lock, limit, [this] { return done_; });
    }
    Signal(stopFd_);
    if (thread_.joinable()) {
        thread_.join();
    }
    return Connections();
}

int ScriptedPeer::UnusedPort() {
    std::uint16_t port = 0;
    const int fd = ListenOnLoopback(1, &port);
    ::close(fd);
    return port;
}

void ScriptedPeer::MarkDone() {
    {
        std::lock_guard lock(mutex_);
        done_ = true;
    }
    changed_.notify_all();
}

void ScriptedPeer::Await() {
    {
        std::lock_guard lock(mutex_);
        ++awaitsReached_;
    }
    changed_.notify_all();
    pollfd p[2] = {{proceedFd_, POLLIN, 0}, {stopFd_, POLLIN, 0}};
    while (::poll(p, 2, -1) < 0) {
    }
    if ((p[0].revents & POLLIN) != 0) {
        std::uint64_t one = 0;
        [[maybe_unused]] const ssize_t n = ::read(proceedFd_, &one, sizeof one);
    }
}

const std::vector<PeerStep>& ScriptedPeer::ScriptFor(std::size_t index) const {
    return index >= 1 && index <= options_.later.size() ? options_.later[index - 1] : script_;
}

bool ScriptedPeer::WaitReadable(int fd) {
    pollfd p[2] = {{fd, POLLIN, 0}, {stopFd_, POLLIN, 0}};
    while (::poll(p, 2, -1) < 0) {
    }
    return (p[1].revents & POLLIN) == 0;
}

bool ScriptedPeer::ReadSome(int fd, std::size_t index, std::string& buffer, std::size_t most) {
    if (!WaitReadable(fd)) {
        return false;
    }
    char bytes[65536];
    const ssize_t n = ::recv(fd, bytes, std::min(most, sizeof bytes), 0);
    std::lock_guard lock(mutex_);
    if (n <= 0) {
        connections_[index].ended = true;
        return false;
    }
    buffer.append(bytes, static_cast<std::size_t>(n));
    connections_[index].pieces.push_back(
        {std::string(bytes, static_cast<std::size_t>(n)), Clock::now()});
    return true;
}

void ScriptedPeer::Run() {
    std::size_t accepted = 0;
    do {
        if (!WaitReadable(listenFd_)) {
            break;
        }
        sockaddr_in from{};
        socklen_t fromLength = sizeof from;
        const int fd =
            ::accept4(listenFd_, reinterpret_cast<sockaddr*>(&from), &fromLength, SOCK_CLOEXEC);
        if (fd < 0) {
            continue;
        }
        const int one = 1;
        ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
        const std::size_t index = accepted++;
        {
            std::lock_guard lock(mutex_);
            connections_.emplace_back();
            connections_.back().clientPort = ntohs(from.sin_port);
        }
        Serve(fd, index);
        {
            std::lock_guard lock(mutex_);
            ++served_;
        }
        if (index == 0) {
            MarkDone();
        }
    } while ((options_.everyConnection || accepted <= options_.later.size()) &&
             !IsSignalled(stopFd_));
    MarkDone();
}

void ScriptedPeer::Serve(int fd, std::size_t index) {
    std::string buffer;    // this connection's bytes
    std::size_t mark = 0;  // where the next Expect starts looking
    bool open = true;      // reading may go on
    for (const PeerStep& step : ScriptFor(index)) {
        switch (step.kind) {
            case PeerStep::Kind::Send:
                ::send(fd, step.bytes.data(), step.bytes.size(), MSG_NOSIGNAL);
                break;
            case PeerStep::Kind::Expect:
                for (;;) {
                    const std::size_t found = buffer.find(step.bytes, mark);
                    if (found != std::string::npos) {
                        mark = found + step.bytes.size();
                        break;
                    }
                    if (!ReadSome(fd, index, buffer)) {
                        open = false;
                        break;
                    }
                }
                break;
            case PeerStep::Kind::ReadBytes:
                // Never past the count: what is left unread stays with the kernel.
                while (open && buffer.size() < step.count) {
                    open = ReadSome(fd, index, buffer, step.count - buffer.size());
                }
                break;
            case PeerStep::Kind::ReadToEnd:
                while (open) {
                    open = ReadSome(fd, index, buffer);
                }
                break;
            case PeerStep::Kind::Hold: {
                pollfd p[2] = {{releaseFd_, POLLIN, 0}, {stopFd_, POLLIN, 0}};
                while (::poll(p, 2, -1) < 0) {
                }
                break;
            }
            case PeerStep::Kind::Await:
                Await();
                break;
            case PeerStep::Kind::Close:
                ::close(fd);
                return;
            case PeerStep::Kind::Reset: {
                const linger hard{1, 0};
                ::setsockopt(fd, SOL_SOCKET, SO_LINGER, &hard, sizeof hard);
                ::close(fd);
                return;
            }
            case PeerStep::Kind::ShutDown:
                ::shutdown(fd, SHUT_RDWR);
                kept_.push_back(fd);
                return;
            case PeerStep::Kind::ShutDownSend:
                ::shutdown(fd, SHUT_WR);
                break;
            case PeerStep::Kind::Linger:
                kept_.push_back(fd);
                return;
        }
        if (!open || IsSignalled(stopFd_)) {
            break;
        }
    }
    // Whatever the client still sends is recorded until it closes; lines
    // already read count too, as the client may be waiting for their answer.
    std::size_t lineStart = mark;
    while (open) {
        for (std::size_t nl = buffer.find('\n', lineStart); nl != std::string::npos;
             nl = buffer.find('\n', lineStart)) {
            std::string line = buffer.substr(lineStart, nl - lineStart);
            if (!line.empty() && line.back() == '\r') {
                line.pop_back();
            }
            lineStart = nl + 1;
            for (const auto& [asked, reply] : options_.answers) {
                if (line == asked) {
                    ::send(fd, reply.data(), reply.size(), MSG_NOSIGNAL);
                }
            }
        }
        open = ReadSome(fd, index, buffer);
    }
    ::close(fd);
}

}  // namespace vantry::test
