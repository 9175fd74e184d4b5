#pragma once
// A loopback port whose listener never accepts and whose accept queue is
// already full, so the kernel drops every further SYN: to a client it looks
// like a server behind a firewall that swallows packets.

namespace corvy::pop3::testing {

class UnreachableServer {
public:
    UnreachableServer();
    ~UnreachableServer();
    UnreachableServer(const UnreachableServer&) = delete;
    UnreachableServer& operator=(const UnreachableServer&) = delete;

    int Port() const { return port_; }

private:
    int listenFd_ = -1;
    int fillerFd_ = -1;
    int port_ = 0;
};

}  // namespace corvy::pop3::testing
