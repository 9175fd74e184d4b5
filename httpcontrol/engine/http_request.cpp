#include "engine/http_request.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "base/regular_file.h"
#include "engine/wsa_errors.h"

namespace fetchwire {

namespace {

constexpr const char* kCantOpenAttached = "Can't open attached file for reading.";
constexpr const char* kCantReadFile = "Can't open file for reading.";

}  // namespace

// Hands the reader's findings to the host's upcalls.
class HttpRequest::ReaderSink : public ResponseSink {
public:
    explicit ReaderSink(HttpRequest& owner) : owner_(owner) {}
    void OnRawMode() override { owner_.channel_.SetEndOfLine({}); }
    void OnHeader(const std::string& field, const std::string& value) override {
        owner_.OnHeader(field, value);
    }
    void OnStartOfBody() override { owner_.OnStartOfBody(); }
    void OnBodyData(uint32_t total, std::string_view piece) override {
        owner_.OnBodyData(total, piece);
    }

private:
    HttpRequest& owner_;
};

// What the channel reports: arriving data goes to the reader, the rest to
// the host.
class HttpRequest::ChannelEvents : public ChannelSink {
public:
    explicit ChannelEvents(HttpRequest& owner) : owner_(owner) {}
    void OnError(int code, const std::string& text) override { owner_.OnError(code, text); }
    void OnConnected(int result) override { owner_.OnConnected(result); }
    void OnDataIn(std::string_view data, bool /*wholeLine*/) override { owner_.OnDataIn(data); }
    void OnEndOfData() override { owner_.OnEndOfBody(); }
    void OnDisconnected(int result) override { owner_.OnDisconnected(result); }

private:
    HttpRequest& owner_;
};

HttpRequest::HttpRequest() : events_(std::make_unique<ChannelEvents>(*this)), channel_(*events_) {}

HttpRequest::~HttpRequest() = default;

int HttpRequest::SetURL(std::string_view url) {
    fields_.SetURL(url);
    return kOk;
}

int HttpRequest::SetUser(std::string_view user) {
    fields_.SetUser(user);
    return kOk;
}

int HttpRequest::SetPassword(std::string_view password) {
    fields_.SetPassword(password);
    return kOk;
}

int HttpRequest::ResetHeaders() {
    fields_.ResetHeaders();
    return kOk;
}

std::string HttpRequest::MessageFor(int code) const {
    switch (code) {
        case kErrBadStatus:
        case kErrAttachedFile:
            return channel_.LastMessage();
        default:
            return EngineMessage(code);
    }
}

void HttpRequest::OnDataIn(std::string_view data) {
    ReaderSink sink(*this);
    reader_.OnData(data, sink);
}

int HttpRequest::Run(std::string_view method, bool post) {
    // A request started from one of the running request's own events must
    // be refused before it touches that request's parser, status or socket.
    if (running_ || HasSocket()) {
        return kErrRemoteHostBusy;
    }
    const AliveToken alive = channel_.Alive();
    running_ = true;
    struct Running {
        const AliveToken& alive;
        bool& flag;
        ~Running() {
            if (*alive) {
                flag = false;
            }
        }
    } running{alive, running_};
    const uint64_t interrupts = channel_.InterruptCount();
    channel_.ClearLastMessage();
    int rc = Perform(method, post);
    if (!*alive) {
        return kErrInterrupted;
    }
    if (fields_.statusLine.empty() && reader_.HasStatusLine()) {
        fields_.statusLine = reader_.StatusLine();
    }
    if (rc != kOk && channel_.InterruptCount() != interrupts) {
        // Whatever failed after an interrupt failed because of it.
        rc = kErrInterrupted;
    }
    if (rc != kOk && HasSocket()) {
        // A request that failed half-way must not leave its connection
        // open: the server would wait for the rest and the next request
        // would find the channel busy.
        channel_.Disconnect();
        if (!*alive) {
            return rc;
        }
    }
    return rc;
}

int HttpRequest::Perform(std::string_view method, bool post) {
    const AliveToken alive = channel_.Alive();
    fields_.statusLine.clear();
    channel_.SetEndOfLine("\r\n");
    reader_.Reset();
    channel_.SetAcceptData(false);
    if (fields_.urlServer.empty()) {
        return kErrNoServer;
    }
    std::string host;
    uint16_t port = 0;
    if (!fields_.proxyServer.empty()) {
        host = fields_.proxyServer;
        port = fields_.proxyPort;
    } else {
        if (fields_.urlScheme != "http") {
            return kErrBadScheme;
        }
        host = fields_.urlServer;
        port = fields_.urlPort;
    }
    int rc = channel_.SetRemoteHost(host);
    if (rc == kOk) {
        rc = channel_.SetRemotePort(port);
    }
    if (rc == kOk) {
        rc = channel_.Connect();
    }
    if (rc != kOk) {
        return rc;
    }
    rc = channel_.WaitConnected();
    if (!*alive || rc != kOk) {
        return rc;
    }

    std::string head = fields_.RequestHead(method);
    if (!post) {
        head += "\r\n";
        channel_.SetAcceptData(true);
        rc = channel_.SendAll(head);
    } else {
        head += fields_.ContentTypeHeader();
        // Closed however the upload ends.
        vantry::FileDescriptor file;
        uint64_t fileSize = 0;
        if (!fields_.attachedFile.empty()) {
            // Opened once, so the length sent is the length of what follows;
            // a FIFO or device is refused without waiting on it.
            file = vantry::OpenRegularFile(fields_.attachedFile);
            struct stat st {};
            if (!file.valid() || ::fstat(file.get(), &st) != 0) {
                channel_.SetLastMessage(kCantOpenAttached);
                return kErrAttachedFile;
            }
            fileSize = static_cast<uint64_t>(st.st_size);
        }
        rc = SendBody(head, file.get(), fileSize);
    }
    if (!*alive) {
        return kErrInterrupted;
    }
    if (rc != kOk) {
        // The server may have answered and hung up before taking the whole
        // request; its answer says more than the failed send.
        if (reader_.HasStatusLine() && CheckStatus() != kOk) {
            return kErrBadStatus;
        }
        return rc;
    }
    rc = channel_.WaitClosed();
    if (!*alive || rc != kOk) {
        return rc;
    }
    // A close before the first byte is a failed request, not an empty
    // success.
    return reader_.HasStatusLine() ? CheckStatus() : kErrNoResponse;
}

int HttpRequest::SendBody(const std::string& head, int fileFd, uint64_t fileSize) {
    const AliveToken alive = channel_.Alive();
    const std::string& data = fields_.postData;
    const uint64_t length = data.size() + fileSize;
    channel_.SetAcceptData(true);
    int rc =
        channel_.SendAll(head + "Content-Length: " + std::to_string(length) + "\r\n\r\n" + data);
    if (rc != kOk || fileFd < 0) {
        return rc;
    }
    char piece[kFilePiece];
    uint64_t sent = data.size();
    uint64_t left = fileSize;
    while (left > 0) {
        const ssize_t n = ::read(fileFd, piece, std::min<uint64_t>(left, sizeof piece));
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            // Unreadable, or shorter now than the length already announced.
            channel_.SetLastMessage(kCantReadFile);
            return kErrAttachedFile;
        }
        rc = channel_.SendAll(std::string_view(piece, static_cast<std::size_t>(n)));
        if (rc != kOk) {
            return rc;
        }
        left -= static_cast<uint64_t>(n);
        sent += static_cast<uint64_t>(n);
        OnPostProgress(sent);
        if (!*alive) {
            return kErrInterrupted;
        }
        // The kernel may take the whole file without a wait; a turn of the
        // loop per piece lets an early answer arrive and the host's timers
        // run.
        rc = channel_.TakeTurn();
        if (!*alive || rc != kOk) {
            return rc;
        }
        if (reader_.HasStatusLine() && CheckStatus() != kOk) {
            return kErrBadStatus;
        }
    }
    return kOk;
}

int HttpRequest::CheckStatus() {
    if (!reader_.HasStatusLine()) {
        return kOk;
    }
    fields_.statusLine = reader_.StatusLine();
    std::string reason;
    if (ResponseReader::StatusIsSuccess(fields_.statusLine, &reason)) {
        return kOk;
    }
    channel_.SetLastMessage(reason);
    return kErrBadStatus;
}

}  // namespace fetchwire
