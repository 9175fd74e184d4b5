#pragma once
// A real POP3 server for the tests: Dovecot started from a private
// configuration on a free loopback port, passwd-file users and one Maildir
// per user in a temporary folder. Messages are delivered by writing files.

#include <string>
#include <vector>

namespace corvy::pop3::testing {

class DovecotServer {
public:
    struct User {
        std::string name;
        std::string password;
    };

    // With a certificate the server requires TLS: STLS on Port() and
    // implicit TLS on TlsPort().
    struct Certificate {
        std::string certFile;
        std::string keyFile;
    };

    explicit DovecotServer(std::vector<User> users, Certificate tls = {});
    ~DovecotServer();
    DovecotServer(const DovecotServer&) = delete;
    DovecotServer& operator=(const DovecotServer&) = delete;

    // False (with Error() telling why) when the server did not come up.
    bool Running() const { return pid_ > 0; }
    const std::string& Error() const { return error_; }
    int Port() const { return port_; }
    int TlsPort() const { return tlsPort_; }

    // Drops one message into the user's Maildir (newest last).
    void Deliver(const std::string& user, const std::string& message);
    // Messages the server still keeps for the user (new and cur).
    int StoredCount(const std::string& user) const;
    // Removes every message of the user.
    void Clear(const std::string& user);

private:
    std::string MailDir(const std::string& user) const;

    std::string root_;
    std::string error_;
    int port_ = 0;
    int tlsPort_ = 0;
    int pid_ = -1;
    int uid_ = -1;
    int gid_ = -1;
    unsigned serial_ = 0;
};

}  // namespace corvy::pop3::testing
