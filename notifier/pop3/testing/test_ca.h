#pragma once
// A certificate authority for the TLS tests, made with the openssl command
// line in a temporary folder: server certificates it signs (current or long
// expired) and self-signed ones.

#include <string>

#include "test_env.h"

namespace corvy::pop3::testing {

struct IssuedCertificate {
    std::string certFile;
    std::string keyFile;
};

class TestCertificateAuthority {
public:
    explicit TestCertificateAuthority(const std::string& name);
    ~TestCertificateAuthority();
    TestCertificateAuthority(const TestCertificateAuthority&) = delete;
    TestCertificateAuthority& operator=(const TestCertificateAuthority&) = delete;

    bool Ok() const { return error_.empty(); }
    const std::string& Error() const { return error_; }
    std::string CaFile() const { return dir_ + "/ca.pem"; }

    // A server certificate for `dnsName`; `expired` makes one that ran out
    // years ago. Empty files on failure (see Error()).
    IssuedCertificate Issue(const std::string& file, const std::string& dnsName,
                            bool expired = false);
    // A certificate signed by its own key, as small servers use.
    IssuedCertificate SelfSigned(const std::string& file, const std::string& dnsName);

private:
    bool Run(const std::string& command);

    std::string dir_;
    std::string error_;
};

// An authority the client trusts as it trusts the system's store, for as long
// as it lives: SSL_CERT_FILE names its certificate meanwhile.
class TrustedTestAuthority : public TestCertificateAuthority {
public:
    explicit TrustedTestAuthority(const std::string& name)
        : TestCertificateAuthority(name), trust_("SSL_CERT_FILE", CaFile().c_str()) {}

private:
    vantry::test::ScopedEnv trust_;
};

}  // namespace corvy::pop3::testing
