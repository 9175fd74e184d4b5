#pragma once
// Sends one short message through an SMTP server on a plain socket: plain
// text, or two MIME parts with one file in base64. Every wait polls the
// socket in short slices, lets the progress window pump events, and asks it
// for Cancel after each empty wait; nothing blocks the interface.

// clang-format off
//   int code = 0;
//   CSmtpClient smtp(host, "Corvy v3.1a", code, progress);
//   if (code == 0) code = smtp.SendMail(from, name, subject, to, text);
//   const int quit = smtp.Quit();
//   if (code == 0) code = quit;
// clang-format on

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "base/regular_file.h"
#include "pop3/tls_session.h"
#include "smtp/smtp_progress.h"
#include "smtp/smtp_reply.h"

namespace corvy::smtp {

struct SmtpOptions {
    uint16_t port = 25;
    // One wait for the socket to take data, and one for a reply to arrive;
    // the sender gives up after this many empty waits.
    std::chrono::milliseconds sendWait{5000};
    std::chrono::milliseconds readWait{2000};
    int maxWaits = 30;
    // TLS and signing in, for submission servers. An account that asks for
    // neither speaks HELO in clear text as ever.
    pop3::Security security = pop3::Security::None;
    std::string pinnedFingerprint;
    std::string user;
    std::string password;
};

class CSmtpClient {
public:
    // Checks the host, makes the boundary, connects and reads the greeting;
    // `code` is the result (0 when greeted).
    CSmtpClient(const std::string& host, const std::string& mailer, int& code,
                SmtpProgress& progress, SmtpOptions options = {});
    ~CSmtpClient();
    CSmtpClient(const CSmtpClient&) = delete;
    CSmtpClient& operator=(const CSmtpClient&) = delete;

    int SendMail(const std::string& address, const std::string& name, const std::string& subject,
                 const std::string& recipient, const std::string& body);
    int SendMailWithAttachment(const std::string& address, const std::string& name,
                               const std::string& subject, const std::string& recipient,
                               const std::string& body, const std::string& path);
    // Says goodbye and closes the connection.
    int Quit();
    // Codes 26 and 27 carry the reason on a second line.
    std::string ErrorText(int code) const;
    // The server certificate's SHA-256 once a handshake saw it.
    const std::string& PeerFingerprint() const { return fingerprint_; }

    const std::string& Boundary() const { return boundary_; }

    // The name sent with HELO; empty when the machine has none.
    static std::string LocalName();

private:
    enum class Wait { Ready, Empty, Failed };

    int Connect();
    // HELO, or EHLO with STARTTLS and AUTH for an account that needs them.
    int Greet(int failCode);
    int Ehlo(int failCode, std::string& capabilities);
    int StartTls();
    int Authenticate(const std::string& capabilities);
    // Bytes in or out through TLS or the plain socket: >0, 0 at the end of
    // the stream, -1 to wait for `events`, -2 on failure.
    long Transfer(char* in, std::size_t capacity, std::string_view out, short& events);
    Wait WaitFor(short events, std::chrono::milliseconds limit);
    // After a wait that brought nothing: a cancel, or the `waits`-th empty
    // wait, ends the conversation with its code; kSuccess waits on.
    int AfterEmptyWait(int waits);
    // One wait while sending; `ready` says the socket takes `events` now.
    int WaitToSend(short events, int& empty, bool& ready);
    int SendText(std::string_view text);
    int ReadReply();
    // Sends a command and reads its reply; a failed reply gives `failCode`.
    int Command(const std::string& text, int failCode);
    int SendAttachment(int fd, long long size);
    // Ends DATA early after a cancel and reads the reply.
    int EndCancelled();
    void Close();

    SmtpProgress& progress_;
    SmtpOptions options_;
    std::string host_;
    std::string mailer_;
    std::string boundary_;
    std::string localName_;
    std::string errorReply_;
    std::string inbox_;  // received bytes after the last reply
    SmtpReplyReader reader_;
    std::string fingerprint_;
    std::string tlsDetail_;
    pop3::SecuredSocket socket_;
};

}  // namespace corvy::smtp
