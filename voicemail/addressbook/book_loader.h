#pragma once
// Fills the picker from the book chosen in the AddressBook setting: the
// stored display name picks the reader, the stored path is read.

#include <functional>

#include <QString>
#include <QStringList>

#include "addressbook/book_readers.h"

namespace murmel {

// Books larger than this are not read.
inline constexpr std::size_t kMaxBookBytes = 64u << 20;

struct LoadedBook {
    BookRows rows;
    // The stored display name matches no kind: the picker shows one
    // "add0006" row instead.
    bool unknownKind = false;
    // A file reader ran: its rows replace the list (the mail-client import
    // appends instead, and a missing file leaves the list alone).
    bool replacesList = false;
};

// The mail-client import, run for kind 3; returns its rows (empty when
// cancelled or when there is no client).
using MailClientImport = std::function<BookRows()>;

// SETTING is "display name<TAB>path"; LABELS are the kinds' display names in
// kind order (a missing label matches nothing).
LoadedBook LoadAddressBook(const QString& setting, const QStringList& labels,
                           const MailClientImport& importContacts);

}  // namespace murmel
