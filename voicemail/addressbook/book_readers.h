#pragma once
// Readers of the address-book files other mail programs leave behind. Each
// takes the file's bytes and returns the picker's rows; the layouts come from
// files anyone can craft, so every offset and count is checked against the
// bytes before use and a damaged book lists what it can.

#include <string_view>
#include <vector>

#include <QString>

namespace murmel {

struct BookRow {
    QString name;
    QString address;
    // Link used while a reader builds its rows (WAB entry id, nickname);
    // empty once a later entry repeats it.
    QString key;
};

using BookRows = std::vector<BookRow>;

// Mail domain of the online service whose members keep "AddrBk.lst" books;
// a bare screen name there is a mailbox at this domain.
inline constexpr const char* kBookListMailDomain = "aol.com";

// Expanded nickname lists stop growing at this many characters, so a chain
// of nicknames that each name the previous one twice cannot double its way
// through memory.
inline constexpr int kMaxExpandedAddressLength = 32 * 1024;

// 1658-byte records; name at 26, address at 58.
BookRows ReadBookList(std::string_view bytes);
// Entry count at 20, name table at 48, address table at 96; 36-byte entries.
BookRows ReadWab(std::string_view bytes);
// Table start P at 356, count at P + 7, 68-byte entries from P + 8.
BookRows ReadNab(std::string_view bytes);
// "alias" lines, then one pass of ExpandNicknames.
BookRows ReadNicknames(std::string_view bytes);
// Rewrites each row's address list: a piece naming a nickname becomes that
// row's current list, a piece with "@" stays, anything else goes.
void ExpandNicknames(BookRows& rows);

// Text of the language's "ANSI" code page (Windows-1252).
QString DecodeAnsi(std::string_view bytes);

}  // namespace murmel
