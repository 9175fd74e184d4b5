#include <cstdint>
#include <string>

#include <gtest/gtest.h>

#include "addressbook/book_readers.h"

namespace murmel {
namespace {

// A book built byte by byte: zero-filled, with fields written at offsets.
class Bytes {
public:
    explicit Bytes(std::size_t size) : bytes_(size, '\0') {}
    Bytes& Text(std::size_t at, std::string_view text) {
        bytes_.replace(at, text.size(), text);
        return *this;
    }
    Bytes& Le(std::size_t at, std::uint32_t value, int width) {
        for (int i = 0; i < width; ++i) {
            bytes_[at + i] = static_cast<char>((value >> (8 * i)) & 0xFF);
        }
        return *this;
    }
    Bytes& Fill(std::size_t from, std::size_t to, char c) {
        bytes_.replace(from, to - from, to - from, c);
        return *this;
    }
    const std::string& str() const { return bytes_; }

private:
    std::string bytes_;
};

void ExpectRows(const BookRows& rows, const std::vector<std::pair<QString, QString>>& expected) {
    ASSERT_EQ(rows.size(), expected.size());
    for (std::size_t i = 0; i < rows.size(); ++i) {
        EXPECT_EQ(rows[i].name, expected[i].first) << i;
        EXPECT_EQ(rows[i].address, expected[i].second) << i;
    }
}

// Every prefix of a book lists no more rows than the whole, and never reads
// past its end (the sanitizer pass checks the latter).
void ExpectPrefixesSafe(BookRows (*reader)(std::string_view), const std::string& book) {
    const std::size_t whole = reader(book).size();
    for (std::size_t length = 0; length < book.size(); ++length) {
        EXPECT_LE(reader(std::string_view(book).substr(0, length)).size(), whole) << length;
    }
}

constexpr std::size_t kRecord = 1658;

TEST(BookList, ReadsRecordsAndMakesScreenNamesIntoAddresses) {
    Bytes book(3 * kRecord + 100);  // a trailing partial record is ignored
    book.Text(26, "Ann Smith\r\n").Text(58, "ann@example.org");
    book.Text(kRecord + 26, "Bob").Text(kRecord + 58, "Big Bob 7\r\n");
    book.Text(2 * kRecord + 26, "No address");
    book.Text(3 * kRecord + 26, "Partial").Text(3 * kRecord + 58, "p@x");
    ExpectRows(ReadBookList(book.str()), {{"Ann Smith", "ann@example.org"},
                                          {"Bob", QString("BigBob7@") + kBookListMailDomain}});
    ExpectPrefixesSafe(ReadBookList, book.str());
}

TEST(BookList, FieldWithoutZeroByteSkipsTheRecord) {
    Bytes book(2 * kRecord);
    book.Text(26, "Runs on").Fill(58, kRecord, 'x');
    book.Text(kRecord + 26, "Kept").Text(kRecord + 58, "kept@example.org");
    ExpectRows(ReadBookList(book.str()), {{"Kept", "kept@example.org"}});
}

TEST(BookList, AnsiTextIsDecoded) {
    Bytes book(kRecord);
    book.Text(26, "J\xfcrgen \x80").Text(58, "j@example.de");
    ExpectRows(ReadBookList(book.str()), {{QString::fromUtf8("Jürgen €"), "j@example.de"}});
}

// A WAB header with both tables of COUNT entries.
Bytes WabBook(std::uint32_t count, std::uint32_t namesAt, std::uint32_t addressesAt,
              std::size_t size) {
    Bytes book(size);
    book.Le(20, count, 4).Le(48, namesAt, 4).Le(96, addressesAt, 4);
    return book;
}

TEST(Wab, NamesJoinAddressesByLinkByte) {
    Bytes book = WabBook(3, 200, 400, 600);
    book.Text(400, "a@example.org").Le(400 + 32, 7, 4);
    book.Text(436, "b@example.org").Le(436 + 32, 0x1FF, 4);  // only byte 32 links: 255
    book.Text(472, "c@example.org").Le(472 + 32, 9, 4);
    book.Text(200, "Anna").Le(200 + 32, 7, 4);
    book.Text(236, "Nobody").Le(236 + 32, 42, 4);  // no such address: dropped
    book.Text(272, "Bert").Le(272 + 32, 255, 4);
    ExpectRows(ReadWab(book.str()),
               {{"Anna", "a@example.org"}, {"Bert", "b@example.org"}, {"", "c@example.org"}});
    ExpectPrefixesSafe(ReadWab, book.str());
}

TEST(Wab, RepeatedLinkKeepsTheRowButNoNameReachesIt) {
    Bytes book = WabBook(2, 200, 400, 600);
    book.Text(400, "first@example.org").Le(432, 5, 4);
    book.Text(436, "second@example.org").Le(468, 5, 4);
    book.Text(200, "Named").Le(232, 5, 4);
    ExpectRows(ReadWab(book.str()), {{"Named", "first@example.org"}, {"", "second@example.org"}});
}

TEST(Wab, HostileHeadersListWhatLiesInsideTheFile) {
    // A count far beyond the file, tables past the end and a 36-byte text
    // without a zero byte.
    Bytes book = WabBook(0xFFFFFFFF, 0xFFFFFFF0, 200, 300);
    book.Text(200, "in@example.org");
    book.Fill(236, 272, 'x');
    ExpectRows(ReadWab(book.str()), {{"", "in@example.org"}});
    EXPECT_TRUE(ReadWab(WabBook(1, 0, 0, 99).str()).empty());
}

Bytes NabBook(std::uint16_t tableAt, std::uint8_t count, std::size_t size) {
    Bytes book(size);
    book.Le(356, tableAt, 2).Le(tableAt + 7, count, 1);
    return book;
}

TEST(Nab, ReadsEntriesAfterTheTableStart) {
    Bytes book = NabBook(400, 3, 400 + 8 + 3 * 68);
    const std::size_t first = 408;
    book.Text(first + 36, "Carla").Text(first + 4, "carla@example.org");
    book.Text(first + 68 + 36, "No address");
    book.Text(first + 136 + 36, "Dora").Text(first + 136 + 4, "dora@example.org");
    ExpectRows(ReadNab(book.str()), {{"Carla", "carla@example.org"}, {"Dora", "dora@example.org"}});
    ExpectPrefixesSafe(ReadNab, book.str());
}

TEST(Nab, CountBeyondTheFileAndUnendedTextsAreSkipped) {
    Bytes book = NabBook(400, 255, 408 + 2 * 68 + 10);
    book.Text(408 + 36, "Eve").Text(408 + 4, "eve@example.org");
    book.Text(408 + 68 + 4, "f@example.org").Fill(408 + 68 + 36, 408 + 136, 'F');
    ExpectRows(ReadNab(book.str()), {{"Eve", "eve@example.org"}});
    // The table start points past the end: nothing, and no read there.
    EXPECT_TRUE(ReadNab(Bytes(400).Le(356, 0xFFFF, 2).str()).empty());
}

TEST(Nicknames, QuotedAndPlainAliasLines) {
    const std::string book =
        "# comment\r\n"
        "ALIAS \"Team Leads\" anna@example.org, bert@example.org,\r\n"
        "alias solo  solo@example.org\r\n"
        "alias lonely\n"
        "alias \"unclosed a@b\n"
        "aliasx nope@example.org\n";
    ExpectRows(ReadNicknames(book), {{"Team Leads", "anna@example.org, bert@example.org"},
                                     {"solo", "solo@example.org"}});
}

TEST(Nicknames, ListsNamingNicknamesAreExpandedOncePerRow) {
    const std::string book =
        "alias a a@example.org\n"
        "alias b a,b@example.org,junk\n"
        "alias c b,a@x,,after@example.org\n"
        "alias A dup@example.org\n";
    // b takes a's list and drops "junk"; c takes b's list as already
    // expanded; the empty piece ends c's list; the repeated nickname (case
    // aside) keeps no key, so "A" in a list would still mean the first row.
    ExpectRows(ReadNicknames(book), {{"a", "a@example.org"},
                                     {"b", "a@example.org,b@example.org"},
                                     {"c", "a@example.org,b@example.org,a@x"},
                                     {"A", "dup@example.org"}});
}

TEST(Nicknames, CyclesEndAfterOnePassAndDoublingIsCapped) {
    const std::string cycle = "alias x y\nalias y x\n";
    // x takes y's list as it stands ("x"), then y takes x's: no loop.
    ExpectRows(ReadNicknames(cycle), {{"x", "x"}, {"y", "x"}});

    std::string chain = "alias n0 someone@example.org\n";
    for (int i = 1; i < 40; ++i) {
        chain += "alias n" + std::to_string(i) + " n" + std::to_string(i - 1) + ",n" +
                 std::to_string(i - 1) + "\n";
    }
    for (const BookRow& row : ReadNicknames(chain)) {
        EXPECT_LE(row.address.size(), kMaxExpandedAddressLength);
    }
}

}  // namespace
}  // namespace murmel
