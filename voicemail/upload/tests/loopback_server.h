#pragma once
// A TCP server on 127.0.0.1 for upload tests, on its own thread with blocking
// sockets: it records every byte of every connection with the time it came.

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace murmel::test {

struct ServerOptions {
    size_t closeAfterBytes = 0;  // 0: read to the end
    bool holdOpen = false;       // keep the connection after the client's end
    bool stall = false;          // a choked uplink: read nothing until Release(), then close
};

class LoopbackServer {
public:
    using Options = ServerOptions;
    using Clock = std::chrono::steady_clock;
    struct Piece {
        std::string bytes;
        Clock::time_point at;
    };
    struct Connection {
        std::vector<Piece> pieces;
        bool ended = false;  // the client closed its side
        std::string All() const {
            std::string all;
            for (const Piece& p : pieces)
                all += p.bytes;
            return all;
        }
        // Pieces joined while they arrive less than gap apart: one group per send burst.
        std::vector<std::string> Bursts(std::chrono::milliseconds gap) const {
            std::vector<std::string> bursts;
            Clock::time_point last{};
            for (const Piece& p : pieces) {
                if (bursts.empty() || p.at - last > gap)
                    bursts.emplace_back();
                bursts.back() += p.bytes;
                last = p.at;
            }
            return bursts;
        }
    };
    explicit LoopbackServer(Options options = {}) : options_(options) {
        listener_ = ::socket(AF_INET, SOCK_STREAM, 0);
        int one = 1;
        ::setsockopt(listener_, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
        if (options_.stall) {
            const int small = 4096;
            ::setsockopt(listener_, SOL_SOCKET, SO_RCVBUF, &small, sizeof small);
        }
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ::bind(listener_, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
        ::listen(listener_, 8);
        socklen_t len = sizeof addr;
        ::getsockname(listener_, reinterpret_cast<sockaddr*>(&addr), &len);
        port_ = ntohs(addr.sin_port);
        thread_ = std::thread([this] { Run(); });
    }
    ~LoopbackServer() {
        stop_ = true;
        thread_.join();
        for (int fd : held_)
            ::close(fd);
        ::close(listener_);
    }
    int port() const { return port_; }
    void Release() { released_ = true; }
    std::vector<Connection> connections() const {
        std::lock_guard<std::mutex> lock(mutex_);
        return connections_;
    }

    // A port on which nothing listens.
    static int ClosedPort() {
        const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
        socklen_t len = sizeof addr;
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len);
        ::close(fd);
        return ntohs(addr.sin_port);
    }

private:
    void Run() {
        while (!stop_) {
            pollfd p{listener_, POLLIN, 0};
            if (::poll(&p, 1, 20) <= 0)
                continue;
            const int fd = ::accept(listener_, nullptr, nullptr);
            if (fd < 0)
                continue;
            size_t index;
            {
                std::lock_guard<std::mutex> lock(mutex_);
                connections_.emplace_back();
                index = connections_.size() - 1;
            }
            Serve(fd, index);
        }
    }
    // One connection at a time, as the upload makes them one after the other.
    void Serve(int fd, size_t index) {
        if (options_.stall) {
            while (!stop_ && !released_)
                ::poll(nullptr, 0, 10);
            ::close(fd);  // unread bytes make this a reset
            return;
        }
        size_t total = 0;
        char buf[65536];
        while (!stop_) {
            pollfd p{fd, POLLIN, 0};
            if (::poll(&p, 1, 20) <= 0)
                continue;
            size_t want = sizeof buf;
            if (options_.closeAfterBytes > 0)
                want = std::min(want, options_.closeAfterBytes - total);
            const ssize_t n = ::recv(fd, buf, want, 0);
            std::lock_guard<std::mutex> lock(mutex_);
            if (n <= 0) {
                connections_[index].ended = true;
                break;
            }
            total += static_cast<size_t>(n);
            connections_[index].pieces.push_back(
                {std::string(buf, static_cast<size_t>(n)), Clock::now()});
            if (options_.closeAfterBytes > 0 && total >= options_.closeAfterBytes)
                break;
        }
        if (options_.holdOpen) {
            held_.push_back(fd);
        } else {
            ::close(fd);
        }
    }

    Options options_;
    int listener_ = -1;
    int port_ = 0;
    std::atomic<bool> stop_{false};
    std::atomic<bool> released_{false};
    std::thread thread_;
    mutable std::mutex mutex_;
    std::vector<Connection> connections_;
    std::vector<int> held_;
};

}  // namespace murmel::test
