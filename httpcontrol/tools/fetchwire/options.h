#pragma once
// The command line of the fetchwire host, read into the property values it
// sets on the control.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace fetchwire::cli {

struct Options {
    int32_t action = 1;  // GET
    std::string url;
    std::optional<std::string> postData, attachedFile, contentType;
    std::optional<std::string> proxyServer;
    int32_t proxyPort = 80;
    std::optional<std::string> user, password;
    std::optional<std::string> userAgent, ifModifiedSince, httpVersion;
    std::string otherHeaders;
    bool help = false;
};

// False with *error set when the line cannot be used.
bool ParseOptions(const std::vector<std::string>& args, Options* out, std::string* error);

extern const char* const kUsage;

}  // namespace fetchwire::cli
