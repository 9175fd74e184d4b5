#pragma once
// One HTTP/1.0 exchange at a time over the request's own channel: writes the
// request from the request fields, feeds what comes back to its response
// reader, and turns the outcome into an engine result code.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "engine/request_fields.h"
#include "engine/response_reader.h"
#include "engine/socket_channel.h"

namespace fetchwire {

class HttpRequest {
public:
    static constexpr std::size_t kFilePiece = 2048;

    HttpRequest();
    virtual ~HttpRequest();
    HttpRequest(const HttpRequest&) = delete;
    HttpRequest& operator=(const HttpRequest&) = delete;

    RequestFields& Fields() { return fields_; }
    const RequestFields& Fields() const { return fields_; }

    // Each returns 0 or an error code; MessageFor tells its text.
    int SetURL(std::string_view url);
    int SetUser(std::string_view user);
    int SetPassword(std::string_view password);
    int Get() { return Run("GET", false); }
    int Head() { return Run("HEAD", false); }
    int Post() { return Run("POST", true); }
    int ResetHeaders();

    // The engine's text for a code returned by the last operation: the
    // message it recorded, else the fixed one; empty for socket-layer codes.
    std::string MessageFor(int code) const;

    bool HasSocket() const { return channel_.HasSocket(); }
    // Dotted address of the local end while a socket exists; empty otherwise.
    std::string LocalAddress() const { return channel_.LocalAddress(); }
    // Ends the running request's waits with 20302 and closes its connection.
    int Interrupt() { return channel_.Interrupt(); }

protected:
    // The hidden object that receives the socket notifications.
    QObject* NotificationWindow() const { return channel_.NotificationWindow(); }

    // Upcalls to the host, in the order they happen.
    virtual void OnError(int /*code*/, const std::string& /*text*/) {}
    virtual void OnConnected(int /*result*/) {}
    virtual void OnDisconnected(int /*result*/) {}
    virtual void OnPostProgress(uint64_t /*bytesSoFar*/) {}
    virtual void OnHeader(const std::string& /*field*/, const std::string& /*value*/) {}
    virtual void OnStartOfBody() {}
    virtual void OnBodyData(uint32_t /*total*/, std::string_view /*piece*/) {}
    virtual void OnEndOfBody() {}

private:
    class ReaderSink;
    class ChannelEvents;
    using AliveToken = SocketChannel::AliveToken;

    int Run(std::string_view method, bool post);
    int Perform(std::string_view method, bool post);
    int SendBody(const std::string& head, int fileFd, uint64_t fileSize);
    // Copies an arrived status line to StatusLine; 20152 when it is not 2xx.
    int CheckStatus();
    void OnDataIn(std::string_view data);

    RequestFields fields_;
    ResponseReader reader_;
    std::unique_ptr<ChannelEvents> events_;
    SocketChannel channel_;
    // From the start of a request until its Get, Head or Post returns.
    bool running_ = false;
};

}  // namespace fetchwire
