#include <QFile>
#include <QHeaderView>
#include <QLabel>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

#include <gtest/gtest.h>

#include "picker/frm_addresses.h"
#include "ui_frm_addresses.h"

namespace murmel {
namespace {

// A picker context over a nickname book in a temporary folder; the options
// window is a hook that may choose another book.
class FakeContext : public PickerContext {
public:
    FakeContext() {
        addressBook = "Nicknames\t" + Write("nndbase.txt",
                                            "alias bert bert@example.org\n"
                                            "alias anna anna@example.org\n"
                                            "alias cleo zed@example.org\n");
    }
    QString Write(const QString& name, const QByteArray& bytes) {
        QFile file(dir.filePath(name));
        file.open(QIODevice::WriteOnly);
        file.write(bytes);
        return file.fileName();
    }
    QString T(std::string_view id) const override { return QString::fromLatin1(id); }
    QStringList BookKindLabels() const override {
        return {"List", "Windows", "Client", "Communicator", "Nicknames", "vCard", "SQLite"};
    }
    QString AddressBook() const override { return addressBook; }
    void PlayClick() override { ++clicks; }
    void OpenHelp() override { ++helps; }
    void ShowOptions(int initialTab) override {
        tabs.append(initialTab);
        if (onOptions) {
            onOptions();
        }
    }
    BookRows ImportFromMailClient() override { return {}; }
    QIcon CheckedIcon() const override { return QIcon(); }
    QIcon NoneIcon() const override { return QIcon(); }

