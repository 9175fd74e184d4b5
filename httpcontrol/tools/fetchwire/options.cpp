#include "tools/fetchwire/options.h"

#include <algorithm>
#include <cctype>
#include <optional>

#include "base/integer.h"

namespace fetchwire::cli {

const char* const kUsage =
    "usage: fetchwire [options] URL\n"
    "  -X GET|HEAD|POST          request method (GET unless data or a file is given)\n"
    "  -d DATA                   body text of a POST\n"
    "  -F PATH                   file sent after the body text of a POST\n"
    "  --content-type TYPE       Content-Type of a POST\n"
    "  --proxy HOST[:PORT]       send the request through a proxy (port 80 by default)\n"
    "  -u USER:PASSWORD          basic authorization\n"
    "  -A AGENT                  User-Agent\n"
    "  --if-modified-since TEXT  If-Modified-Since\n"
    "  -H 'Name: value'          extra header line (repeatable)\n"
    "  --http-version TEXT       version token of the request line\n"
    "The body goes to stdout as received; events, the status line and errors to\n"
    "stderr in UTF-8, with control characters escaped (\\r, \\n, \\t, \\xHH, \\\\).\n";

namespace {

bool ParsePort(const std::string& text, int32_t* port) {
    if (text.empty() || text.size() > 5 ||
        !std::all_of(text.begin(), text.end(), [](unsigned char c) { return std::isdigit(c); })) {
        return false;
    }
    const std::optional<int> value = vantry::ParseInteger<int>(text);
    if (!value || *value < 1 || *value > 65535) {
        return false;
    }
    *port = *value;
    return true;
}

}  // namespace

bool ParseOptions(const std::vector<std::string>& args, Options* out, std::string* error) {
    Options o;
    bool methodGiven = false;
    bool bodyGiven = false;
    bool urlGiven = false;
    bool optionsDone = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (optionsDone || a.empty() || a[0] != '-' || a == "-") {
            if (urlGiven) {
                *error = "more than one URL: " + a;
                return false;
            }
            o.url = a;
            urlGiven = true;
            continue;
        }
        if (a == "--") {
            optionsDone = true;
            continue;
        }
        if (a == "-h" || a == "--help") {
            o.help = true;
            *out = o;
            return true;
        }
        static const char* const kWithValue[] = {"-X",      "-d",
                                                 "-F",      "--content-type",
                                                 "--proxy", "-u",
                                                 "-A",      "--if-modified-since",
                                                 "-H",      "--http-version"};
        if (std::find_if(std::begin(kWithValue), std::end(kWithValue),
                         [&a](const char* n) { return a == n; }) == std::end(kWithValue)) {
            *error = "unknown option " + a;
            return false;
        }
        if (i + 1 >= args.size()) {
            *error = "option " + a + " needs a value";
            return false;
        }
        const std::string& v = args[++i];
        if (a == "-X") {
            std::string m = v;
            std::transform(m.begin(), m.end(), m.begin(),
                           [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
            if (m == "GET") {
                o.action = 1;
            } else if (m == "POST") {
                o.action = 2;
            } else if (m == "HEAD") {
                o.action = 3;
            } else {
                *error = "method must be GET, HEAD or POST: " + v;
                return false;
            }
            methodGiven = true;
        } else if (a == "-d") {
            o.postData = v;
            bodyGiven = true;
        } else if (a == "-F") {
            o.attachedFile = v;
            bodyGiven = true;
        } else if (a == "--content-type") {
            o.contentType = v;
        } else if (a == "--proxy") {
            const std::size_t colon = v.rfind(':');
            o.proxyServer = v.substr(0, colon);
            if (o.proxyServer->empty() ||
                (colon != std::string::npos && !ParsePort(v.substr(colon + 1), &o.proxyPort))) {
                *error = "proxy must be HOST or HOST:PORT: " + v;
                return false;
            }
        } else if (a == "-u") {
            const std::size_t colon = v.find(':');
            o.user = v.substr(0, colon);
            o.password = colon == std::string::npos ? std::string() : v.substr(colon + 1);
        } else if (a == "-A") {
            o.userAgent = v;
        } else if (a == "--if-modified-since") {
            o.ifModifiedSince = v;
        } else if (a == "-H") {
            if (v.find_first_of("\r\n") != std::string::npos || v.find(':') == std::string::npos) {
                *error = "header must be one 'Name: value' line: " + v;
                return false;
            }
            o.otherHeaders += v + "\r\n";
        } else if (a == "--http-version") {
            o.httpVersion = v;
        }
    }
    if (!urlGiven) {
        *error = "no URL given";
        return false;
    }
    if (bodyGiven && !methodGiven) {
        o.action = 2;
    }
    *out = o;
    return true;
}

}  // namespace fetchwire::cli
