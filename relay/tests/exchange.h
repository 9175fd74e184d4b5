#pragma once
// A raw client for byte-exact requests on loopback.

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdint>
#include <string>

namespace murmel::relay::test {

// Sends raw bytes on one connection, closes the sending side and returns the answer.
inline std::string Exchange(std::uint16_t port, const std::string& bytes, bool halfClose = true) {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(port);
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) {
        ::close(fd);
        return "connect failed";
    }
    std::size_t sent = 0;
    while (sent < bytes.size()) {
        const ssize_t n = ::send(fd, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
        if (n <= 0) {
            break;
        }
        sent += static_cast<std::size_t>(n);
    }
    if (!halfClose) {
        ::close(fd);  // as Murmel does after its last chunk
        return {};
    }
    ::shutdown(fd, SHUT_WR);
    std::string answer;
    char buf[4096];
    for (;;) {
        const ssize_t n = ::recv(fd, buf, sizeof buf, 0);
        if (n <= 0) {
            break;
        }
        answer.append(buf, static_cast<std::size_t>(n));
    }
    ::close(fd);
    return answer;
}

}  // namespace murmel::relay::test
