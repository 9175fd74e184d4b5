#include "wsa_errors.h"

#include <netdb.h>

#include <cerrno>
#include <iterator>

namespace fetchwire {

namespace {

struct ErrnoRow {
    int err;
    int wsa;
};

// The one place where POSIX errors become socket-layer codes.
constexpr ErrnoRow kErrnoTable[] = {
    {EINTR, 10004},        {EBADF, 10009},           {EACCES, 10013},
    {EPERM, 10013},        {EFAULT, 10014},          {EINVAL, 10022},
    {EMFILE, 10024},       {ENFILE, 10024},          {EWOULDBLOCK, 10035},
    {EINPROGRESS, 10036},  {EALREADY, 10037},        {ENOTSOCK, 10038},
    {EDESTADDRREQ, 10039}, {EMSGSIZE, 10040},        {EPROTOTYPE, 10041},
    {ENOPROTOOPT, 10042},  {EPROTONOSUPPORT, 10043}, {ESOCKTNOSUPPORT, 10044},
    {EOPNOTSUPP, 10045},   {EPFNOSUPPORT, 10046},    {EAFNOSUPPORT, 10047},
    {EADDRINUSE, 10048},   {EADDRNOTAVAIL, 10049},   {ENETDOWN, 10050},
    {ENETUNREACH, 10051},  {ENETRESET, 10052},       {ECONNABORTED, 10053},
    {ECONNRESET, 10054},   {ENOBUFS, 10055},         {ENOMEM, 10055},
    {EISCONN, 10056},      {ENOTCONN, 10057},        {EPIPE, 10058},
    {ESHUTDOWN, 10058},    {ETOOMANYREFS, 10059},    {ETIMEDOUT, 10060},
    {ECONNREFUSED, 10061}, {ELOOP, 10062},           {ENAMETOOLONG, 10063},
    {EHOSTDOWN, 10064},    {EHOSTUNREACH, 10065},    {ENOTEMPTY, 10066},
    {EUSERS, 10068},       {EDQUOT, 10069},          {ESTALE, 10070},
    {EREMOTE, 10071},
};

}  // namespace

int WsaFromErrno(int err) {
    for (const auto& row : kErrnoTable) {
        if (row.err == err) {
            return row.wsa;
        }
    }
    return 10022;
}

int WsaFromResolver(int gaiResult) {
    switch (gaiResult) {
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
            return WsaFromErrno(errno);
        default:
            return 11001;
    }
}

std::string EngineMessage(int code) {
    switch (code) {
        case kErrRemotePortBusy:
            return "You cannot change the RemotePort at this time. A connection is in progress.";
        case kErrRemoteHostBusy:
            return "You cannot change the RemoteHost at this time. A connection is in progress.";
        case kErrAddressInvalid:
            return "The RemoteHost address is invalid (0.0.0.0).";
        case kErrAlreadyConnected:
            return "Already connected. If you want to reconnect, close the current connection "
                   "first.";
        case kErrLocalPortBusy:
            return "You cannot change the LocalPort at this time. A connection is in progress.";
        case kErrPortZero:
            return "RemotePort can't be zero. Please specify a valid service port number.";
        case kErrNoServer:
            return "No server specified in URL";
        case kErrBadScheme:
            return "Specified URLScheme is invalid.";
        case kErrNoResponse:
            return "The server closed the connection without sending a response.";
        case kErrOutOfMemory:
            return "Out of memory.";
        case kErrInterrupted:
            return "Interrupted.";
        case kErrAttachedFile:
            return "Can't open attached file for reading.";
        default:
            return {};
    }
}

}  // namespace fetchwire
