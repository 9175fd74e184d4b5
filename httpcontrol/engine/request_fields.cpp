#include "engine/request_fields.h"

namespace fetchwire {

namespace {

// A value never brings its own line ends into the request line or a header.
std::string OneLine(std::string_view value) {
    std::string out;
    out.reserve(value.size());
    for (char c : value) {
        if (c != '\r' && c != '\n') {
            out += c;
        }
    }
    return out;
}

}  // namespace

std::string Base64(std::string_view bytes) {
    static constexpr char kAlphabet[] =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    out.reserve((bytes.size() + 2) / 3 * 4);
    std::size_t i = 0;
    for (; i + 2 < bytes.size(); i += 3) {
        const uint32_t v = static_cast<uint8_t>(bytes[i]) << 16 |
                           static_cast<uint8_t>(bytes[i + 1]) << 8 |
                           static_cast<uint8_t>(bytes[i + 2]);
        out += kAlphabet[v >> 18 & 63];
        out += kAlphabet[v >> 12 & 63];
        out += kAlphabet[v >> 6 & 63];
        out += kAlphabet[v & 63];
    }
    if (i < bytes.size()) {
        uint32_t v = static_cast<uint8_t>(bytes[i]) << 16;
        if (i + 1 < bytes.size()) {
            v |= static_cast<uint8_t>(bytes[i + 1]) << 8;
        }
        out += kAlphabet[v >> 18 & 63];
        out += kAlphabet[v >> 12 & 63];
        out += i + 1 < bytes.size() ? kAlphabet[v >> 6 & 63] : '=';
        out += '=';
    }
    return out;
}

void RequestFields::SetURL(std::string_view u) {
    url.assign(u);
    urlScheme = "http";
    urlPath.clear();
    urlPort = 80;
    std::string_view rest = u;
    if (const std::size_t colon = rest.find(':'); colon != std::string_view::npos) {
        urlScheme.assign(rest.substr(0, colon));
        rest.remove_prefix(colon + 1);
    }
    if (rest.starts_with("//")) {
        std::string_view authority = rest.substr(2);
        if (const std::size_t slash = authority.find('/'); slash != std::string_view::npos) {
            urlPath.assign(authority.substr(slash));
            authority = authority.substr(0, slash);
        }
        if (const std::size_t colon = authority.find(':'); colon != std::string_view::npos) {
            // Digits up to the first non-digit; none, or more than a port
            // holds, give 0, which the connect then refuses.
            uint32_t port = 0;
            for (char c : authority.substr(colon + 1)) {
                if (c < '0' || c > '9') {
                    break;
                }
                port = port * 10 + static_cast<uint32_t>(c - '0');
                if (port > 0xFFFF) {
                    port = 0;
                    break;
                }
            }
            urlPort = static_cast<uint16_t>(port);
            authority = authority.substr(0, colon);
        }
        if (authority != urlServer && !urlServer.empty()) {
            // Credentials belong to the server they were given for.
            user.clear();
            password.clear();
            authorization.clear();
        }
        urlServer.assign(authority);
    }
    if (urlPath.empty()) {
        urlPath = "/";
    }
}

void RequestFields::SetUser(std::string_view value) {
    user.assign(value);
    RebuildAuthorization();
}

void RequestFields::SetPassword(std::string_view value) {
    password.assign(value);
    RebuildAuthorization();
}

void RequestFields::RebuildAuthorization() {
    authorization.clear();
    if (!user.empty() && !password.empty()) {
        authorization = "Basic " + Base64(user + ":" + password);
    }
}

void RequestFields::ResetHeaders() {
    for (std::string* s : {&url, &urlScheme, &urlServer, &urlPath, &postData, &contentType, &user,
                           &password, &authorization, &accept, &from, &ifModifiedSince, &referer,
                           &pragma, &otherHeaders, &statusLine, &attachedFile}) {
        s->clear();
    }
    urlPort = 80;
}

std::string RequestFields::Target() const {
    if (proxyServer.empty()) {
        return urlPath;
    }
    std::string target = urlScheme + "://" + urlServer;
    if (urlPort != 80) {
        target += ":" + std::to_string(urlPort);
    }
    return target + urlPath;
}

std::string RequestFields::RequestHead(std::string_view method) const {
    std::string head;
    head.append(method)
        .append(" ")
        .append(OneLine(Target()))
        .append(" ")
        .append(OneLine(httpVersion))
        .append("\r\n");
    const std::pair<const char*, const std::string*> headers[] = {
        {"Authorization: ", &authorization},
        {"Accept: ", &accept},
        {"From: ", &from},
        {"User-Agent: ", &userAgent},
        {"If-Modified-Since: ", &ifModifiedSince},
        {"Referer: ", &referer},
        {"Pragma: ", &pragma},
    };
    for (const auto& [name, value] : headers) {
        if (!value->empty()) {
            head.append(name).append(OneLine(*value)).append("\r\n");
        }
    }
    head += otherHeaders;
    return head;
}

std::string RequestFields::ContentTypeHeader() const {
    return contentType.empty() ? std::string() : "Content-Type: " + OneLine(contentType) + "\r\n";
}

}  // namespace fetchwire
