#include "core/http_server.h"

#include <arpa/inet.h>
#include <microhttpd.h>
#include <netinet/in.h>
#include <unistd.h>

#include <charconv>
#include <cstring>
#include <ctime>

#include "base/hex.h"
#include "base/integer.h"
#include "core/ad_store.h"
#include "core/archive.h"
#include "core/header_part.h"

namespace murmel::relay {

namespace {

constexpr std::string_view kUploadPath = "/post/";
constexpr std::size_t kPostBufferSize = 16 * 1024;

std::string ClientAddress(MHD_Connection* connection) {
    const MHD_ConnectionInfo* info =
        MHD_get_connection_info(connection, MHD_CONNECTION_INFO_CLIENT_ADDRESS);
    if (info == nullptr || info->client_addr == nullptr) {
        return "?";
    }
    char text[INET6_ADDRSTRLEN] = "?";
    const sockaddr* sa = info->client_addr;
    if (sa->sa_family == AF_INET) {
        inet_ntop(AF_INET, &reinterpret_cast<const sockaddr_in*>(sa)->sin_addr, text, sizeof text);
    } else if (sa->sa_family == AF_INET6) {
        inet_ntop(AF_INET6, &reinterpret_cast<const sockaddr_in6*>(sa)->sin6_addr, text,
                  sizeof text);
    }
    return text;
}

MHD_Result Reply(MHD_Connection* connection, unsigned status, const std::string& text) {
    const std::string body = text + "\r\n";
    MHD_Response* response = MHD_create_response_from_buffer(
        body.size(), const_cast<char*>(body.data()), MHD_RESPMEM_MUST_COPY);
    if (response == nullptr) {
        return MHD_NO;
    }
    MHD_add_response_header(response, MHD_HTTP_HEADER_CONTENT_TYPE, "text/plain; charset=utf-8");
    const MHD_Result queued = MHD_queue_response(connection, status, response);
    MHD_destroy_response(response);
    return queued;
}

}  // namespace

// One request from its first callback to its completion.
struct HttpServer::Request {
    HttpServer* server = nullptr;
    std::string client;
    std::int64_t received = 0;
    MHD_PostProcessor* post = nullptr;
    std::string header;
    bool headerParsed = false;
    std::string from, recipients;  // for the address check and the log
    std::unique_ptr<SpoolWriter> writer;
    std::uint64_t archiveOffset = 0;
    unsigned failStatus = 0;
    std::string failReason;

    ~Request() {
        if (post != nullptr) {
            MHD_destroy_post_processor(post);
        }
    }

    void Fail(unsigned status, std::string reason) {
        if (failStatus == 0) {
            failStatus = status;
            failReason = std::move(reason);
            writer.reset();  // nothing more reaches the disk
        }
    }

    // The header part is complete once the archive starts; it is checked
    // before a byte of the archive is stored.
    bool StartArchive() {
        const ServerLimits& limits = server->limits();
        HeaderPartResult parsed = ParseHeaderPart(header, limits.maxRecipients);
        headerParsed = true;
        if (!parsed.part) {
            Fail(MHD_HTTP_BAD_REQUEST, parsed.error);
            return false;
        }
        from = parsed.part->from;
        recipients = parsed.part->to;
        if (!parsed.part->cc.empty()) {
            recipients += ", " + parsed.part->cc;
        }
        if (Gate* gate = server->gate()) {
            const std::string refused = gate->CheckAddresses(from, recipients);
            if (!refused.empty()) {
                Fail(MHD_HTTP_FORBIDDEN, refused);
                return false;
            }
        }
        std::string error;
        writer = server->spool().Begin(header, received, client, &error);
        if (!writer) {
            Fail(MHD_HTTP_INTERNAL_SERVER_ERROR, error);
            return false;
        }
        archiveOffset = writer->size();
        return true;
    }

