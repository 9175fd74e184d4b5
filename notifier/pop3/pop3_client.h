#pragma once
// One POP3 conversation: logs in while it is constructed, offers one
// operation per command, and says QUIT when destroyed. Every operation
// returns a result code (pop3_reply.h); ErrorText turns it into text.

#include <chrono>
#include <cstddef>
#include <string>
#include <string_view>

#include "pop3/client_socket.h"
#include "pop3/pop3_progress.h"
#include "pop3/pop3_reply.h"

namespace corvy::pop3 {

struct Pop3Options {
    // Bound on the connection attempt (then code 5) and on the wait for
    // each reply line (then code 12).
    std::chrono::milliseconds connectTimeout{30000};
    std::chrono::milliseconds readTimeout{60000};
    // TLS for accounts that ask for it; the certificate fingerprint the
    // user accepted for a server the trust store does not vouch for.
    Security security = Security::None;
    std::string pinnedFingerprint;
};

class CPop3Client {
public:
    static constexpr std::size_t kMaxHost = 256;
    static constexpr std::size_t kMaxCredential = 255;

    // `code` receives the outcome of connecting and logging in; the object
    // must be destroyed in any case. `progress` may be null.
    CPop3Client(std::string_view host, std::string_view user, std::string_view password, int port,
                int& code, Pop3Progress* progress, const Pop3Options& options = {});
    ~CPop3Client();
    CPop3Client(const CPop3Client&) = delete;
    CPop3Client& operator=(const CPop3Client&) = delete;

    int Stat(int& code);
    int Top(int n, char* buffer, std::size_t capacity);
    int TopLines(int n, char* buffer, std::size_t capacity, int lines);
    int Dele(int n);
    int Uidl(int n, char* buffer, std::size_t capacity);
    int List(int n, int& code);

    // Codes 16 and 17 carry the reason on a second line.
    std::string ErrorText(int code) const;
    // The server certificate's SHA-256 once the handshake saw it, also when
    // it was refused (for the user to accept it).
    std::string PeerFingerprint() const { return socket_.PeerFingerprint(); }
    const std::string& LastReply() const { return lastReply_; }

private:
    int Login();
    int SecureAfterGreeting();
    int Secure();
    int ConnectToHost();
    int SendCommand(const std::string& command);
    int ReadReply();
    int ReadMultiLine(char* buffer, std::size_t capacity);

    std::string lastReply_;
    CClientSocket socket_;
    Pop3Progress* progress_ = nullptr;
    int port_ = 0;
    std::string host_;
    std::string user_;
    std::string password_;
    Security security_ = Security::None;
    std::string pin_;
    std::string tlsDetail_;
};

// Resolves a host as the client does: empty gives 0, a dotted address is
// taken as it is, otherwise the first IPv4 address of a look-up, 0 when the
// look-up fails. Network byte order.
uint32_t ResolveHost(const std::string& host);

}  // namespace corvy::pop3
