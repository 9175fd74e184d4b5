#pragma once
// Reader of vCard files (versions 2.1, 3.0 and 4.0): one picker row per
// e-mail address of each card, named by the card's formatted name or, without
// one, by its structured name.

#include <string_view>

#include "addressbook/book_readers.h"

namespace murmel {

BookRows ReadVCards(std::string_view bytes);

}  // namespace murmel
