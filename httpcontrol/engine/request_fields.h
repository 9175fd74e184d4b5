#pragma once
// The request properties as byte strings, with the URL parser and the
// Authorization rule. Pure: no sockets, no events.

#include <cstdint>
#include <string>
#include <string_view>

namespace fetchwire {

struct RequestFields {
    std::string url, urlScheme, urlServer, urlPath;
    uint16_t urlPort = 80;
    std::string proxyServer;
    uint16_t proxyPort = 80;
    std::string postData, attachedFile, contentType;
    std::string user, password, authorization;
    std::string accept, from, userAgent, ifModifiedSince, referer, pragma, otherHeaders;
    std::string statusLine;
    std::string httpVersion = "HTTP/1.0";

    // Splits a URL into scheme, server, port and path.
    void SetURL(std::string_view u);
    void SetUser(std::string_view value);
    void SetPassword(std::string_view value);
    // Empties the request properties; agent, proxy and version stay.
    void ResetHeaders();

    // The request target: the path, or the absolute URL when going through a proxy.
    std::string Target() const;
    // Request line and the headers up to (not including) the POST headers
    // and the final empty line.
    std::string RequestHead(std::string_view method) const;
    // "Content-Type: ..." with its line end, or empty.
    std::string ContentTypeHeader() const;

private:
    void RebuildAuthorization();
};

// Standard base64 with "=" padding.
std::string Base64(std::string_view bytes);

}  // namespace fetchwire
