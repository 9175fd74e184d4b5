// A record gives a row only with a name, and its address always has a domain.
#include "addressbook/fuzz/book_rows_check.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    return murmel::CheckBookRows(data, size, murmel::ReadBookList, [](const murmel::BookRow& row) {
        return !row.name.isEmpty() && row.address.contains(QLatin1Char('@'));
    });
}
