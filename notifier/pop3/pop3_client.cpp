#include "pop3_client.h"

#include <arpa/inet.h>
#include <netdb.h>

#include <cstdio>
#include <cstring>
#include <new>

namespace corvy::pop3 {
namespace {

// A value that carried CR or LF onto the command line would smuggle a
// second command to the server.
std::string CommandSafe(std::string_view value, std::size_t limit) {
    std::string out;
    for (char c : value) {
        if (c != '\r' && c != '\n' && out.size() < limit) {
            out.push_back(c);
        }
    }
    return out;
}

}  // namespace

uint32_t ResolveHost(const std::string& host) {
    if (host.empty()) {
        return 0;
    }
    const in_addr_t literal = ::inet_addr(host.c_str());
    if (literal != INADDR_NONE || host == "255.255.255.255") {
        return literal;
    }
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    if (::getaddrinfo(host.c_str(), nullptr, &hints, &found) != 0 || found == nullptr) {
        return 0;
    }
    const uint32_t address = reinterpret_cast<sockaddr_in*>(found->ai_addr)->sin_addr.s_addr;
    ::freeaddrinfo(found);
    return address;
}

CPop3Client::CPop3Client(std::string_view host, std::string_view user, std::string_view password,
                         int port, int& code, Pop3Progress* progress, const Pop3Options& options) {
    socket_.SetTimeouts(options.connectTimeout, options.readTimeout);
    if (port == 0) {
        code = kInvalidPort;
        return;
    }
    if (host.empty() || host.size() > kMaxHost) {
        code = kBadHostName;
        return;
    }
    port_ = port;
    host_.assign(host);
    security_ = options.security;
    pin_ = options.pinnedFingerprint;
    user_ = CommandSafe(user, kMaxCredential);
    password_ = CommandSafe(password, kMaxCredential);
    // Cancel stays off while connecting: the connection attempt is short
    // and a half-open socket would be left behind.
    if (progress != nullptr) {
        progress->EnableCancel(false);
    }
    code = ConnectToHost();
    if (code != kSuccess) {
        if (progress != nullptr) {
            progress->EnableCancel(true);
        }
        return;
    }
    progress_ = progress;
    socket_.SetProgress(progress);
    if (progress != nullptr) {
        progress->EnableCancel(true);
        progress->SetTitle("Logging into Host...");
    }
    code = Login();
}

CPop3Client::~CPop3Client() {
    if (!socket_.Cancelled() && socket_.Open()) {
        if (SendCommand("QUIT\r\n") == kSuccess) {
            ReadReply();
        }
    }
    socket_.Close();
}

int CPop3Client::ConnectToHost() {
    if (socket_.Create() != kSuccess) {
        return kInvalidSocket;
    }
    const uint32_t address = ResolveHost(host_);
    const int code = socket_.Connect(address, static_cast<uint16_t>(port_));
    if (code != kSuccess) {
        // A socket that never connected has nobody to say QUIT to; waiting
        // for a reply there would cost minutes on a server that drops SYNs.
        socket_.Close();
        // Exit while connecting is a cancel, which nobody reports as an error.
        return code == kUserCanceled ? kUserCanceled : kConnectFailed;
    }
    return kSuccess;
}

std::string CPop3Client::ErrorText(int code) const {
    std::string text = Pop3ErrorText(code, lastReply_);
    if ((code == kTlsFailed || code == kCertificateRefused) && !tlsDetail_.empty()) {
        text += "\n" + tlsDetail_;
    }
    return text;
}

int CPop3Client::Secure() {
    const int code = socket_.StartTls(host_, pin_, tlsDetail_);
    if (code != kSuccess) {
        socket_.Close();  // nothing more on a connection that is not trusted
    }
    return code;
}

// STLS only when the server lists it; a server that stopped listing it may
// be a man in the middle stripping it, so the account's credentials are
// never sent in clear instead.
int CPop3Client::SecureAfterGreeting() {
    int code = SendCommand("CAPA\r\n");
    if (code == kSuccess) {
        code = ReadReply();
    }
    bool offered = false;
    if (code == kSuccess) {
        std::string line;
        bool atLineStart = true;
        std::string_view data;
        for (;;) {
            code = socket_.ReadLine(line);
            if (code != kSuccess) {
                return code;
            }
            const bool started = atLineStart;
            atLineStart = !socket_.LineWasCut();
            if (ReadDataLine(line, started, data) == MultiLineStep::End) {
                break;
            }
            const std::string_view name = data.substr(0, data.find(' '));
            offered = offered || (started && name.size() == 4 && (name[0] | 0x20) == 's' &&
                                  (name[1] | 0x20) == 't' && (name[2] | 0x20) == 'l' &&
                                  (name[3] | 0x20) == 's');
        }
    } else if (code != kServerError) {
        return code;
    }
    if (!offered) {
        socket_.Close();
        return kTlsNotOffered;
    }
    code = SendCommand("STLS\r\n");
    if (code == kSuccess) {
        code = ReadReply();
    }
    if (code == kServerError) {
        tlsDetail_ = lastReply_;
        socket_.Close();
        return kTlsFailed;
    }
    return code == kSuccess ? Secure() : code;
}

int CPop3Client::Login() {
    int code = kSuccess;
    if (security_ == Security::Tls) {
        code = Secure();
        if (code != kSuccess) {
            return code;
        }
    }
    code = ReadReply();
    if (code != kSuccess) {
        return code;
    }
    if (security_ == Security::StartTls) {
        code = SecureAfterGreeting();
        if (code != kSuccess) {
            return code;
        }
    }
    code = SendCommand("USER " + user_ + "\r\n");
    if (code == kSuccess) {
        code = ReadReply();
    }
    if (code != kSuccess) {
        return code;
    }
    code = SendCommand("PASS " + password_ + "\r\n");
    return code == kSuccess ? ReadReply() : code;
}

int CPop3Client::SendCommand(const std::string& command) {
    if (socket_.Cancelled()) {
        return kUserCanceled;
    }
    socket_.Send(command);
    return kSuccess;
}

int CPop3Client::ReadReply() {
    if (socket_.Cancelled()) {
        return kUserCanceled;
    }
    try {
        std::string line;
        line.reserve(Pop3LineReader::kBufferSize);
        const int code = socket_.ReadLine(line);
        if (code != kSuccess) {
            return code;
        }
        lastReply_ = std::move(line);
    } catch (const std::bad_alloc&) {
        return kOutOfMemory;
    }
    return ReplyCode(lastReply_);
}

int CPop3Client::ReadMultiLine(char* buffer, std::size_t capacity) {
    std::size_t used = 0;
    std::string line;
    try {
        line.reserve(Pop3LineReader::kBufferSize);
    } catch (const std::bad_alloc&) {
        return kOutOfMemory;
    }
    bool atLineStart = true;
    std::string_view data;
    while (used + 1 < capacity) {
        if (socket_.Cancelled()) {
            return kUserCanceled;
        }
        const int code = socket_.ReadLine(line);
        if (code != kSuccess) {
            return code;
        }
        const bool started = atLineStart;
        atLineStart = !socket_.LineWasCut();
        if (ReadDataLine(line, started, data) == MultiLineStep::End) {
            return kSuccess;
        }
        if (used + data.size() + 2 + 1 > capacity) {
            break;  // full: the line does not fit with its CR LF and the zero
        }
        std::memcpy(buffer + used, data.data(), data.size());
        used += data.size();
        buffer[used++] = '\r';
        buffer[used++] = '\n';
        buffer[used] = '\0';
    }
    // Full before the end: drain the rest so the next command reads its own
    // reply. The drain ends where the read would, so neither a stuffed line
    // nor a cut long line can end it early. Its result is not reported.
    while (!socket_.Cancelled() && socket_.ReadLine(line) == kSuccess) {
        const bool started = atLineStart;
        atLineStart = !socket_.LineWasCut();
        if (ReadDataLine(line, started, data) == MultiLineStep::End) {
            break;
        }
    }
    return kSuccess;
}

int CPop3Client::Stat(int& code) {
    code = SendCommand("STAT\r\n");
    if (code == kSuccess) {
        code = ReadReply();
    }
    return code == kSuccess ? ParseStatCount(lastReply_) : 0;
}

int CPop3Client::Top(int n, char* buffer, std::size_t capacity) {
    if (capacity > 0) {
        buffer[0] = '\0';
    }
    int code = SendCommand("TOP " + std::to_string(n) + " 0\r\n");
    if (code == kSuccess) {
        code = ReadReply();
    }
    return code == kSuccess ? ReadMultiLine(buffer, capacity) : code;
}

int CPop3Client::TopLines(int n, char* buffer, std::size_t capacity, int lines) {
    if (capacity > 0) {
        buffer[0] = '\0';
    }
    int code = SendCommand("TOP " + std::to_string(n) + " " + std::to_string(lines) + "\r\n");
    if (code == kSuccess) {
        code = ReadReply();
    }
    return code == kSuccess ? ReadMultiLine(buffer, capacity) : code;
}

int CPop3Client::Dele(int n) {
    const int code = SendCommand("DELE " + std::to_string(n) + "\r\n");
    return code == kSuccess ? ReadReply() : code;
}

int CPop3Client::Uidl(int n, char* buffer, std::size_t capacity) {
    if (capacity > 0) {
        std::memset(buffer, 0, capacity);
    }
    int code = SendCommand("UIDL " + std::to_string(n) + "\r\n");
    if (code == kSuccess) {
        code = ReadReply();
    }
    if (code != kSuccess) {
        return code;
    }
    std::string uid;
    if (!ExtractUidl(lastReply_, n, uid)) {
        return kUnknownError;
    }
    if (capacity > 0) {
        const std::size_t len = uid.size() < capacity - 1 ? uid.size() : capacity - 1;
        std::memcpy(buffer, uid.data(), len);
        buffer[len] = '\0';
    }
    return kSuccess;
}

int CPop3Client::List(int n, int& code) {
    code = SendCommand("LIST " + std::to_string(n) + "\r\n");
    if (code == kSuccess) {
        code = ReadReply();
    }
    return code == kSuccess ? ParseListSize(lastReply_) : 0;
}

}  // namespace corvy::pop3
