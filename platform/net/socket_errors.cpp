#include "net/socket_errors.h"

#include "base/code_text.h"
#include "net/posix_socket.h"

#include <netdb.h>

#include <cerrno>

namespace vantry::net {
namespace {

// The classic socket error numbers (before the offset) and their texts.
constexpr CodeText kTexts[] = {
    {10004, "Interrupted system call"},
    {10009, "Bad file number"},
    {10013, "Permission denied"},
    {10014, "Bad address"},
    {10022, "Invalid argument"},
    {10024, "Too many open sockets"},
    {10035, "Operation would block"},
    {10036, "Operation now in progress"},
    {10037, "Operation already in progress"},
    {10038, "Socket operation on non-socket"},
    {10039, "Destination address required"},
    {10040, "Message too long"},
    {10041, "Protocol wrong type for socket"},
    {10042, "Bad protocol option"},
    {10043, "Protocol not supported"},
    {10044, "Socket type not supported"},
    {10045, "Operation not supported on socket"},
    {10046, "Protocol family not supported"},
    {10047, "Address family not supported by protocol family"},
    {10048, "Address already in use"},
    {10049, "Can't assign requested address"},
    {10050, "Network is down"},
    {10051, "Network is unreachable"},
    {10052, "Net connection reset"},
    {10053, "Software caused connection abort"},
    {10054, "Connection reset by peer"},
    {10055, "No buffer space available"},
    {10056, "Socket is already connected"},
    {10057, "Socket is not connected"},
    {10058, "Can't send after socket shutdown"},
    {10059, "Too many references"},
    {10060, "Connection timed out"},
    {10061, "Connection refused"},
    {10062, "Too many levels of symbolic links"},
    {10063, "File name too long"},
    {10064, "Host is down"},
    {10065, "No route to host"},
    {10091, "Network subsystem is unavailable"},
    {11001, "Host not found"},
    {11002, "Non-authoritative host not found, try again"},
    {11003, "Non-recoverable name server error"},
    {11004, "Valid name, no data record of requested type"},
};

}  // namespace

int CodeForErrno(int err) {
    // Writing into a connection the peer has dropped reads as a reset here.
    const int classic = err == EPIPE ? 10054 : SocketErrorNumber(err);
    return classic == 0 ? kErrOther : classic + kCodeOffset;
}

int CodeForLookupError(int gaiError) {
    if (gaiError == 0) {
        return 0;
    }
    if (gaiError == EAI_SYSTEM) {
        return CodeForErrno(errno);
    }
    const int classic = LookupErrorNumber(gaiError);
    return classic == 0 ? kErrOther : classic + kCodeOffset;
}

QString DescriptionForCode(int code) {
    const char* text = TextForCode(kTexts, code - kCodeOffset, "Unexpected socket error");
    return QStringLiteral("[%1] %2").arg(code).arg(QLatin1String(text));
}

SocketError MakeError(int code) {
    if (code == 0) {
        return {};
    }
    return SocketError{code, DescriptionForCode(code)};
}

}  // namespace vantry::net