    MHD_Result Part(const char* key, const char* data, std::size_t size) {
        if (failStatus != 0) {
            return MHD_NO;
        }
        const std::string_view name = key != nullptr ? key : "";
        if (name == "header") {
            if (headerParsed) {
                Fail(MHD_HTTP_BAD_REQUEST, "header part after the recording");
                return MHD_NO;
            }
            if (header.size() + size > server->limits().maxHeaderBytes) {
                Fail(MHD_HTTP_CONTENT_TOO_LARGE, "header part too large");
                return MHD_NO;
            }
            header.append(data, size);
            return MHD_YES;
        }
        if (name == "body") {
            if (!headerParsed && !StartArchive()) {
                return MHD_NO;
            }
            if (size > 0 && !writer->Write(std::string_view(data, size))) {
                Fail(MHD_HTTP_INTERNAL_SERVER_ERROR, "cannot write spool file");
                return MHD_NO;
            }
            return MHD_YES;
        }
        Fail(MHD_HTTP_BAD_REQUEST, "unexpected form part");
        return MHD_NO;
    }

    // The whole body is in: check it and make it durable, then answer.
    MHD_Result Finish(MHD_Connection* connection) {
        if (failStatus == 0) {
            const MHD_Result complete = MHD_destroy_post_processor(post);
            post = nullptr;
            if (complete == MHD_NO) {
                Fail(MHD_HTTP_BAD_REQUEST, "incomplete multipart body");
            } else if (!writer) {
                Fail(MHD_HTTP_BAD_REQUEST,
                     headerParsed || !header.empty() ? "no recording part" : "no header part");
            }
        }
        if (failStatus == 0) {
            // The line end before the closing delimiter belongs to the archive part's data.
            char tail[2] = {};
            const std::uint64_t end = writer->size();
            if (end >= archiveOffset + 2 &&
                ::pread(writer->fd().get(), tail, 2, static_cast<off_t>(end - 2)) == 2 &&
                tail[0] == '\r' && tail[1] == '\n') {
                writer->DropTail(2);
            }
            std::string error;
            const ArchiveRegion region{writer->tempPath(), archiveOffset,
                                       writer->size() - archiveOffset};
            if (!ReadWaveEntry(region, server->limits().maxWaveBytes, {}, &error)) {
                Fail(MHD_HTTP_BAD_REQUEST, error);
            } else if (!server->spool().Commit(*writer, &error)) {
                Fail(MHD_HTTP_INTERNAL_SERVER_ERROR, error);
            }
        }
        if (failStatus != 0) {
            server->log().Event("refused", "",
                                "client=" + client + " status=" + std::to_string(failStatus) +
                                    " reason=" + failReason);
            return Reply(connection, failStatus, failReason);
        }
        const std::string id = writer->id();
        server->log().Event("spooled", id,
                            "client=" + client + " from=" + from + " to=" + recipients +
                                " bytes=" + std::to_string(writer->size()));
        writer.reset();
        server->NotifyQueued();
        return Reply(connection, MHD_HTTP_OK, "accepted " + id);
    }
};

namespace {

MHD_Result IteratePost(void* cls, MHD_ValueKind /*kind*/, const char* key, const char* /*filename*/,
                       const char* /*contentType*/, const char* /*transferEncoding*/,
                       const char* data, std::uint64_t /*off*/, std::size_t size) {
    return static_cast<HttpServer::Request*>(cls)->Part(key, data, size);
}

MHD_Result Refuse(HttpServer& server, MHD_Connection* connection, const std::string& client,
                  unsigned status, const std::string& reason) {
    server.log().Event(
        "refused", "",
        "client=" + client + " status=" + std::to_string(status) + " reason=" + reason);
    return Reply(connection, status, reason);
}

MHD_Result BeginUpload(HttpServer& server, MHD_Connection* connection,
                       std::unique_ptr<HttpServer::Request>& request, void** context) {
    const char* length =
        MHD_lookup_connection_value(connection, MHD_HEADER_KIND, MHD_HTTP_HEADER_CONTENT_LENGTH);
    std::uint64_t declared = 0;
    if (length == nullptr ||
        std::from_chars(length, length + std::strlen(length), declared).ec != std::errc()) {
        return Refuse(server, connection, request->client, MHD_HTTP_LENGTH_REQUIRED,
                      "Content-Length required");
    }
    if (declared > server.limits().maxRequestBytes) {
        return Refuse(server, connection, request->client, MHD_HTTP_CONTENT_TOO_LARGE,
                      "request too large");
    }
    request->post =
        MHD_create_post_processor(connection, kPostBufferSize, IteratePost, request.get());
    if (request->post == nullptr) {
        return Refuse(server, connection, request->client, MHD_HTTP_UNSUPPORTED_MEDIA_TYPE,
                      "multipart/form-data expected");
    }
    server.log().Event("accepted", "",
                       "client=" + request->client + " bytes=" + std::to_string(declared));
    *context = request.release();
    return MHD_YES;
}

MHD_Result Dispatch(void* cls, MHD_Connection* connection, const char* url, const char* method,
                    const char* /*version*/, const char* uploadData, std::size_t* uploadSize,
                    void** context) {
    auto& server = *static_cast<HttpServer*>(cls);
    if (*context != nullptr) {
        auto* request = static_cast<HttpServer::Request*>(*context);
        if (*uploadSize != 0) {
            if (request->failStatus == 0 &&
                MHD_post_process(request->post, uploadData, *uploadSize) == MHD_NO) {
                request->Fail(MHD_HTTP_BAD_REQUEST, "malformed multipart body");
            }
            *uploadSize = 0;
            return MHD_YES;
        }
        return request->Finish(connection);
    }
    auto request = std::make_unique<HttpServer::Request>();
    request->server = &server;
    request->client = ClientAddress(connection);
    request->received = static_cast<std::int64_t>(std::time(nullptr));
    const std::string_view path = url != nullptr ? url : "";
    const bool upload = std::strcmp(method, MHD_HTTP_METHOD_POST) == 0 && path == kUploadPath;
    if (Gate* gate = server.gate()) {
        int status = MHD_HTTP_FORBIDDEN;
        const std::string refused = gate->Admit(request->client, upload, &status);
        if (!refused.empty()) {
            return Refuse(server, connection, request->client, static_cast<unsigned>(status),
                          refused);
        }
    }
    if (upload) {
        return BeginUpload(server, connection, request, context);
    }
    const bool get = std::strcmp(method, MHD_HTTP_METHOD_GET) == 0 ||
                     std::strcmp(method, MHD_HTTP_METHOD_HEAD) == 0;
    if (get && server.ads() != nullptr) {
        return static_cast<MHD_Result>(
            server.ads()->Respond(connection, path, server.log(), request->client));
    }
    return Refuse(server, connection, request->client, MHD_HTTP_NOT_FOUND, "not found");
}

void Completed(void* /*cls*/, MHD_Connection* /*connection*/, void** context,
               MHD_RequestTerminationCode code) {
    auto* request = static_cast<HttpServer::Request*>(*context);
    if (request == nullptr) {
        return;
    }
    if (code != MHD_REQUEST_TERMINATED_COMPLETED_OK && request->writer) {
        request->server->log().Event("refused", "",
                                     "client=" + request->client +
                                         " reason=connection ended before the upload was complete");
    }
    delete request;  // an unfinished spool file goes with it
    *context = nullptr;
}

// Like the library's own unescaping, except that %00 stays as it is: a NUL
// would cut the path short and "a.gif%00x" would be served as "a.gif".
std::size_t UnescapeKeepingNul(void* /*cls*/, MHD_Connection* /*connection*/, char* text) {
    const auto hex = vantry::HexDigit;
    char* out = text;
    for (const char* in = text; *in != '\0';) {
        if (in[0] == '%' && in[1] != '\0' && in[2] != '\0' && hex(in[1]) >= 0 && hex(in[2]) >= 0 &&
            (hex(in[1]) | hex(in[2])) != 0) {
            *out++ = static_cast<char>(hex(in[1]) * 16 + hex(in[2]));
            in += 3;
        } else {
            *out++ = *in++;
        }
    }
    *out = '\0';
    return static_cast<std::size_t>(out - text);
}

void LogLibraryError(void* cls, const char* format, va_list args) {
    char text[512];
    std::vsnprintf(text, sizeof text, format, args);
    std::string line(text);
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) {
        line.pop_back();
    }
    static_cast<EventLog*>(cls)->Event("http", "", line);
}

}  // namespace

