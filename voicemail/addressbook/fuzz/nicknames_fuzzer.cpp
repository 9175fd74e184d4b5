// Every nickname has a name, and no expansion, however the nicknames name
// each other, grows past the cap.
#include "addressbook/fuzz/book_rows_check.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    return murmel::CheckBookRows(data, size, murmel::ReadNicknames, [](const murmel::BookRow& row) {
        return !row.name.isEmpty() && row.address.size() <= murmel::kMaxExpandedAddressLength;
    });
}
