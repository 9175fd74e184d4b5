#pragma once
// One HTTP/1.0 exchange at a time over the control's channel: writes the
// request from the request fields, feeds what comes back to the response
// reader, and turns the outcome into an engine result code.

#include <cstdint>
#include <string>
#include <string_view>

#include "request_fields.h"
#include "response_reader.h"
#include "socket_channel.h"

namespace fetchwire {

class HttpRequest : public SocketChannel {
public:
    static constexpr std::size_t kFilePiece = 2048;

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

protected:
    void OnDataIn(std::string_view data, bool wholeLine) final;

private:
    class ReaderSink;
    friend class ReaderSink;

    int Run(std::string_view method, bool post);
    int Perform(std::string_view method, bool post);
    int SendBody(const std::string& head, int fileFd, uint64_t fileSize);
    // Copies an arrived status line to StatusLine; 20152 when it is not 2xx.
    int CheckStatus();

    RequestFields fields_;
    ResponseReader reader_;
    // From the start of a request until its Get, Head or Post returns.
    bool running_ = false;
};

}  // namespace fetchwire
