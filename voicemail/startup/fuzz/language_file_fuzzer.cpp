// Feeds arbitrary bytes to the language-file parser and the table.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "startup/language.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    murmel::TranslationTable table;
    for (auto& entry : murmel::ParseLanguageFile(bytes)) {
        table.Add(std::move(entry));
    }
    (void)table.T("mm0001");
    (void)table.T(bytes.substr(0, 8));
    return 0;
}
