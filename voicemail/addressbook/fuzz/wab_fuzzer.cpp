// Every row comes from an address entry with text; the keys that joined the
// two tables are gone.
#include "addressbook/fuzz/book_rows_check.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    return murmel::CheckBookRows(data, size, murmel::ReadWab, [](const murmel::BookRow& row) {
        return !row.address.isEmpty() && row.key.isEmpty();
    });
}
