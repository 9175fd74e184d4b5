#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QStackedWidget>
#include <QTest>
#include <QTreeWidget>

#include <gtest/gtest.h>

#include "options/frm_options.h"
#include "ui_frm_options.h"

namespace murmel {
namespace {

// Settings that remember the order of their writes.
class RecordingSettings : public MemorySettings {
public:
    void Write(SettingId id, const QString& value) override {
        const std::string_view name = SettingName(id);
        writes.append(QString::fromLatin1(name.data(), static_cast<qsizetype>(name.size())));
        MemorySettings::Write(id, value);
    }
    QStringList writes;
};

class FakeContext : public OptionsContext {
public:
    QString T(std::string_view id) const override { return QString::fromLatin1(id); }
    QStringList BookKindLabels() const override {
        return {"List", "Windows", "Client", "Communicator", "Nicknames", "vCard", "SQLite"};
    }
    murmel::Settings& Settings() override { return settings; }
    QString ServerCopy() const override { return serverCopy; }
    void SetServerCopy(const QString& server) override { serverCopy = server; }
    void PlayClick() override { ++clicks; }
    void OpenHelp() override {}
    void ShowError(const QString& text, const QString&) override { errors.append(text); }
    QIcon CheckedIcon() const override { return QIcon(); }
    QString RunCommand() const override { return "/opt/murmel\\Murmel.exe 1"; }
    QStringList Drives() const override { return {"/home/u", "/media/u/stick [STICK]"}; }
    QString FindAddressBooks(const QString& drive) override {
        searched.append(drive);
        return found;
    }

    RecordingSettings settings;
    QString serverCopy = "http://relay.example/";
    QString found;
    QStringList searched;
    QStringList errors;
    int clicks = 0;
};

class OptionsTest : public ::testing::Test {
protected:
    OptionsTest() {
        context.settings.setMyName("Anna");
        context.settings.setPlaySounds("1");
        context.settings.setAutorun("1");
        context.settings.setKnownAddressBooks("/b/nndbase.txt\t/a/abook.nab\t\t/c/x.wab\t");
        context.settings.setAddressBook("Nicknames\t/b/nndbase.txt");
        context.settings.writes.clear();
    }
    std::unique_ptr<frmOptions> Open(int tab) {
        auto form = std::make_unique<frmOptions>(context);
        form->setInitialTab(tab);
        form->Form_Load();
        return form;
    }
    static QTreeWidgetItem* Row(const frmOptions& form, int i) {
        return form.ui()->lvBooks->topLevelItem(i);
    }

