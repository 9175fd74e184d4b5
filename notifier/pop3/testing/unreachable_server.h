#pragma once
// A loopback port whose listener never accepts and whose accept queue is
// already full, so the kernel drops every further SYN: to a client it looks
// like a server behind a firewall that swallows packets.

#include "base/regular_file.h"

namespace corvy::pop3::testing {

class UnreachableServer {
public:
    UnreachableServer();
    ~UnreachableServer();
    UnreachableServer(const UnreachableServer&) = delete;
    UnreachableServer& operator=(const UnreachableServer&) = delete;

    int Port() const { return port_; }

private:
    // Declared in this order so the filler closes before the listener.
    vantry::FileDescriptor listenFd_;
    vantry::FileDescriptor fillerFd_;
    int port_ = 0;
};

}  // namespace corvy::pop3::testing
