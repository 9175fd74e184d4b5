#pragma once
// TLS over a connected non-blocking socket with OpenSSL. Every call does as
// much as it can without blocking and says what it waits for; the owner
// polls the descriptor with its own event pumping, Cancel and time-outs and
// calls again. The peer's certificate is checked against the system's trust
// store and the host name once the handshake is through, before any of the
// caller's bytes travel; a certificate that fails is accepted only when its
// SHA-256 fingerprint equals the one the account pinned.

#include <cstddef>
#include <memory>
#include <string>

#include "base/regular_file.h"

namespace corvy::pop3 {

// How an account's connection is protected.
enum class Security : int {
    None = 0,      // clear text from the start
    StartTls = 1,  // clear greeting, then STLS / STARTTLS, refused if not offered
    Tls = 2,       // TLS from the first byte (POP3S, SMTPS)
};

// The port that goes with each choice.
int DefaultPop3Port(Security security);
int DefaultSmtpPort(Security security);

class TlsSession {
public:
    enum class Step {
        Done,       // the call finished
        WantRead,   // call again when the socket is readable
        WantWrite,  // call again when the socket is writable
        Closed,     // the peer ended the stream
        Failed,     // see Error(); nothing more goes over this session
    };

    // `host` is checked against the certificate (a name or a dotted address);
    // `pinnedSha256` is empty or a fingerprint as Fingerprint() writes it.
    TlsSession(int fd, std::string host, std::string pinnedSha256);
    ~TlsSession();
    TlsSession(const TlsSession&) = delete;
    TlsSession& operator=(const TlsSession&) = delete;

    Step Handshake();
    Step Read(char* buffer, std::size_t capacity, std::size_t& got);
    Step Write(const char* data, std::size_t size, std::size_t& put);
    // Sends close_notify if it goes out at once; never waits.
    void Shutdown();

    // Why the session failed: who presented what and why it was refused.
    const std::string& Error() const { return error_; }
    // The failure was the certificate, not the transport or the protocol.
    bool CertificateRefused() const { return certificateRefused_; }
    // SHA-256 of the server's certificate, "AB:CD:..", once it was seen.
    const std::string& Fingerprint() const { return fingerprint_; }

private:
    Step Map(int result, const char* what);
    bool CheckPeer();
    // One read or write over the established session: `call` makes the
    // OpenSSL call and stores the bytes it moved.
    template <typename Call>
    Step Transfer(const char* what, std::size_t& moved, Call call);

    struct State;
    std::unique_ptr<State> state_;
    std::string host_;
    std::string pin_;
    std::string error_;
    std::string fingerprint_;
    bool certificateRefused_ = false;
    bool established_ = false;
};

// A mail client's connection: the socket, and the TLS session over it once
// there is one. Closing sends close_notify first where a session is up.
struct SecuredSocket {
    vantry::FileDescriptor fd;
    std::unique_ptr<TlsSession> tls;

    ~SecuredSocket() { Close(); }
    void Close();
    // After a failed handshake: keeps what the session saw of the server,
    // drops it without close_notify (it was never trusted) and closes the
    // socket. True when the certificate was the cause.
    bool AbandonHandshake(std::string& fingerprint, std::string& detail);
};

// Normalises a fingerprint typed or pasted by the user: hex digits in upper
// case in colon-separated pairs; empty when it is not 32 bytes of hex.
std::string NormalizeFingerprint(const std::string& text);

}  // namespace corvy::pop3
