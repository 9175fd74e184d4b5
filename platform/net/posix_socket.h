#pragma once
// The POSIX socket steps every socket user of the tree shares: looking a
// host up, starting a non-blocking connect and reading its result, and the
// classic socket error numbers for errno and resolver results. Each user
// keeps its own texts and its own codes on top of these numbers.

#include <netdb.h>
#include <sys/socket.h>

#include <cstdint>
#include <string>
#include <vector>

namespace vantry::net {

// errno → classic socket error number (10004-10071); 0 when it has none.
int SocketErrorNumber(int err);
// A failed getaddrinfo() result → classic number (11001-11004, 10055, or
// errno's number for EAI_SYSTEM); 0 when none fits.
int LookupErrorNumber(int gaiResult);

// One address to connect to.
struct Endpoint {
    sockaddr_storage address{};
    socklen_t length = 0;
    int Family() const { return address.ss_family; }
    const sockaddr* Address() const { return reinterpret_cast<const sockaddr*>(&address); }
};

// The calls the steps make: the system's own unless a component routes its
// sockets through a socket layer it loads itself.
struct SocketCalls {
    int (*connect)(int, const sockaddr*, socklen_t) = &::connect;
    int (*getsockopt)(int, int, int, void*, socklen_t*) = &::getsockopt;
    int (*getaddrinfo)(const char*, const char*, const addrinfo*, addrinfo**) = &::getaddrinfo;
    void (*freeaddrinfo)(addrinfo*) = &::freeaddrinfo;
};

struct LookupOptions {
    int family = AF_UNSPEC;    // AF_INET for IPv4 only
    bool numericOnly = false;  // a dotted or colon address, never a name query
};

// Looks host up for a TCP connection to port: 0 with the IPv4 and IPv6
// endpoints found in *out (empty when there are none), or getaddrinfo()'s
// result.
int Resolve(const std::string& host, uint16_t port, const LookupOptions& options,
            std::vector<Endpoint>* out, const SocketCalls& calls = {});

// Starts connecting a non-blocking socket: true when the connect is under
// way or already through (the socket turns writable either way), false
// when it failed at once (errno, or the caller's socket layer, says why).
bool StartConnect(int fd, const Endpoint& to, const SocketCalls& calls = {});
bool StartConnect(int fd, const sockaddr* to, socklen_t length, const SocketCalls& calls = {});

// Once a connecting socket is writable: 0 when it connected, the connect's
// errno when it failed, or -1 when the result could not be read (errno, or
// the caller's socket layer, says why).
int ConnectResult(int fd, const SocketCalls& calls = {});

}  // namespace vantry::net