bool ParseListen(const std::string& listen, std::string* address, std::uint16_t* port) {
    const std::size_t colon = listen.rfind(':');
    if (colon == std::string::npos || colon == 0) {
        return false;
    }
    std::string host = listen.substr(0, colon);
    if (host.front() == '[') {
        if (host.size() < 3 || host.back() != ']') {
            return false;
        }
        host = host.substr(1, host.size() - 2);
    }
    const std::string portText = listen.substr(colon + 1);
    const auto value = vantry::ParseInteger<std::uint16_t>(portText);
    if (!value) {
        return false;
    }
    *address = host;
    *port = *value;
    return true;
}

HttpServer::HttpServer(ServerLimits limits, Spool& spool, EventLog& log,
                       std::function<void()> onQueued, AdStore* ads, Gate* gate)
    : limits_(limits),
      spool_(spool),
      log_(log),
      onQueued_(std::move(onQueued)),
      ads_(ads),
      gate_(gate) {}

HttpServer::~HttpServer() {
    Stop();
}

bool HttpServer::Start(const std::string& listen, std::string* error) {
    std::string host;
    std::uint16_t port = 0;
    if (!ParseListen(listen, &host, &port)) {
        *error = "listen address must be ADDR:PORT, not " + listen;
        return false;
    }
    sockaddr_storage storage{};
    unsigned flags = MHD_USE_INTERNAL_POLLING_THREAD | MHD_USE_EPOLL | MHD_USE_ERROR_LOG;
    auto* v4 = reinterpret_cast<sockaddr_in*>(&storage);
    auto* v6 = reinterpret_cast<sockaddr_in6*>(&storage);
    if (inet_pton(AF_INET, host.c_str(), &v4->sin_addr) == 1) {
        v4->sin_family = AF_INET;
        v4->sin_port = htons(port);
    } else if (inet_pton(AF_INET6, host.c_str(), &v6->sin6_addr) == 1) {
        v6->sin6_family = AF_INET6;
        v6->sin6_port = htons(port);
        flags |= MHD_USE_IPv6;
    } else {
        *error = "listen address must be a numeric IPv4 or IPv6 address: " + host;
        return false;
    }
    daemon_ = MHD_start_daemon(
        flags, port, nullptr, nullptr, &Dispatch, this,
        // The logger first, so the library's own messages of the options go there too.
        MHD_OPTION_EXTERNAL_LOGGER, &LogLibraryError, &log_, MHD_OPTION_SOCK_ADDR, &storage,
        MHD_OPTION_NOTIFY_COMPLETED, &Completed, this, MHD_OPTION_THREAD_POOL_SIZE,
        static_cast<unsigned>(limits_.threads), MHD_OPTION_CONNECTION_LIMIT,
        static_cast<unsigned>(limits_.connectionLimit), MHD_OPTION_CONNECTION_TIMEOUT,
        static_cast<unsigned>(limits_.timeoutSeconds), MHD_OPTION_UNESCAPE_CALLBACK,
        &UnescapeKeepingNul, nullptr, MHD_OPTION_LISTENING_ADDRESS_REUSE, 1U, MHD_OPTION_END);
    if (daemon_ == nullptr) {
        *error = "cannot listen on " + listen;
        return false;
    }
    const MHD_DaemonInfo* info = MHD_get_daemon_info(daemon_, MHD_DAEMON_INFO_BIND_PORT);
    port_ = info != nullptr ? info->port : port;
    log_.Event("listening", "", host + ":" + std::to_string(port_));
    return true;
}

void HttpServer::Stop() {
    if (daemon_ != nullptr) {
        MHD_stop_daemon(daemon_);
        daemon_ = nullptr;
    }
}

}  // namespace murmel::relay
