// Random header text through the Status and Date reading: no crash, no
// value longer than the text, never a line break in a value.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "checkcycle/check_rules.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const auto fields = corvy::checkcycle::ExtractStatusAndDate(text);
    for (const std::string& v : {fields.status, fields.date}) {
        if (v.size() > size || v.find_first_of("\r\n") != std::string::npos) {
            std::abort();
        }
    }
    corvy::checkcycle::CutTooltip(text);
    return 0;
}
