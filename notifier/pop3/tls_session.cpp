#include "pop3/tls_session.h"

#include <arpa/inet.h>
#include <openssl/err.h>
#include <openssl/evp.h>
#include <openssl/ssl.h>
#include <openssl/x509.h>
#include <openssl/x509v3.h>
#include <signal.h>

#include "base/hex.h"

namespace corvy::pop3 {
namespace {

bool IsAddressLiteral(const std::string& host) {
    in_addr v4{};
    in6_addr v6{};
    return ::inet_pton(AF_INET, host.c_str(), &v4) == 1 ||
           ::inet_pton(AF_INET6, host.c_str(), &v6) == 1;
}

std::string NameLine(X509_NAME* name) {
    if (name == nullptr) {
        return "?";
    }
    char text[512] = {};
    X509_NAME_oneline(name, text, sizeof text);
    return text;
}

std::string OpenSslError() {
    const unsigned long e = ERR_get_error();
    ERR_clear_error();
    if (e == 0) {
        return {};
    }
    char text[256] = {};
    ERR_error_string_n(e, text, sizeof text);
    return text;
}

// A peer that closed makes the socket write raise SIGPIPE, which would end
// the program; it is held back on this thread while OpenSSL writes and
// dropped if it came, the write's error says the same.
class NoSigPipe {
public:
    NoSigPipe() {
        sigset_t pipe;
        sigemptyset(&pipe);
        sigaddset(&pipe, SIGPIPE);
        sigset_t pending;
        sigpending(&pending);
        wasPending_ = sigismember(&pending, SIGPIPE) == 1;
        pthread_sigmask(SIG_BLOCK, &pipe, &old_);
    }
    ~NoSigPipe() {
        sigset_t pending;
        sigpending(&pending);
        if (!wasPending_ && sigismember(&pending, SIGPIPE) == 1) {
            sigset_t pipe;
            sigemptyset(&pipe);
            sigaddset(&pipe, SIGPIPE);
            const timespec none{0, 0};
            sigtimedwait(&pipe, nullptr, &none);
        }
        pthread_sigmask(SIG_SETMASK, &old_, nullptr);
    }
    NoSigPipe(const NoSigPipe&) = delete;
    NoSigPipe& operator=(const NoSigPipe&) = delete;

private:
    sigset_t old_{};
    bool wasPending_ = false;
};

}  // namespace

int DefaultPop3Port(Security security) {
    return security == Security::Tls ? 995 : 110;
}

int DefaultSmtpPort(Security security) {
    switch (security) {
        case Security::Tls:
            return 465;
        case Security::StartTls:
            return 587;
        case Security::None:
            break;
    }
    return 25;
}

std::string NormalizeFingerprint(const std::string& text) {
    std::string digits;
    for (char c : text) {
        if (vantry::HexDigit(c) >= 0) {
            digits.push_back(static_cast<char>(c >= 'a' && c <= 'f' ? c - 'a' + 'A' : c));
        } else if (c != ':' && c != ' ' && c != '\t') {
            return {};
        }
    }
    if (digits.size() != 64) {
        return {};
    }
    std::string out;
    for (std::size_t i = 0; i < digits.size(); i += 2) {
        if (!out.empty()) {
            out.push_back(':');
        }
        out.append(digits, i, 2);
    }
    return out;
}

struct TlsSession::State {
    SSL_CTX* ctx = nullptr;
    SSL* ssl = nullptr;
    ~State() {
        SSL_free(ssl);
        SSL_CTX_free(ctx);
    }
};

TlsSession::TlsSession(int fd, std::string host, std::string pinnedSha256)
    : state_(std::make_unique<State>()),
      host_(std::move(host)),
      pin_(NormalizeFingerprint(pinnedSha256)) {
    state_->ctx = SSL_CTX_new(TLS_client_method());
    if (state_->ctx == nullptr) {
        error_ = "The secure connection could not be set up: " + OpenSslError();
        return;
    }
    SSL_CTX_set_min_proto_version(state_->ctx, TLS1_2_VERSION);
    SSL_CTX_set_default_verify_paths(state_->ctx);
    // The chain is judged after the handshake so that a pinned certificate
    // can still be let through; nothing of ours is sent before that.
    SSL_CTX_set_verify(state_->ctx, SSL_VERIFY_NONE, nullptr);
    state_->ssl = SSL_new(state_->ctx);
    if (state_->ssl == nullptr || SSL_set_fd(state_->ssl, fd) != 1) {
        error_ = "The secure connection could not be set up: " + OpenSslError();
        return;
    }
    SSL_set_mode(state_->ssl, SSL_MODE_ENABLE_PARTIAL_WRITE | SSL_MODE_ACCEPT_MOVING_WRITE_BUFFER);
    if (IsAddressLiteral(host_)) {
        X509_VERIFY_PARAM_set1_ip_asc(SSL_get0_param(state_->ssl), host_.c_str());
    } else {
        SSL_set_tlsext_host_name(state_->ssl, host_.c_str());
        SSL_set1_host(state_->ssl, host_.c_str());
    }
}

TlsSession::~TlsSession() = default;

TlsSession::Step TlsSession::Map(int result, const char* what) {
    if (result > 0) {
        return Step::Done;
    }
    switch (SSL_get_error(state_->ssl, result)) {
        case SSL_ERROR_WANT_READ:
            return Step::WantRead;
        case SSL_ERROR_WANT_WRITE:
            return Step::WantWrite;
        case SSL_ERROR_ZERO_RETURN:
            return Step::Closed;
        case SSL_ERROR_SYSCALL:
            if (established_) {
                // An unclean end of the stream after the handshake.
                ERR_clear_error();
                return Step::Closed;
            }
            [[fallthrough]];
        default:
            break;
    }
    const std::string detail = OpenSslError();
    error_ = std::string(what) + " with " + host_ + " failed" +
             (detail.empty() ? std::string(" (connection closed)") : ": " + detail);
    return Step::Failed;
}

TlsSession::Step TlsSession::Handshake() {
    if (state_->ssl == nullptr || !error_.empty()) {
        return Step::Failed;
    }
    if (established_) {
        return Step::Done;
    }
    ERR_clear_error();
    const NoSigPipe guard;
    const Step step = Map(SSL_connect(state_->ssl), "The secure handshake");
    if (step == Step::Closed) {
        error_ = "The secure handshake with " + host_ + " failed (connection closed)";
        return Step::Failed;
    }
    if (step != Step::Done) {
        return step;
    }
    if (!CheckPeer()) {
        certificateRefused_ = true;
        return Step::Failed;
    }
    established_ = true;
    return Step::Done;
}

bool TlsSession::CheckPeer() {
    X509* cert = SSL_get0_peer_certificate(state_->ssl);
    if (cert == nullptr) {
        error_ = "The server " + host_ + " presented no certificate.";
        return false;
    }
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    X509_digest(cert, EVP_sha256(), digest, &length);
    static constexpr char kHex[] = "0123456789ABCDEF";
    fingerprint_.clear();
    for (unsigned int i = 0; i < length; ++i) {
        if (i > 0) {
            fingerprint_.push_back(':');
        }
        fingerprint_.push_back(kHex[digest[i] >> 4]);
        fingerprint_.push_back(kHex[digest[i] & 15]);
    }
    const long verdict = SSL_get_verify_result(state_->ssl);
    if (verdict == X509_V_OK) {
        return true;
    }
    // The user's exception for this very certificate.
    if (!pin_.empty() && pin_ == fingerprint_) {
        return true;
    }
    error_ = "The certificate of " + host_ +
             " was refused: " + X509_verify_cert_error_string(verdict) +
             ".\nSubject: " + NameLine(X509_get_subject_name(cert)) +
             "\nIssuer: " + NameLine(X509_get_issuer_name(cert)) + "\nSHA-256: " + fingerprint_;
    if (!pin_.empty()) {
        error_ += "\nIt is not the certificate accepted for this account (" + pin_ + ").";
    }
    return false;
}

template <typename Call>
TlsSession::Step TlsSession::Transfer(const char* what, std::size_t& moved, Call call) {
    moved = 0;
    if (!established_) {
        return Step::Failed;
    }
    ERR_clear_error();
    std::size_t n = 0;
    const NoSigPipe guard;
    const Step step = Map(call(state_->ssl, &n), what);
    moved = n;
    return step;
}

TlsSession::Step TlsSession::Read(char* buffer, std::size_t capacity, std::size_t& got) {
    return Transfer("Reading", got, [&](SSL* ssl, std::size_t* n) {
        return SSL_read_ex(ssl, buffer, capacity, n);
    });
}

TlsSession::Step TlsSession::Write(const char* data, std::size_t size, std::size_t& put) {
    return Transfer("Sending", put,
                    [&](SSL* ssl, std::size_t* n) { return SSL_write_ex(ssl, data, size, n); });
}

void SecuredSocket::Close() {
    if (tls) {
        tls->Shutdown();
        tls.reset();
    }
    fd.Reset();
}

bool SecuredSocket::AbandonHandshake(std::string& fingerprint, std::string& detail) {
    fingerprint = tls->Fingerprint();
    detail = tls->Error();
    const bool refused = tls->CertificateRefused();
    tls.reset();
    Close();
    return refused;
}

void TlsSession::Shutdown() {
    if (established_ && state_->ssl != nullptr) {
        ERR_clear_error();
        const NoSigPipe guard;
        SSL_shutdown(state_->ssl);
        ERR_clear_error();
        established_ = false;
    }
}

}  // namespace corvy::pop3
