// If-Modified-Since comes from any client; a parsed date must format and parse back.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "core/http_date.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace murmel::relay;
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    if (const auto t = ParseHttpDate(text)) {
        if (ParseHttpDate(FormatHttpDate(*t)) != t) {
            __builtin_trap();
        }
    }
    return 0;
}
