#pragma once
// Error numbers of the socket control: the classic socket error numbers plus 15001,
// so callers can use one table for every socket component of the program.

#include <QString>

namespace vantry::net {

struct SocketError {
    int code = 0;
    QString description;
    explicit operator bool() const { return code != 0; }
};

inline constexpr int kCodeOffset = 15001;
inline constexpr int kErrInvalidArgument = 10022 + kCodeOffset;   // 25023
inline constexpr int kErrAlreadyConnected = 10056 + kCodeOffset;  // 25057
inline constexpr int kErrNotConnected = 10057 + kCodeOffset;      // 25058
inline constexpr int kErrTimedOut = 10060 + kCodeOffset;          // 25061
inline constexpr int kErrRefused = 10061 + kCodeOffset;           // 25062
inline constexpr int kErrReset = 10054 + kCodeOffset;             // 25055
// A send the system cannot take yet; SendReady follows once it can.
inline constexpr int kErrWouldBlock = 10035 + kCodeOffset;  // 25036
// The connection ended while bytes were still waiting to be sent.
inline constexpr int kErrAborted = 10053 + kCodeOffset;              // 25054
inline constexpr int kErrAddressNotAvailable = 10049 + kCodeOffset;  // 25050
// Neither a host name nor a dotted address was given.
inline constexpr int kErrDestinationRequired = 10039 + kCodeOffset;  // 25040
inline constexpr int kErrHostNotFound = 11001 + kCodeOffset;         // 26002
inline constexpr int kErrTryAgain = 11002 + kCodeOffset;             // 26003
inline constexpr int kErrNoRecovery = 11003 + kCodeOffset;           // 26004
inline constexpr int kErrNoData = 11004 + kCodeOffset;               // 26005
// A system error that has no classic socket number.
inline constexpr int kErrOther = 25000;

// Code for an errno value.
int CodeForErrno(int err);
// Code for a getaddrinfo() result.
int CodeForLookupError(int gaiError);
// The description of a code: "[code] text".
QString DescriptionForCode(int code);
SocketError MakeError(int code);

}  // namespace vantry::net
