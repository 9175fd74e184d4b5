#include "unreachable_server.h"
#include "loopback.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <stdexcept>

namespace corvy::pop3::testing {

UnreachableServer::UnreachableServer() {
    // Backlog 0 holds one finished connection; the filler takes that place.
    std::uint16_t port = 0;
    listenFd_.Reset(vantry::test::ListenOnLoopback(0, &port));
    port_ = port;
    sockaddr_in sa{};
    sa.sin_family = AF_INET;
    sa.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    sa.sin_port = htons(port);
    fillerFd_.Reset(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
    if (!fillerFd_.valid() ||
        ::connect(fillerFd_.get(), reinterpret_cast<sockaddr*>(&sa), sizeof sa) != 0) {
        throw std::runtime_error("unreachable server: cannot fill the accept queue");
    }
}

UnreachableServer::~UnreachableServer() = default;

}  // namespace corvy::pop3::testing
