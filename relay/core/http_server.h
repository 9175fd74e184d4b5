#pragma once
// The relay's HTTP face over libmicrohttpd: POST /post/ takes Murmel's
// uploads into the spool; GET /ads/ and /ad/<name> serve the ads. Any number
// of slow uploads run at once on a small pool of epoll threads.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "core/event_log.h"
#include "core/spool.h"

struct MHD_Daemon;

namespace murmel::relay {

class AdStore;

struct ServerLimits {
    std::uint64_t maxRequestBytes = 32u << 20;
    std::uint64_t maxHeaderBytes = 64u << 10;
    std::size_t maxRecipients = 50;
    std::uint64_t maxWaveBytes = 128u << 20;  // the recording, unpacked
    unsigned threads = 2;
    unsigned connectionLimit = 4000;
    unsigned timeoutSeconds = 120;  // Murmel pauses a second between chunks
};

// Decides whether a client may be served; a refusal carries the reason.
class Gate {
public:
    virtual ~Gate() = default;
    // Empty: admitted. Otherwise the reason, answered with 403 or 429.
    virtual std::string Admit(const std::string& client, bool upload, int* status) = 0;
    // The addresses of an upload: empty when allowed, else the reason (403).
    virtual std::string CheckAddresses(const std::string& from, const std::string& toAndCc) = 0;
};

class HttpServer {
public:
    // onQueued runs (on a server thread) after an item is durable in the spool.
    HttpServer(ServerLimits limits, Spool& spool, EventLog& log, std::function<void()> onQueued,
               AdStore* ads = nullptr, Gate* gate = nullptr);
    ~HttpServer();
    HttpServer(const HttpServer&) = delete;
    HttpServer& operator=(const HttpServer&) = delete;

    // listen is "ADDR:PORT" or "[ADDR6]:PORT"; port 0 picks a free one.
    bool Start(const std::string& listen, std::string* error);
    void Stop();
    std::uint16_t port() const { return port_; }

    // For the request handlers.
    struct Request;
    const ServerLimits& limits() const { return limits_; }
    Spool& spool() { return spool_; }
    EventLog& log() { return log_; }
    AdStore* ads() { return ads_; }
    Gate* gate() { return gate_; }
    void NotifyQueued() {
        if (onQueued_) {
            onQueued_();
        }
    }

private:
    ServerLimits limits_;
    Spool& spool_;
    EventLog& log_;
    std::function<void()> onQueued_;
    AdStore* ads_;
    Gate* gate_;
    MHD_Daemon* daemon_ = nullptr;
    std::uint16_t port_ = 0;
};

// Splits "ADDR:PORT" / "[ADDR6]:PORT". False for anything else.
bool ParseListen(const std::string& listen, std::string* address, std::uint16_t* port);

}  // namespace murmel::relay
