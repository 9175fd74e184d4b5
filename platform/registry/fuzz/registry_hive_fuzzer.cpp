// Hive file reader: any bytes must parse without harm, and what it keeps
// must survive a write and a second read unchanged.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "registry/hive_text.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace vantry::registry;
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const auto first = ParseHiveText(bytes, Hive::CurrentUser);
    const std::string text = SerializeHive(first.data, Hive::CurrentUser);
    const auto second = ParseHiveText(text, Hive::CurrentUser);
    if (!second.complete || !(second.data == first.data)) {
        std::abort();
    }
    if (SerializeHive(second.data, Hive::CurrentUser) != text) {
        std::abort();
    }
    return 0;
}
