#pragma once
// The engine's error numbers: the socket-layer codes (10004-11004) that POSIX
// errno and resolver results are translated into, and the engine's own codes
// with their fixed messages.

#include <string>

namespace fetchwire {

// Socket-layer codes the engine itself tests for.
inline constexpr int kWsaEINTR = 10004;
inline constexpr int kWsaEWOULDBLOCK = 10035;
inline constexpr int kWsaEINPROGRESS = 10036;
inline constexpr int kWsaENOTSOCK = 10038;
inline constexpr int kWsaENOTCONN = 10057;
inline constexpr int kWsaESHUTDOWN = 10058;
inline constexpr int kWsaECONNRESET = 10054;
inline constexpr int kWsaECONNREFUSED = 10061;
inline constexpr int kWsaNOTINITIALISED = 10093;
inline constexpr int kWsaHOST_NOT_FOUND = 11001;

// The engine's own result codes.
inline constexpr int kOk = 0;
inline constexpr int kErrRemotePortBusy = 20101;
inline constexpr int kErrRemoteHostBusy = 20102;
inline constexpr int kErrAddressInvalid = 20103;
inline constexpr int kErrAlreadyConnected = 20105;
inline constexpr int kErrLocalPortBusy = 20107;
inline constexpr int kErrPortZero = 20117;
inline constexpr int kErrBadStatus = 20152;
inline constexpr int kErrNoServer = 20153;
inline constexpr int kErrBadScheme = 20154;
// The server closed without sending a single byte.
inline constexpr int kErrNoResponse = 20155;
inline constexpr int kErrOutOfMemory = 20201;
inline constexpr int kErrInterrupted = 20302;
inline constexpr int kErrAttachedFile = 20303;

// Socket-layer code for a POSIX errno value; every errno the socket calls can
// give maps somewhere, unknown ones to 10022 (invalid argument).
int WsaFromErrno(int err);

// Socket-layer code (11001-11004) for a getaddrinfo() result.
int WsaFromResolver(int gaiResult);

// The fixed message of an engine code; empty for codes without one.
std::string EngineMessage(int code);

}  // namespace fetchwire