    FakeContext context;
};

TEST_F(OptionsTest, LoadingIsSilentAndLeavesApplyOff) {
    auto form = Open(2);
    EXPECT_EQ(context.clicks, 0);
    EXPECT_FALSE(form->ui()->cmdApply->isEnabled());
    EXPECT_EQ(form->ui()->txtName->text(), "Anna");
    EXPECT_EQ(form->ui()->txtServer->text(), "http://relay.example/");
    EXPECT_EQ(form->ui()->chkSounds->checkState(), Qt::Checked);
    EXPECT_TRUE(context.settings.writes.isEmpty());
}

TEST_F(OptionsTest, TabOneShowsTheBookPageWithTheCurrentBookMarked) {
    auto form = Open(1);
    EXPECT_EQ(form->ui()->picOptions->currentIndex(), 1);
    EXPECT_TRUE(form->ui()->picOptions1->isEnabled());
    EXPECT_FALSE(form->ui()->picOptions0->isEnabled());
    // The list stops at the first empty piece and keeps itself sorted by kind name.
    QTreeWidget* list = form->ui()->lvBooks;
    ASSERT_EQ(list->topLevelItemCount(), 2);
    EXPECT_EQ(Row(*form, 0)->text(0), "Communicator");
    EXPECT_EQ(Row(*form, 1)->text(0), "Nicknames");
    EXPECT_FALSE(form->IsChecked(Row(*form, 0)));
    EXPECT_TRUE(form->IsChecked(Row(*form, 1)));
    EXPECT_TRUE(Row(*form, 1)->isSelected());
}

TEST_F(OptionsTest, AnyOtherTabShowsTheMailPage) {
    for (int tab : {0, 7, -1}) {
        auto form = Open(tab);
        EXPECT_EQ(form->ui()->picOptions->currentIndex(), 0) << tab;
        EXPECT_TRUE(form->ui()->picOptions0->isEnabled()) << tab;
        EXPECT_FALSE(form->ui()->picOptions2->isEnabled()) << tab;
    }
}

TEST_F(OptionsTest, RefusedServerTextsWriteNothing) {
    struct Case {
        void (frmOptions::*button)();
        const char* typed;
        const char* error;
        const char* shownAfter;
    };
    const Case cases[] = {
        {&frmOptions::cmdOK_Click, "   ", "opt0032", ""},
        // The prefix is put in front, ready for the next try.
        {&frmOptions::cmdApply_Click, "  relay.example/in ", "opt0034", "http://relay.example/in"},
    };
    for (const Case& c : cases) {
        context.errors.clear();
        auto form = Open(2);
        form->ui()->txtServer->setText(c.typed);
        (form.get()->*c.button)();
        EXPECT_EQ(context.errors, QStringList{c.error}) << c.typed;
        EXPECT_EQ(form->ui()->txtServer->text(), c.shownAfter) << c.typed;
        EXPECT_TRUE(context.settings.writes.isEmpty()) << c.typed;
        EXPECT_TRUE(form->ui()->cmdApply->isEnabled()) << c.typed;
    }
}

TEST_F(OptionsTest, ServerGivenItsPrefixIsSavedOnTheNextApply) {
    auto form = Open(2);
    form->ui()->txtServer->setText("  relay.example/in ");
    form->cmdApply_Click();
    form->cmdApply_Click();
    EXPECT_EQ(context.errors.size(), 1);
    EXPECT_EQ(context.settings.ConnectTo(), "http://relay.example/in");
    EXPECT_EQ(context.serverCopy, "http://relay.example/in");
}

TEST_F(OptionsTest, CapitalPrefixIsAcceptedUnchanged) {
    auto form = Open(2);
    form->ui()->txtServer->setText("HTTP://Relay.Example/");
    form->cmdApply_Click();
    EXPECT_TRUE(context.errors.isEmpty());
    EXPECT_EQ(context.settings.ConnectTo(), "HTTP://Relay.Example/");
}

TEST_F(OptionsTest, ApplySavesInOrderAndStaysOpen) {
    context.settings.setAutorun("2");  // greyed
    context.settings.writes.clear();
    auto form = Open(0);
    form->show();
    form->ui()->txtNote->setText(" note ");
    EXPECT_TRUE(form->ui()->cmdApply->isEnabled());
    form->cmdApply_Click();
    EXPECT_EQ(context.settings.writes,
              (QStringList{"ConnectTo", "MyName", "MyOrganization", "MyEmail", "MyCc", "MyNote",
                           "PlaySounds", "Autorun", "SetRunAtInitialization", "AddressBook"}));
    EXPECT_EQ(context.settings.MyNote(), " note ");
    EXPECT_EQ(context.settings.Autorun(), "2");
    EXPECT_EQ(context.settings.SetRunAtInitialization(), "/opt/murmel\\Murmel.exe 1");
    EXPECT_EQ(context.settings.AddressBook(), "Nicknames\t/b/nndbase.txt");
    EXPECT_FALSE(form->ui()->cmdApply->isEnabled());
    EXPECT_TRUE(form->isVisible());
}

TEST_F(OptionsTest, LabelClickTogglesItsBoxAndEnablesApply) {
    auto form = Open(2);
    form->ui()->chkAutorun->setCheckState(Qt::PartiallyChecked);
    QTest::mouseClick(form->ui()->lblAutorun, Qt::LeftButton);
    EXPECT_EQ(form->ui()->chkAutorun->checkState(), Qt::Checked);
    EXPECT_TRUE(form->ui()->cmdApply->isEnabled());

    QTest::mouseClick(form->ui()->lblPlayNavigationSounds, Qt::LeftButton);
    EXPECT_EQ(form->ui()->chkSounds->checkState(), Qt::Unchecked);
    QTest::mouseClick(form->ui()->lblAutorun, Qt::LeftButton);
    form->cmdApply_Click();
    EXPECT_EQ(context.settings.PlaySounds(), "0");
    EXPECT_EQ(context.settings.Autorun(), "0");
    // The entry stays, empty, so the log-on start runs nothing.
    EXPECT_TRUE(context.settings.Has(SettingId::SetRunAtInitialization));
    EXPECT_EQ(context.settings.SetRunAtInitialization(), "");
}

TEST_F(OptionsTest, NoSelectedBookSavesAnEmptyAddressBook) {
    context.settings.setAddressBook("Nicknames\t/gone/nndbase.txt");
    auto form = Open(1);
    form->cmdApply_Click();
    EXPECT_EQ(context.settings.AddressBook(), "");
}

TEST_F(OptionsTest, ClickedBookIsTheOneSaved) {
    auto form = Open(1);
    form->show();
    QTreeWidget* list = form->ui()->lvBooks;
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                      list->visualItemRect(Row(*form, 0)).center());
    EXPECT_TRUE(form->IsChecked(Row(*form, 0)));
    EXPECT_FALSE(form->IsChecked(Row(*form, 1)));
    EXPECT_TRUE(form->ui()->cmdApply->isEnabled());
    form->cmdOK_Click();
    EXPECT_EQ(context.settings.AddressBook(), "Communicator\t/a/abook.nab");
    EXPECT_EQ(form->result(), QDialog::Accepted);
}

TEST_F(OptionsTest, CancelLeavesSettingsUnchanged) {
    auto form = Open(0);
    form->ui()->txtName->setText("Bert");
    form->ui()->chkSounds->click();
    form->cmdCancel_Click();
    EXPECT_TRUE(context.settings.writes.isEmpty());
    EXPECT_EQ(form->result(), QDialog::Rejected);
}

TEST_F(OptionsTest, SearchStoresItsResultAtOnceAndRefills) {
    auto form = Open(1);
    form->ui()->Drive1->setCurrentIndex(1);
    context.found = "/media/u/stick/Friends.VCF\t";
    form->cmdSearch_Click();
    EXPECT_EQ(context.searched, QStringList{"/media/u/stick [STICK]"});
    EXPECT_EQ(context.settings.writes, QStringList{"KnownAddressBooks"});
    ASSERT_EQ(form->ui()->lvBooks->topLevelItemCount(), 1);
    EXPECT_EQ(Row(*form, 0)->text(0), "vCard");
    EXPECT_EQ(Row(*form, 0)->text(1), "/media/u/stick/Friends.VCF");
}

TEST_F(OptionsTest, HeaderClicksSortWithPlusAndMinus) {
    auto form = Open(1);
    QTreeWidgetItem* header = form->ui()->lvBooks->headerItem();
    form->lvBooks_ColumnClick(0);
    EXPECT_EQ(header->text(0), "opt0010 +");
    form->lvBooks_ColumnClick(0);
    EXPECT_EQ(header->text(0), "opt0010 -");
    EXPECT_EQ(Row(*form, 0)->text(0), "Nicknames");
    form->lvBooks_ColumnClick(1);
    EXPECT_EQ(header->text(0), "opt0010  ");
    EXPECT_EQ(header->text(1), "opt0011 +");
    EXPECT_EQ(Row(*form, 0)->text(1), "/a/abook.nab");
}

}  // namespace
}  // namespace murmel
