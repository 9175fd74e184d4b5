#include <string>

#include <gtest/gtest.h>

#include "addressbook/vcard_reader.h"

namespace murmel {
namespace {

void ExpectRows(const BookRows& rows, const std::vector<std::pair<QString, QString>>& expected) {
    ASSERT_EQ(rows.size(), expected.size());
    for (std::size_t i = 0; i < rows.size(); ++i) {
        EXPECT_EQ(rows[i].name, expected[i].first) << i;
        EXPECT_EQ(rows[i].address, expected[i].second) << i;
    }
}

TEST(VCard, OneRowPerAddressNamedByFormattedName) {
    const std::string cards =
        "BEGIN:VCARD\r\n"
        "VERSION:3.0\r\n"
        "N:Smith;Ann;;;\r\n"
        "FN:Ann Smith\\, PhD\r\n"
        "EMAIL;TYPE=INTERNET,HOME:ann@exa\r\n"
        " mple.org\r\n"
        "item1.EMAIL;type=WORK:ann@work.example\r\n"
        "END:VCARD\r\n"
        "EMAIL:outside@example.org\r\n"
        "begin:vcard\n"
        "version:4.0\n"
        "n:M\xc3\xbcller;J\xc3\xbcrgen;Karl;Dr.;\n"
        "email:mailto:j@example.de\n"
        "end:vcard\n"
        "BEGIN:VCARD\r\nFN:No Mail\r\nEND:VCARD\r\n";
    ExpectRows(ReadVCards(cards), {{"Ann Smith, PhD", "ann@example.org"},
                                   {"Ann Smith, PhD", "ann@work.example"},
                                   {QString::fromUtf8("Jürgen Karl Müller"), "j@example.de"}});
}

TEST(VCard, QuotedPrintableWithCharsetAndSoftBreaks) {
    const std::string card =
        "BEGIN:VCARD\r\n"
        "VERSION:2.1\r\n"
        "FN;CHARSET=ISO-8859-1;ENCODING=QUOTED-PRINTABLE:J=FCrgen =\r\n"
        "M=FCller\r\n"
        "N;CHARSET=UTF-8;QUOTED-PRINTABLE:ignored\r\n"
        "EMAIL;INTERNET;QUOTED-PRINTABLE:j=40example.de\r\n"
        "END:VCARD\r\n";
    ExpectRows(ReadVCards(card), {{QString::fromUtf8("Jürgen Müller"), "j@example.de"}});
}

TEST(VCard, UnlabelledBytesFallBackToAnsi) {
    const std::string card = "BEGIN:VCARD\nFN:Ren\xe9\nEMAIL:r@example.fr\nEND:VCARD\n";
    ExpectRows(ReadVCards(card), {{QString::fromUtf8("René"), "r@example.fr"}});
}

TEST(VCard, UnendedCardAndBrokenLinesListNothingExtra) {
    ExpectRows(ReadVCards("BEGIN:VCARD\nEMAIL:a@b\n"), {});
    ExpectRows(ReadVCards("=\n \n:\nBEGIN:VCARD\nEMAIL;QUOTED-PRINTABLE:x=\n"), {});
    // Fed line by line, a card keeps its rows only once it ends.
    const std::string card = "BEGIN:VCARD\nFN:A\nEMAIL:a@example.org\nEND:VCARD\n";
    for (std::size_t length = 0; length + 1 < card.size(); ++length) {
        EXPECT_TRUE(ReadVCards(std::string_view(card).substr(0, length)).empty()) << length;
    }
}

}  // namespace
}  // namespace murmel
