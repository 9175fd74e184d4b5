#include "smtp/smtp_client.h"

#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/utsname.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <ctime>
#include <utility>

#include <openssl/evp.h>

#include "base/regular_file.h"
#include "pop3/pop3_client.h"
#include "smtp/smtp_message.h"

namespace corvy::smtp {
namespace {

// One poll slice; the progress window pumps events at least this often.
constexpr std::chrono::milliseconds kSlice{10};
constexpr std::size_t kMaxHost = 255;
constexpr std::size_t kMaxMailer = 99;
constexpr std::size_t kPlainPiece = 1024;
constexpr std::size_t kAttachedPiece = 4096;
constexpr const char* kEndData = "\r\n.\r\n";

std::string Base64(std::string_view bytes) {
    std::string out(4 * ((bytes.size() + 2) / 3) + 1, '\0');
    const int n = EVP_EncodeBlock(reinterpret_cast<unsigned char*>(out.data()),
                                  reinterpret_cast<const unsigned char*>(bytes.data()),
                                  static_cast<int>(bytes.size()));
    out.resize(static_cast<std::size_t>(n));
    return out;
}

}  // namespace

std::string CSmtpClient::ErrorText(int code) const {
    std::string text = SmtpErrorText(code, errorReply_);
    const std::string& detail = code == kTlsFailed || code == kCertificateRefused ? tlsDetail_
                                : code == kAuthFailed                             ? errorReply_
                                                                                  : std::string();
    if (!detail.empty()) {
        text += "\n" + detail;
    }
    return text;
}

CSmtpClient::CSmtpClient(const std::string& host, const std::string& mailer, int& code,
                         SmtpProgress& progress, SmtpOptions options)
    : progress_(progress), options_(options) {
    if (host.empty() || host.size() > kMaxHost) {
        code = kInvalidMailHost;
        return;
    }
    host_ = host;
    mailer_ = mailer.substr(0, kMaxMailer);
    boundary_ = "-------BoUnDaRy----" + std::to_string(static_cast<long long>(std::time(nullptr))) +
                "-----";
    code = Connect();
}

CSmtpClient::~CSmtpClient() = default;

void CSmtpClient::Close() {
    socket_.Close();
}

std::string CSmtpClient::LocalName() {
    char name[256] = {};
    if (::gethostname(name, sizeof name - 1) == 0 && name[0] != '\0') {
        return BareAddress(name);
    }
    utsname system{};
    if (::uname(&system) == 0 && system.nodename[0] != '\0') {
        return BareAddress(system.nodename);
    }
    return {};
}

int CSmtpClient::Connect() {
    socket_.fd.Reset(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
    if (!socket_.fd.valid()) {
        return kInvalidSocket;
    }
    localName_ = LocalName();
    if (localName_.empty()) {
        return kLocalHostNameFailed;
    }
    // An unresolved name must not become 0.0.0.0, which Linux takes as this
    // machine.
    const uint32_t address = pop3::ResolveHost(host_);
    if (address == 0) {
        Close();
        return kConnectFailed;
    }
    sockaddr_in sa{};
    sa.sin_family = AF_INET;
    sa.sin_port = htons(options_.port);
    sa.sin_addr.s_addr = address;
    if (::connect(socket_.fd.get(), reinterpret_cast<sockaddr*>(&sa), sizeof sa) != 0) {
        if (errno != EINPROGRESS) {
            Close();
            return kConnectFailed;
        }
        for (int empty = 0;;) {
            const Wait w = WaitFor(POLLOUT, options_.sendWait);
            if (w == Wait::Ready) {
                break;
            }
            if (w == Wait::Failed || ++empty >= options_.maxWaits) {
                Close();
                return kConnectFailed;
            }
            if (progress_.CheckCancelButton()) {
                Close();
                return kUserCanceled;
            }
        }
        int error = 0;
        socklen_t len = sizeof error;
        if (::getsockopt(socket_.fd.get(), SOL_SOCKET, SO_ERROR, &error, &len) != 0 || error != 0) {
            Close();
            return kConnectFailed;
        }
    }
    if (options_.security == pop3::Security::Tls) {
        if (const int code = StartTls(); code != kSuccess) {
            return code;
        }
    }
    return ReadReply();
}

int CSmtpClient::StartTls() {
    if (!inbox_.empty()) {
        // Clear text behind the go-ahead would pass as if it came secured.
        tlsDetail_ = "The server sent data before the secure connection began.";
        Close();
        return kTlsFailed;
    }
    socket_.tls =
        std::make_unique<pop3::TlsSession>(socket_.fd.get(), host_, options_.pinnedFingerprint);
    for (int empty = 0;;) {
        short events = POLLIN;
        switch (socket_.tls->Handshake()) {
            case pop3::TlsSession::Step::Done:
                fingerprint_ = socket_.tls->Fingerprint();
                return kSuccess;
            case pop3::TlsSession::Step::WantRead:
                break;
            case pop3::TlsSession::Step::WantWrite:
                events = POLLOUT;
                break;
            case pop3::TlsSession::Step::Closed:
            case pop3::TlsSession::Step::Failed:
                return socket_.AbandonHandshake(fingerprint_, tlsDetail_) ? kCertificateRefused
                                                                          : kTlsFailed;
        }
        const Wait w = WaitFor(events, options_.readWait);
        if (w == Wait::Failed) {
            tlsDetail_ = "The connection to " + host_ + " broke during the secure handshake.";
            Close();
            return kTlsFailed;
        }
        if (w == Wait::Empty) {
            if (const int code = AfterEmptyWait(++empty); code != kSuccess) {
                return code;
            }
        }
    }
}

int CSmtpClient::Ehlo(int failCode, std::string& capabilities) {
    const int code = Command("EHLO " + localName_ + "\r\n", failCode);
    if (code == kSuccess) {
        capabilities = reader_.Text();
    }
    return code;
}

int CSmtpClient::Greet(int failCode) {
    const std::string helo = "HELO " + localName_ + "\r\n";
    const bool signIn = !options_.user.empty();
    if (options_.security == pop3::Security::None && !signIn) {
        return Command(helo, failCode);
    }
    if (signIn && options_.security == pop3::Security::None) {
        Close();
        return kAuthNeedsTls;
    }
    std::string capabilities;
    int code = Ehlo(failCode, capabilities);
    if (code == failCode) {
        // A server without extensions can neither switch to TLS nor sign in.
        if (options_.security == pop3::Security::StartTls && !socket_.tls) {
            Close();
            return kTlsNotOffered;
        }
        code = Command(helo, failCode);
        if (code == kSuccess && signIn) {
            errorReply_ = "The server offers no sign-in.";
            Close();
            return kAuthFailed;
        }
        return code;
    }
    if (code != kSuccess) {
        return code;
    }
    if (options_.security == pop3::Security::StartTls && !socket_.tls) {
        std::string unused;
        if (!FindSmtpExtension(capabilities, "STARTTLS", unused)) {
            Close();
            return kTlsNotOffered;
        }
        code = Command("STARTTLS\r\n", kTlsFailed);
        if (code == kTlsFailed) {
            tlsDetail_ = errorReply_;
            Close();
        }
        if (code == kSuccess) {
            code = StartTls();
        }
        if (code == kSuccess) {
            // What was said in clear text is forgotten.
            code = Ehlo(failCode, capabilities);
        }
        if (code != kSuccess) {
            return code;
        }
    }
    return signIn ? Authenticate(capabilities) : kSuccess;
}

int CSmtpClient::Authenticate(const std::string& capabilities) {
    std::string mechanisms;
    FindSmtpExtension(capabilities, "AUTH", mechanisms);
    const auto expect = [this](const std::string& text, const char* status) {
        const int code = Command(text, kAuthFailed);
        if (code == kSuccess && reader_.Text().rfind(status, 0) != 0) {
            errorReply_ = reader_.Text();
            return static_cast<int>(kAuthFailed);
        }
        return code;
    };
    if (HasSmtpWord(mechanisms, "PLAIN")) {
        return expect(
            "AUTH PLAIN " + Base64('\0' + options_.user + '\0' + options_.password) + "\r\n",
            "235");
    }
    if (HasSmtpWord(mechanisms, "LOGIN")) {
        int code = expect("AUTH LOGIN\r\n", "334");
        if (code == kSuccess) {
            code = expect(Base64(options_.user) + "\r\n", "334");
        }
        return code == kSuccess ? expect(Base64(options_.password) + "\r\n", "235") : code;
    }
    errorReply_ = "The server offers no sign-in this program knows (PLAIN, LOGIN).";
    Close();
    return kAuthFailed;
}

long CSmtpClient::Transfer(char* in, std::size_t capacity, std::string_view out, short& events) {
    std::size_t done = 0;
    const pop3::TlsSession::Step step = in != nullptr
                                            ? socket_.tls->Read(in, capacity, done)
                                            : socket_.tls->Write(out.data(), out.size(), done);
    switch (step) {
        case pop3::TlsSession::Step::Done:
            return static_cast<long>(done);
        case pop3::TlsSession::Step::WantRead:
            events = POLLIN;
            return -1;
        case pop3::TlsSession::Step::WantWrite:
            events = POLLOUT;
            return -1;
        case pop3::TlsSession::Step::Closed:
            return 0;
        case pop3::TlsSession::Step::Failed:
            break;
    }
    return -2;
}

CSmtpClient::Wait CSmtpClient::WaitFor(short events, std::chrono::milliseconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    for (;;) {
        if (!socket_.fd.valid()) {
            return Wait::Failed;
        }
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        pollfd p{socket_.fd.get(), events, 0};
        const int n = ::poll(&p, 1, static_cast<int>(std::clamp(left, {}, kSlice).count()));
        if (n > 0) {
            // A closed or reset peer shows as readable; recv or send reports it.
            return Wait::Ready;
        }
        if (n < 0 && errno != EINTR) {
            return Wait::Failed;
        }
        if (progress_.Pump() || std::chrono::steady_clock::now() >= deadline) {
            return Wait::Empty;
        }
    }
}

int CSmtpClient::AfterEmptyWait(int waits) {
    if (progress_.CheckCancelButton()) {
        Close();  // the conversation is out of step now
        return kUserCanceled;
    }
    if (waits >= options_.maxWaits) {
        Close();
        return kTimedOut;
    }
    return kSuccess;
}

int CSmtpClient::WaitToSend(short events, int& empty, bool& ready) {
    const Wait w = WaitFor(events, options_.sendWait);
    ready = w == Wait::Ready;
    if (w == Wait::Failed) {
        Close();
        return kSendFailed;
    }
    return w == Wait::Empty ? AfterEmptyWait(++empty) : kSuccess;
}

int CSmtpClient::SendText(std::string_view text) {
    int empty = 0;
    short events = POLLOUT;
    while (socket_.tls && !text.empty()) {
        const long n = Transfer(nullptr, 0, text, events);
        if (n > 0) {
            text.remove_prefix(static_cast<std::size_t>(n));
            continue;
        }
        if (n != -1) {
            Close();
            return kSendFailed;
        }
        bool ready = false;
        if (const int code = WaitToSend(events, empty, ready); code != kSuccess) {
            return code;
        }
    }
    while (!text.empty()) {
        bool ready = false;
        if (const int code = WaitToSend(POLLOUT, empty, ready); code != kSuccess) {
            return code;
        }
        if (!ready) {
            continue;
        }
        const ssize_t n =
            ::send(socket_.fd.get(), text.data(), text.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)) {
            continue;
        }
        if (n <= 0) {
            Close();
            return kSendFailed;
        }
        text.remove_prefix(static_cast<std::size_t>(n));
    }
    return kSuccess;
}

int CSmtpClient::ReadReply() {
    reader_.Reset();
    inbox_.erase(0, reader_.Feed(inbox_));
    for (int waits = 0; !reader_.Complete();) {
        short events = POLLIN;
        if (socket_.tls) {
            // Decrypted bytes may wait inside the session with nothing on
            // the socket, so the session is asked before any poll.
            char chunk[4096];
            const long n = Transfer(chunk, sizeof chunk, {}, events);
            if (n > 0) {
                const std::string_view got(chunk, static_cast<std::size_t>(n));
                inbox_.append(got.substr(reader_.Feed(got)));
                continue;
            }
            if (n != -1) {
                Close();
                return kReceiveFailed;
            }
        }
        const Wait w = WaitFor(events, options_.readWait);
        ++waits;
        if (w == Wait::Failed) {
            Close();
            return kReceiveFailed;
        }
        if (w == Wait::Empty) {
            if (const int code = AfterEmptyWait(waits); code != kSuccess) {
                return code;
            }
            continue;
        }
        if (socket_.tls) {
            continue;
        }
        char chunk[4096];
        const ssize_t n = ::recv(socket_.fd.get(), chunk, sizeof chunk, MSG_DONTWAIT);
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)) {
            continue;
        }
        if (n <= 0) {
            Close();
            return kReceiveFailed;
        }
        const std::string_view got(chunk, static_cast<std::size_t>(n));
        const std::size_t used = reader_.Feed(got);
        inbox_.append(got.substr(used));
    }
    if (reader_.Result() != kSuccess) {
        errorReply_ = reader_.Text();
    }
    return reader_.Result();
}

