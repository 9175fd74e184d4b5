#pragma once
// Many uploads at once from one thread, each sent like Murmel sends it: the
// request line, then 8192-byte chunks with a pause between them. Every
// connection's answer is read, so the caller knows which uploads were taken.

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <string>
#include <thread>
#include <vector>

namespace murmel::relay::test {

struct UploadOutcome {
    bool connected = false;
    std::string answer;  // empty when the connection ended without one
};

inline std::vector<UploadOutcome> PacedUploads(std::uint16_t port, const std::string& item,
                                               std::size_t count, std::chrono::milliseconds pause) {
    constexpr std::size_t kChunk = 8192;
    const std::string request = "POST /post/ HTTP/1.0\r\n" + item;
    struct Conn {
        int fd = -1;
        std::size_t sent = 0;
        bool done = false;
    };
    std::vector<Conn> conns(count);
    std::vector<UploadOutcome> outcomes(count);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(port);
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    for (std::size_t i = 0; i < count; ++i) {
        conns[i].fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        outcomes[i].connected =
            ::connect(conns[i].fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0;
        conns[i].done = !outcomes[i].connected;
    }
    // Send: one chunk per connection per round, a pause between rounds.
    for (bool more = true; more;) {
        more = false;
        for (Conn& c : conns) {
            if (c.done || c.sent >= request.size()) {
                continue;
            }
            const std::size_t n = std::min(kChunk, request.size() - c.sent);
            std::size_t off = 0;
            while (off < n) {
                const ssize_t w =
                    ::send(c.fd, request.data() + c.sent + off, n - off, MSG_NOSIGNAL);
                if (w <= 0) {
                    c.done = true;
                    break;
                }
                off += static_cast<std::size_t>(w);
            }
            c.sent += off;
            more = more || (!c.done && c.sent < request.size());
        }
        if (more) {
            std::this_thread::sleep_for(pause);  // Murmel's pacing, not a wait for an event
        }
    }
    // Read every answer until the server closes.
    std::vector<pollfd> fds;
    for (Conn& c : conns) {
        fds.push_back({c.fd, static_cast<short>(c.done ? 0 : POLLIN), 0});
    }
    std::size_t open = 0;
    for (const Conn& c : conns) {
        open += c.done ? 0 : 1;
    }
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(120);
    while (open > 0 && std::chrono::steady_clock::now() < deadline) {
        if (::poll(fds.data(), fds.size(), 1000) <= 0) {
            continue;
        }
        for (std::size_t i = 0; i < fds.size(); ++i) {
            if (fds[i].events == 0 || fds[i].revents == 0) {
                continue;
            }
            char buf[4096];
            const ssize_t r = ::recv(fds[i].fd, buf, sizeof buf, 0);
            if (r > 0) {
                outcomes[i].answer.append(buf, static_cast<std::size_t>(r));
            } else {
                fds[i].events = 0;
                --open;
            }
        }
    }
    for (Conn& c : conns) {
        ::close(c.fd);
    }
    return outcomes;
}

}  // namespace murmel::relay::test
