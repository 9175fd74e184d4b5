// Arbitrary text through the URL parser, twice in a row, and the request
// head built from it.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "engine/request_fields.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string_view text(reinterpret_cast<const char*>(data), size);
    const std::size_t cut = text.find('\n');
    fetchwire::RequestFields f;
    f.SetUser("u");
    f.SetPassword("p");
    f.SetURL(text.substr(0, cut));
    if (cut != std::string_view::npos) {
        f.SetURL(text.substr(cut + 1));
    }
    if (f.urlPath.empty() || f.urlScheme.size() > size + 4) {
        std::abort();
    }
    if (!f.user.empty() && f.authorization.empty()) {
        std::abort();
    }
    const std::string head = f.RequestHead("GET");
    // Values never bring their own line ends: one per line written.
    const long lines = f.authorization.empty() ? 1 : 2;
    if (std::count(head.begin(), head.end(), '\n') != lines ||
        std::count(head.begin(), head.end(), '\r') != lines || !head.ends_with("\r\n")) {
        std::abort();
    }
    f.proxyServer = "proxy";
    (void)f.Target();
    return 0;
}
