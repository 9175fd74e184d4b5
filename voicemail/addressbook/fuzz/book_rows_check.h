#pragma once
// The check every address-book fuzzer shares: any bytes must read without
// harm, no address may outgrow its bytes plus what nickname expansion and a
// mail domain add, and each row must keep the reader's own invariant.

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "addressbook/book_readers.h"

namespace murmel {

template <class Reader, class Invariant>
int CheckBookRows(const uint8_t* data, size_t size, Reader read, Invariant holds) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const qsizetype longestAddress = static_cast<qsizetype>(size) + kMaxExpandedAddressLength + 16;
    for (const BookRow& row : read(bytes)) {
        if (row.address.size() > longestAddress || !holds(row)) {
            __builtin_trap();
        }
    }
    return 0;
}

}  // namespace murmel
