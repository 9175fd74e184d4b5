#pragma once
// Reader of the SQLite address books of today's mail clients ("abook.sqlite",
// "history.sqlite"): a "properties" table of (card, name, value) rows.

#include <QString>

#include "addressbook/book_readers.h"

namespace murmel {

// Opened read-only and immutable, so a mail client that has the book open is
// neither locked out nor sees a journal appear. A file that is not a regular
// file or not such a book lists nothing.
BookRows ReadSqliteBook(const QString& path);

}  // namespace murmel
