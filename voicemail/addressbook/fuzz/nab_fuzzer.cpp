// An entry gives a row only when both its name and its address have text.
#include "addressbook/fuzz/book_rows_check.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    return murmel::CheckBookRows(data, size, murmel::ReadNab, [](const murmel::BookRow& row) {
        return !row.name.isEmpty() && !row.address.isEmpty();
    });
}
