#include "net/posix_socket.h"

#include <cerrno>
#include <cstring>
#include <iterator>

namespace vantry::net {
namespace {

struct ErrnoRow {
    int err;
    int number;
};

constexpr ErrnoRow kErrnoNumbers[] = {
    {EINTR, 10004},
    {EBADF, 10009},
    {EACCES, 10013},
    {EPERM, 10013},
    {EFAULT, 10014},
    {EINVAL, 10022},
    {EMFILE, 10024},
    {ENFILE, 10024},
    {EWOULDBLOCK, 10035},
    {EINPROGRESS, 10036},
    {EALREADY, 10037},
    {ENOTSOCK, 10038},
    {EDESTADDRREQ, 10039},
    {EMSGSIZE, 10040},
    {EPROTOTYPE, 10041},
    {ENOPROTOOPT, 10042},
    {EPROTONOSUPPORT, 10043},
    {ESOCKTNOSUPPORT, 10044},
    {EOPNOTSUPP, 10045},
    {EPFNOSUPPORT, 10046},
    {EAFNOSUPPORT, 10047},
    {EADDRINUSE, 10048},
    {EADDRNOTAVAIL, 10049},
    {ENETDOWN, 10050},
    {ENETUNREACH, 10051},
    {ENETRESET, 10052},
    {ECONNABORTED, 10053},
    {ECONNRESET, 10054},
    {ENOBUFS, 10055},
    {ENOMEM, 10055},
    {EISCONN, 10056},
    {ENOTCONN, 10057},
    {ESHUTDOWN, 10058},
    // Sending after the peer has gone: the connection is shut for sending.
    {EPIPE, 10058},
    {ETOOMANYREFS, 10059},
    {ETIMEDOUT, 10060},
    {ECONNREFUSED, 10061},
    {ELOOP, 10062},
    {ENAMETOOLONG, 10063},
    {EHOSTDOWN, 10064},
    {EHOSTUNREACH, 10065},
    {ENOTEMPTY, 10066},
    {EUSERS, 10068},
    {EDQUOT, 10069},
    {ESTALE, 10070},
    {EREMOTE, 10071},
};

}  // namespace

int SocketErrorNumber(int err) {
    for (const ErrnoRow& row : kErrnoNumbers) {
        if (row.err == err) {
            return row.number;
        }
    }
    return 0;
}

int LookupErrorNumber(int gaiResult) {
    switch (gaiResult) {
        case EAI_NONAME:
            return 11001;
        case EAI_AGAIN:
            return 11002;
        case EAI_FAIL:
            return 11003;
#ifdef EAI_NODATA
        case EAI_NODATA:
#endif
#ifdef EAI_ADDRFAMILY
        case EAI_ADDRFAMILY:
#endif
            return 11004;
        case EAI_MEMORY:
            return 10055;
        case EAI_SYSTEM:
            return SocketErrorNumber(errno);
        default:
            return 0;
    }
}

int Resolve(const std::string& host, uint16_t port, const LookupOptions& options,
            std::vector<Endpoint>* out, const SocketCalls& calls) {
    out->clear();
    addrinfo hints{};
    hints.ai_family = options.family;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = AI_NUMERICSERV | (options.numericOnly ? AI_NUMERICHOST : 0);
    const std::string service = std::to_string(port);
    addrinfo* found = nullptr;
    const int rc = calls.getaddrinfo(host.c_str(), service.c_str(), &hints, &found);
    if (rc != 0) {
        return rc;
    }
    for (const addrinfo* a = found; a != nullptr; a = a->ai_next) {
        if (a->ai_addr == nullptr || a->ai_addrlen > sizeof(sockaddr_storage) ||
            (a->ai_family != AF_INET && a->ai_family != AF_INET6)) {
            continue;
        }
        Endpoint e;
        std::memcpy(&e.address, a->ai_addr, a->ai_addrlen);
        e.length = a->ai_addrlen;
        out->push_back(e);
    }
    calls.freeaddrinfo(found);
    return 0;
}

bool StartConnect(int fd, const sockaddr* to, socklen_t length, const SocketCalls& calls) {
    return calls.connect(fd, to, length) == 0 || errno == EINPROGRESS;
}

bool StartConnect(int fd, const Endpoint& to, const SocketCalls& calls) {
    return StartConnect(fd, to.Address(), to.length, calls);
}

int ConnectResult(int fd, const SocketCalls& calls) {
    int err = 0;
    socklen_t len = sizeof err;
    if (calls.getsockopt(fd, SOL_SOCKET, SO_ERROR, &err, &len) != 0) {
        return -1;
    }
    return err;
}

}  // namespace vantry::net
