// A card gives one row for each address with text.
#include "addressbook/fuzz/book_rows_check.h"
#include "addressbook/vcard_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    return murmel::CheckBookRows(data, size, murmel::ReadVCards,
                                 [](const murmel::BookRow& row) { return !row.address.isEmpty(); });
}