    QTemporaryDir dir;
    QString addressBook;
    int clicks = 0;
    int helps = 0;
    QList<int> tabs;
    std::function<void()> onOptions;
};

QStringList Column(const frmAddresses& picker, int column) {
    QStringList texts;
    const QTreeWidget* list = picker.ui()->lvAddresses;
    for (int i = 0; i < list->topLevelItemCount(); ++i) {
        texts.append(list->topLevelItem(i)->text(column));
    }
    return texts;
}

QString Header(const frmAddresses& picker, int column) {
    return picker.ui()->lvAddresses->headerItem()->text(column);
}

void ClickRow(frmAddresses& picker, int row, Qt::MouseButton button) {
    QTreeWidget* list = picker.ui()->lvAddresses;
    const QRect rect = list->visualItemRect(list->topLevelItem(row));
    QTest::mouseClick(list->viewport(), button, {}, rect.center());
}

TEST(FrmAddresses, OpensSortedAscendingAndHeadersShowTheDirection) {
    FakeContext context;
    frmAddresses picker(context);
    EXPECT_EQ(Column(picker, 0), QStringList({"anna", "bert", "cleo"}));
    EXPECT_EQ(Header(picker, 0), "add0004 +");
    EXPECT_EQ(Header(picker, 1), "add0005  ");

    picker.lvAddresses_ColumnClick(0);
    EXPECT_EQ(Column(picker, 0), QStringList({"cleo", "bert", "anna"}));
    EXPECT_EQ(Header(picker, 0), "add0004 -");

    picker.ui()->lvAddresses->header()->sectionClicked(1);
    EXPECT_EQ(Header(picker, 0), "add0004  ");
    EXPECT_EQ(Header(picker, 1), "add0005 +");
    EXPECT_EQ(Column(picker, 1),
              QStringList({"anna@example.org", "bert@example.org", "zed@example.org"}));
}

TEST(FrmAddresses, LeftClickTogglesTicksAndRightClickDoesNot) {
    FakeContext context;
    frmAddresses picker(context);
    picker.show();
    ClickRow(picker, 0, Qt::LeftButton);
    ClickRow(picker, 2, Qt::LeftButton);
    ClickRow(picker, 1, Qt::RightButton);
    EXPECT_EQ(picker.CheckedAddresses(), QStringList({"anna@example.org", "zed@example.org"}));
    ClickRow(picker, 0, Qt::LeftButton);
    EXPECT_EQ(picker.CheckedAddresses(), QStringList({"zed@example.org"}));
}

TEST(FrmAddresses, OkKeepsTicksAndCancelClearsThem) {
    FakeContext context;
    frmAddresses picker(context);
    picker.show();
    ClickRow(picker, 1, Qt::LeftButton);
    picker.ui()->cmdOk->click();
    EXPECT_FALSE(picker.isVisible());
    EXPECT_EQ(picker.CheckedAddresses(), QStringList({"bert@example.org"}));
    picker.show();
    QTest::keyClick(&picker, Qt::Key_Escape);
    EXPECT_FALSE(picker.isVisible());
    EXPECT_TRUE(picker.CheckedAddresses().isEmpty());
    EXPECT_EQ(context.clicks, 2);
}

// The key and button every check-list dialog shares.
TEST(FrmAddresses, HelpButtonClicksAndF1OpensHelpSilently) {
    FakeContext context;
    frmAddresses picker(context);
    picker.show();
    QTest::keyClick(&picker, Qt::Key_F1);
    EXPECT_EQ(context.helps, 1);
    EXPECT_EQ(context.clicks, 0);
    EXPECT_TRUE(picker.isVisible());
    picker.ui()->cmdHelp->click();
    EXPECT_EQ(context.helps, 2);
    EXPECT_EQ(context.clicks, 1);
}

TEST(FrmAddresses, PickRecipientsJoinsTheTickedAddresses) {
    FakeContext context;
    QString picked;
    QTimer::singleShot(0, [&] {
        auto* picker = qobject_cast<frmAddresses*>(QApplication::activeModalWidget());
        ASSERT_NE(picker, nullptr);
        ClickRow(*picker, 0, Qt::LeftButton);
        ClickRow(*picker, 1, Qt::LeftButton);
        picker->ui()->cmdOk->click();
    });
    picked = PickRecipients(context, nullptr);
    EXPECT_EQ(picked, "anna@example.org, bert@example.org");
}

TEST(FrmAddresses, ChoosingAnotherBookRefillsTheList) {
    FakeContext context;
    context.onOptions = [&] {
        context.addressBook = "vCard\t" + context.Write("new.vcf",
                                                        "BEGIN:VCARD\nFN:Zoe\n"
                                                        "EMAIL:zoe@example.org\nEND:VCARD\n");
    };
    frmAddresses picker(context);
    picker.ui()->cmdSet->click();
    EXPECT_EQ(context.tabs, QList<int>({1}));
    EXPECT_EQ(Column(picker, 0), QStringList({"Zoe"}));
    // An empty book empties the list too.
    context.onOptions = [&] { context.addressBook = "vCard\t" + context.Write("empty.vcf", ""); };
    picker.ui()->cmdSet->click();
    EXPECT_EQ(Column(picker, 0), QStringList());
}

TEST(FrmAddresses, DraggingTheTitleStripMovesTheWindow) {
    FakeContext context;
    frmAddresses picker(context);
    picker.move(100, 100);
    picker.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&picker));
    QLabel* strip = picker.ui()->lblToolbar;
    const QPoint start = strip->rect().center();
    QTest::mousePress(strip, Qt::LeftButton, {}, start);
    QTest::mouseMove(strip, start + QPoint(30, 20));
    QTest::mouseRelease(strip, Qt::LeftButton, {}, start + QPoint(30, 20));
    EXPECT_EQ(picker.pos(), QPoint(130, 120));
}

TEST(FrmAddresses, UnknownKindShowsTheNoBookRow) {
    FakeContext context;
    context.addressBook = "Gone kind\t" + context.Write("x.wab", "");
    frmAddresses picker(context);
    EXPECT_EQ(Column(picker, 0), QStringList({"add0006"}));
    context.addressBook.clear();
    EXPECT_EQ(Column(frmAddresses(context), 0), QStringList());
}

}  // namespace
}  // namespace murmel