int CSmtpClient::Command(const std::string& text, int failCode) {
    if (const int sent = SendText(text); sent != kSuccess) {
        return sent;
    }
    const int reply = ReadReply();
    return reply == kServerError ? failCode : reply;
}

int CSmtpClient::EndCancelled() {
    if (const int sent = SendText(kEndData); sent != kSuccess) {
        return sent;
    }
    ReadReply();
    return kUserCanceled;
}

namespace {

// The first of body, recipient and sender that is missing, as its code.
int MissingPart(const std::string& address, const std::string& recipient, const std::string& body) {
    if (body.empty()) {
        return kNoContent;
    }
    if (recipient.empty()) {
        return kNoDestination;
    }
    if (address.empty()) {
        return kNoReplyTo;
    }
    return kSuccess;
}

}  // namespace

int CSmtpClient::SendMail(const std::string& address, const std::string& name,
                          const std::string& subject, const std::string& recipient,
                          const std::string& body) {
    if (const int code = MissingPart(address, recipient, body); code != kSuccess) {
        return code;
    }
    const std::string from = BareAddress(address);
    const std::string to = BareAddress(recipient);
    if (const int code = Greet(kServerError); code != kSuccess) {
        return code;
    }
    for (const std::string& command :
         {"MAIL FROM:<" + from + ">\r\n", "RCPT TO:<" + to + ">\r\n", std::string("DATA\r\n")}) {
        if (const int code = Command(command, kServerError); code != kSuccess) {
            return code;
        }
    }
    const bool utf8 = !IsAscii(body);
    const MessageHeader header{address, name, subject, recipient, mailer_, {}, utf8};
    if (const int code = SendText(HeaderBlock(header, DateLineNow()) + "\r\n"); code != kSuccess) {
        return code;
    }
    const std::string wire = WireText(body, utf8);
    bool cancelled = false;
    if (wire.size() > kPlainPiece) {
        for (std::size_t at = 0; at < wire.size(); at += kPlainPiece) {
            if (progress_.CheckCancelButton()) {
                cancelled = true;
                break;
            }
            const int code = SendText(std::string_view(wire).substr(at, kPlainPiece));
            if (code != kSuccess) {
                return code;
            }
        }
    } else if (const int code = SendText(wire); code != kSuccess) {
        return code;
    }
    if (const int code = SendText(kEndData); code != kSuccess) {
        return code;
    }
    const int reply = ReadReply();
    return cancelled ? kUserCanceled : reply;
}

