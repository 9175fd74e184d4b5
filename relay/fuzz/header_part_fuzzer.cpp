// Header parts come from any client on the network.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "core/header_part.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const auto result = murmel::relay::ParseHeaderPart(bytes, 50);
    if (result.part && result.part->to.find('\r') != std::string::npos) {
        __builtin_trap();  // a line break must never survive into a value
    }
    return 0;
}
