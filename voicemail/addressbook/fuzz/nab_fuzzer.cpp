// Any bytes must read without harm; every row has an address.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "addressbook/book_readers.h"
#include "addressbook/vcard_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    for (const murmel::BookRow& row : murmel::ReadNab(bytes)) {
        if (row.address.size() >
            static_cast<qsizetype>(size) + murmel::kMaxExpandedAddressLength + 16) {
            __builtin_trap();
        }
    }
    return 0;
}
