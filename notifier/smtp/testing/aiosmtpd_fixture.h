#pragma once
// A real SMTP server for the tests: aiosmtpd under Debian's Python on a free
// loopback port, storing each message it accepts as a file, and Python's
// email package to read those files back.

#include <map>
#include <string>
#include <vector>

namespace corvy::smtp::testing {

// One stored message as Python's email package reads it.
struct ParsedMessage {
    std::map<std::string, std::string> headers;  // decoded values, plus From-name, From-addr
    std::string raw;                             // the bytes as stored
    std::string body;                            // the text part, decoded
    std::vector<std::string> attachmentNames;
    std::vector<std::string> attachments;  // decoded bytes, in order
    int defects = -1;
};

class AiosmtpdServer {
public:
    // A submission server: "starttls" or "tls" with the certificate, and
    // signing in required when a user is given.
    struct Submission {
        std::string mode = "plain";
        std::string certFile;
        std::string keyFile;
        std::string user;
        std::string password;
        bool loginOnly = false;  // AUTH LOGIN but no AUTH PLAIN
    };

    AiosmtpdServer() : AiosmtpdServer(Submission{}) {}
    explicit AiosmtpdServer(const Submission& submission);
    ~AiosmtpdServer();
    AiosmtpdServer(const AiosmtpdServer&) = delete;
    AiosmtpdServer& operator=(const AiosmtpdServer&) = delete;

    bool Running() const { return port_ > 0; }
    const std::string& Error() const { return error_; }
    int Port() const { return port_; }

    // The n-th accepted message (1 first), or defects -1 when there is none.
    ParsedMessage Message(int n) const;
    std::string Envelope(int n) const;  // MAIL FROM and RCPT TO lines

private:
    std::string dir_;
    std::string error_;
    int port_ = 0;
    int pid_ = -1;
};

}  // namespace corvy::smtp::testing
