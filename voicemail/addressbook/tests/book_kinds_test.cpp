#include <gtest/gtest.h>

#include "addressbook/book_kinds.h"

namespace murmel {
namespace {

TEST(BookKinds, FileNamesAreMatchedIgnoringCase) {
    EXPECT_EQ(KindOfFileName("ADDRBK.LST"), BookKind::BookList);
    EXPECT_EQ(KindOfFileName("Main.WAB"), BookKind::Wab);
    EXPECT_EQ(KindOfFileName("outlook.pst"), BookKind::Outlook);
    EXPECT_EQ(KindOfFileName("ABook.nab"), BookKind::Nab);
    EXPECT_EQ(KindOfFileName("NNDBASE.TXT"), BookKind::Nicknames);
    EXPECT_EQ(KindOfFileName("friends.VCF"), BookKind::VCard);
    EXPECT_EQ(KindOfFileName("abook-1.sqlite"), BookKind::Sqlite);
    EXPECT_EQ(KindOfFileName("history.sqlite"), BookKind::Sqlite);
    // A backup with a further extension is not a book.
    EXPECT_EQ(KindOfFileName("abook.nab.bak"), BookKind::None);
    EXPECT_EQ(KindOfFileName("places.sqlite"), BookKind::None);
}

TEST(BookKinds, StoredPathsTakeTheFirstKindTheyContain) {
    // The backup still reads as kind 4 in the options window, and a folder
    // name can decide the kind before the file name does.
    EXPECT_EQ(ClassifyBookPath("/home/u/abook.nab.bak"), BookKind::Nab);
    EXPECT_EQ(ClassifyBookPath("/home/u/old.wab/nndbase.txt"), BookKind::Wab);
    EXPECT_EQ(ClassifyBookPath("/home/u/notes.txt"), BookKind::None);
}

}  // namespace
}  // namespace murmel