int CSmtpClient::SendMailWithAttachment(const std::string& address, const std::string& name,
                                        const std::string& subject, const std::string& recipient,
                                        const std::string& body, const std::string& path) {
    const std::string fileName = AttachmentName(path);
    if (const int code = MissingPart(address, recipient, body); code != kSuccess) {
        return code;
    }
    vantry::FileDescriptor file = vantry::OpenRegularFile(path);
    struct stat info {};
    if (!file.valid() || ::fstat(file.get(), &info) != 0) {
        return kAttachmentOpenFailed;
    }
    const std::string from = BareAddress(address);
    const std::string to = BareAddress(recipient);
    if (const int code = Greet(kHeloFailed); code != kSuccess) {
        return code;
    }
    if (progress_.CheckCancelButton()) {
        return kUserCanceled;
    }
    const std::pair<std::string, int> commands[] = {
        {"MAIL FROM:<" + from + ">\r\n", kMailFromFailed},
        {"RCPT TO:<" + to + ">\r\n", kRcptToFailed},
        {"DATA\r\n", kDataFailed},
    };
    for (const auto& [command, failCode] : commands) {
        if (const int code = Command(command, failCode); code != kSuccess) {
            return code;
        }
        if (progress_.CheckCancelButton()) {
            // Once DATA is accepted, only the final dot gets the server back.
            return failCode == kDataFailed ? EndCancelled() : kUserCanceled;
        }
    }
    const bool utf8 = !IsAscii(body);
    const MessageHeader header{address, name, subject, recipient, mailer_, boundary_, utf8};
    // Each step of the DATA phase may be cancelled; the message then ends early.
    const std::string wire = WireText(body, utf8);
    const std::string steps[] = {
        HeaderBlock(header, DateLineNow()) + "\r\n",
        "--" + boundary_ + "\r\n" + TextPartType(utf8, "Content-type") + "\r\n",
    };
    for (const std::string& step : steps) {
        if (const int code = SendText(step); code != kSuccess) {
            return code;
        }
        if (progress_.CheckCancelButton()) {
            return EndCancelled();
        }
    }
    for (std::size_t at = 0; at < wire.size(); at += kAttachedPiece) {
        if (const int code = SendText(std::string_view(wire).substr(at, kAttachedPiece));
            code != kSuccess) {
            return code;
        }
    }
    if (const int code = SendText("\r\n"); code != kSuccess) {
        return code;
    }
    if (progress_.CheckCancelButton()) {
        return EndCancelled();
    }
    const std::string part =
        "--" + boundary_ + "\r\nContent-Type: application/octet-stream; name=\"" + fileName +
        "\"\r\nContent-Transfer-Encoding: base64\r\nContent-Description: " + fileName +
        "\r\nContent-Disposition: attachment; filename=\"" + fileName + "\"\r\n\r\n";
    if (const int code = SendText(part); code != kSuccess) {
        return code;
    }
    return SendAttachment(file.get(), static_cast<long long>(info.st_size));
}

