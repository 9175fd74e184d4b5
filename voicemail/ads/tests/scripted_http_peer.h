#pragma once
// A server on 127.0.0.1 that answers one connection with exact bytes, on a
// thread of its own: it reads the request up to its empty line, then plays
// its script (send bytes; hold until the test releases it) and closes.

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace murmel::test {

class ScriptedHttpPeer {
public:
    struct Step {
        bool hold = false;
        std::string bytes;
    };
    static Step Send(std::string bytes) { return {false, std::move(bytes)}; }
    static Step Hold() { return {true, {}}; }

    explicit ScriptedHttpPeer(std::vector<Step> script) : script_(std::move(script)) {
        listener_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ::bind(listener_, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
        ::listen(listener_, 4);
        socklen_t len = sizeof addr;
        ::getsockname(listener_, reinterpret_cast<sockaddr*>(&addr), &len);
        port_ = ntohs(addr.sin_port);
        thread_ = std::thread([this] { Run(); });
    }
    ~ScriptedHttpPeer() {
        stop_ = true;
        thread_.join();
        ::close(listener_);
    }

    int port() const { return port_; }
    void Release() { released_ = true; }
    bool done() const { return done_; }
    std::string request() const {
        std::lock_guard<std::mutex> lock(mutex_);
        return request_;
    }

private:
    bool Wait(int fd, short events) {
        while (!stop_) {
            pollfd p{fd, events, 0};
            if (::poll(&p, 1, 20) > 0) {
                return true;
            }
        }
        return false;
    }
    void Run() {
        if (!Wait(listener_, POLLIN)) {
            return;
        }
        const int fd = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd < 0) {
            done_ = true;
            return;
        }
        const int one = 1;
        ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
        char buf[4096];
        while (Wait(fd, POLLIN)) {
            const ssize_t n = ::recv(fd, buf, sizeof buf, 0);
            if (n <= 0) {
                break;
            }
            std::lock_guard<std::mutex> lock(mutex_);
            request_.append(buf, static_cast<size_t>(n));
            if (request_.find("\r\n\r\n") != std::string::npos) {
                break;
            }
        }
        for (const Step& step : script_) {
            if (step.hold) {
                while (!stop_ && !released_) {
                    ::poll(nullptr, 0, 5);
                }
            } else {
                ::send(fd, step.bytes.data(), step.bytes.size(), MSG_NOSIGNAL);
            }
        }
        ::shutdown(fd, SHUT_WR);
        ::close(fd);
        done_ = true;
    }

    std::vector<Step> script_;
    int listener_ = -1;
    int port_ = 0;
    std::thread thread_;
    std::atomic<bool> stop_{false};
    std::atomic<bool> released_{false};
    std::atomic<bool> done_{false};
    mutable std::mutex mutex_;
    std::string request_;
};

}  // namespace murmel::test
