#include "engine/wsa_errors.h"

#include "net/posix_socket.h"

#include <netdb.h>

#include <cerrno>

namespace fetchwire {

int WsaFromErrno(int err) {
    const int number = vantry::net::SocketErrorNumber(err);
    return number != 0 ? number : 10022;
}

int WsaFromResolver(int gaiResult) {
    if (gaiResult == EAI_SYSTEM) {
        return WsaFromErrno(errno);
    }
    const int number = vantry::net::LookupErrorNumber(gaiResult);
    return number != 0 ? number : 11001;
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