int CSmtpClient::SendAttachment(int fd, long long size) {
    progress_.SetRange(0, static_cast<int>(std::min<long long>(size / 100, INT_MAX)));
    progress_.SetStep(1);
    progress_.SetPos(0);
    uint8_t buffer[3 * 1366];
    std::size_t have = 0;
    std::size_t at = 0;
    long long read = 0;
    bool end = false;
    Base64Lines lines;
    for (;;) {
        if (have - at < 3 && !end) {
            std::copy(buffer + at, buffer + have, buffer);
            have -= at;
            at = 0;
            const ssize_t n = ::read(fd, buffer + have, sizeof buffer - have);
            if (n < 0 && errno == EINTR) {
                continue;
            }
            if (n < 0) {
                // A cut attachment must not be delivered as if it were whole;
                // leaving without the final dot makes the server drop it.
                Close();
                return kAttachmentOpenFailed;
            }
            end = n == 0;
            have += static_cast<std::size_t>(n);
            continue;
        }
        const std::size_t group = std::min<std::size_t>(3, have - at);
        if (group == 0) {
            break;
        }
        if (progress_.CheckCancelButton()) {
            return EndCancelled();
        }
        for (std::size_t i = 0; i < group; ++i) {
            if (++read % 100 == 0) {
                progress_.StepIt();
            }
        }
        if (group < 3) {
            lines.PutTail(buffer + at, group);
            break;
        }
        if (lines.PutGroup(buffer + at)) {
            std::string line(lines.Line());
            line += "\r\n";
            lines.Clear();
            if (const int code = SendText(line); code != kSuccess) {
                return code;
            }
        }
        at += 3;
    }
    std::string tail(lines.Line());
    tail += "\r\n\r\n--" + boundary_ + "--\r\n" + kEndData;
    if (const int code = SendText(tail); code != kSuccess) {
        return code;
    }
    return ReadReply();
}

int CSmtpClient::Quit() {
    if (!socket_.fd.valid()) {
        return kSendFailed;
    }
    const int code = Command("QUIT\r\n", kServerError);
    Close();
    return code;
}

}  // namespace corvy::smtp
