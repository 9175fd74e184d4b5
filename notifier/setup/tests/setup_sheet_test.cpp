// The Setup window offscreen: account rules and their boxes, what OK saves
// and in which order, the advanced keys, enabling rules, start at log-on.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSpinBox>
#include <fstream>

#include "registry/autostart.h"
#include "services/testing/fake_services.h"
#include "services/testing/saved_rectangle.h"
#include "settings/data_files.h"
#include "settings/password_scramble.h"
#include "settings/start_with_system.h"
#include "setup/account_dialogs.h"
#include "setup/setup_sheet.h"
#include "test_env.h"

using namespace corvy;
using namespace corvy::setup;
using corvy::settings::AccountSlot;
using corvy::settings::NotifierSettings;

namespace {

class SetupTest : public ::testing::Test {
protected:
    SetupTest()
        : dir_(vantry::test::FreshDir("setup")),
          profile_(dir_ / "corvy.ini"),
          store_(dir_ / "registry"),
          ctx_{profile_, store_, services_, "/opt/corvy", "/opt/corvy/corvy", false} {}

    std::unique_ptr<CCorvyPropSheet> Sheet(const NotifierSettings& s = {}) {
        auto sheet = std::make_unique<CCorvyPropSheet>(ctx_, s);
        sheet->Page2()->SetAccountDialog([this](AccountSlot& a, bool adding) {
            ++dialogsShown_;
            lastAdding_ = adding;
            if (!dialogAnswer_) {
                return false;
            }
            a = *dialogAnswer_;
            return true;
        });
        return sheet;
    }

    void SeedAccounts(int n) {
        settings::AccountSlots seeded;
        for (int i = 0; i < n; ++i) {
            seeded[i] = Acct("acct" + std::to_string(i));
        }
        settings::SaveAccountSlots(profile_, seeded);
    }

    static AccountSlot Acct(const std::string& name) {
        return {name, "pop." + name, "user-" + name, "pw-" + name, false};
    }

    template <typename W>
    static W* Find(QWidget* root, const char* name) {
        W* w = root->findChild<W*>(QString::fromLatin1(name));
        EXPECT_NE(w, nullptr) << name;
        return w;
    }

    std::filesystem::path dir_;
    vantry::profile::Profile profile_;
    vantry::registry::Store store_;
    FakeServices services_;
    SetupContext ctx_;
    std::optional<AccountSlot> dialogAnswer_;
    int dialogsShown_ = 0;
    bool lastAdding_ = false;
};

}  // namespace

TEST_F(SetupTest, TitleAndPagesInOrder) {
    auto sheet = Sheet();
    EXPECT_EQ(sheet->windowTitle(), "Corvy  - Setup");
    ASSERT_EQ(sheet->Tabs()->count(), 3);
    EXPECT_EQ(sheet->Tabs()->tabText(0), "Connection");
    EXPECT_EQ(sheet->Tabs()->tabText(1), "Mail Accounts");
    EXPECT_EQ(sheet->Tabs()->tabText(2), "Options");
}

TEST_F(SetupTest, RectangleKeptOnCloseAndRestored) {
    {
        auto sheet = Sheet();
        sheet->setGeometry(120, 80, 700, 500);
        sheet->reject();
    }
    EXPECT_EQ(corvy::testing::SavedRectangle(profile_, "Setup"), QRect(120, 80, 700, 500));
    EXPECT_EQ(Sheet()->geometry(), QRect(120, 80, 700, 500));
}

// Where the compositor places windows: the size comes back, the position a
// later X11 session uses stays as saved.
TEST_F(SetupTest, RectangleWithoutPlacementKeepsOnlyTheSize) {
    corvy::testing::WriteSavedRectangle(profile_, "Setup", QRect(120, 80, 700, 500));
    services_.placesWindows = false;
    auto sheet = Sheet();
    EXPECT_EQ(sheet->size(), QSize(700, 500));
    EXPECT_NE(sheet->pos(), QPoint(120, 80));
    sheet->setGeometry(0, 0, 600, 400);
    sheet->OnOK();
    EXPECT_EQ(corvy::testing::SavedRectangle(profile_, "Setup"), QRect(120, 80, 600, 400));
}

TEST_F(SetupTest, AddRulesAndTheirBoxes) {
    SeedAccounts(1);
    auto sheet = Sheet();
    CCorvyPropPage2* page = sheet->Page2();

    dialogAnswer_ = Acct("");
    page->OnAdd();
    dialogAnswer_ = Acct("ACCT0");
    page->OnAdd();
    ASSERT_EQ(services_.boxes.size(), 2u);
    EXPECT_EQ(services_.boxes[0].text, "Unable to add account. Account name empty.");
    EXPECT_EQ(services_.boxes[1].text, "Unable to add. Account already exists.");
    EXPECT_EQ(services_.boxes[1].title, "Corvy");
    EXPECT_EQ(services_.boxes[1].icon, BoxIcon::Exclamation);

    dialogAnswer_ = Acct("second");
    page->OnAdd();
    EXPECT_TRUE(lastAdding_);
    EXPECT_EQ(page->Accounts().Count(), 2);
    EXPECT_EQ(Find<QListWidget>(page, "lstAccounts")->count(), 2);

    dialogAnswer_.reset();  // Cancel in the dialog adds nothing
    page->OnAdd();
    EXPECT_EQ(page->Accounts().Count(), 2);
}

TEST_F(SetupTest, EleventhAccountRefusedBeforeDialogOpens) {
    SeedAccounts(10);
    auto sheet = Sheet();
    dialogAnswer_ = Acct("eleven");
    sheet->Page2()->OnAdd();
    EXPECT_EQ(dialogsShown_, 0);
    ASSERT_EQ(services_.boxes.size(), 1u);
    EXPECT_EQ(services_.boxes[0].text, "Unable to add account. You already have 10 accounts.");
}

TEST_F(SetupTest, DeleteFirstOfTenAndSaveMovesSectionsUp) {
    SeedAccounts(10);
    auto sheet = Sheet();
    auto* list = Find<QListWidget>(sheet->Page2(), "lstAccounts");
    list->setCurrentRow(0);
    services_.answers = {BoxAnswer::No};
    sheet->Page2()->OnDelete();
    EXPECT_EQ(list->count(), 10);  // No keeps it
    sheet->Page2()->OnDelete();    // Yes
    ASSERT_EQ(services_.boxes.size(), 2u);
    EXPECT_EQ(services_.boxes[1].text, "Are you sure you want to delete acct0");
    EXPECT_EQ(services_.boxes[1].buttons, BoxButtons::YesNo);
    EXPECT_EQ(list->count(), 9);
    sheet->OnOK();
    for (int i = 0; i < 9; ++i) {
        const std::string section = "MailAccount" + std::to_string(i);
        EXPECT_EQ(profile_.GetString(section, "AccountName"), "acct" + std::to_string(i + 1));
        EXPECT_EQ(profile_.GetString(section, "Password"),
                  settings::ScramblePassword("pw-acct" + std::to_string(i + 1)));
    }
    EXPECT_EQ(profile_.GetString("MailAccount9", "AccountName", "missing"), "");
    EXPECT_EQ(profile_.GetString("MailAccount9", "ServerAddress", "missing"), "");
}

TEST_F(SetupTest, PortAndIdCheckingMoveWithTheirAccount) {
    SeedAccounts(3);
    profile_.WriteInt("MailAccount0", "POP3Port", 995);
    profile_.WriteInt("MailAccount1", "POP3Port", 1110);
    profile_.WriteInt("MailAccount1", "DisableUIDL", 1);
    profile_.WriteInt("MailAccount2", "POP3Port", 2110);
    auto sheet = Sheet();
    Find<QListWidget>(sheet->Page2(), "lstAccounts")->setCurrentRow(0);
    sheet->Page2()->OnDelete();
    dialogAnswer_ = Acct("fresh");  // lands in the third place
    sheet->Page2()->OnAdd();
    sheet->OnOK();
    EXPECT_EQ(settings::LoadPop3Port(profile_, 0), 1110);
    EXPECT_TRUE(settings::LoadDisableUidl(profile_, 0));
    EXPECT_EQ(settings::LoadPop3Port(profile_, 1), 2110);
    EXPECT_FALSE(settings::LoadDisableUidl(profile_, 1));
    EXPECT_EQ(profile_.GetString("MailAccount2", "AccountName"), "fresh");
    EXPECT_EQ(settings::LoadPop3Port(profile_, 2), 110);
}

TEST_F(SetupTest, EditStoresDialogValuesBack) {
    SeedAccounts(2);
    auto sheet = Sheet();
    Find<QListWidget>(sheet->Page2(), "lstAccounts")->setCurrentRow(1);
    dialogAnswer_ = AccountSlot{"ACCT0", "new.server", "nu", "npw", true};
    sheet->Page2()->OnEdit();
    EXPECT_FALSE(lastAdding_);
    EXPECT_TRUE(services_.boxes.empty());  // editing does not check names
    sheet->OnOK();
    EXPECT_EQ(settings::LoadAccountSlot(profile_, 1), *dialogAnswer_);
}

TEST_F(SetupTest, EditRefusesEmptyNameAndKeepsLaterAccounts) {
    SeedAccounts(3);
    auto sheet = Sheet();
    Find<QListWidget>(sheet->Page2(), "lstAccounts")->setCurrentRow(1);
    dialogAnswer_ = Acct("");
    sheet->Page2()->OnEdit();
    ASSERT_EQ(services_.boxes.size(), 1u);
    EXPECT_EQ(services_.boxes[0].text, "Unable to add account. Account name empty.");
    EXPECT_EQ(services_.boxes[0].icon, BoxIcon::Exclamation);
    sheet->OnOK();
    EXPECT_EQ(settings::LoadAccountSlot(profile_, 1), Acct("acct1"));
    EXPECT_EQ(profile_.GetString("MailAccount2", "AccountName"), "acct2");
}

TEST_F(SetupTest, OkSavesSettingsAndPageKeys) {
    SeedAccounts(2);
    NotifierSettings current;
    current.defaultAccount = "acct1";
    auto sheet = Sheet(current);
    auto* page3 = sheet->Page3();
    Find<QSpinBox>(page3, "spnCheckTime")->setValue(7);
    Find<QCheckBox>(page3, "chkRetrieveBodyWithHeaders")->setChecked(false);
    Find<QComboBox>(page3, "cmbDefaultAccount")->setCurrentIndex(1);
    Find<QLineEdit>(sheet->Page2(), "txtSMTPServer")->setText("smtp.example.org");
    Find<QLineEdit>(sheet->Page1(), "txtDUNPassword")->setText("dial");
    sheet->OnOK();
    EXPECT_EQ(sheet->result(), QDialog::Accepted);
    EXPECT_EQ(sheet->Result().checkTime, 7);
    EXPECT_EQ(sheet->Result().defaultAccount, "acct1");
    EXPECT_TRUE(sheet->Result().lan);  // no dial-up support
    const NotifierSettings stored = settings::LoadNotifierSettings(profile_, false);
    EXPECT_EQ(stored, sheet->Result());
    EXPECT_EQ(profile_.GetString("QuickMail", "QuickMailHost"), "smtp.example.org");
    EXPECT_EQ(profile_.GetInt("Options", "RetrieveBodyWithHeaders", -1), 0);
    EXPECT_EQ(profile_.GetString("Connection", "Password"), settings::ScramblePassword("dial"));
    EXPECT_EQ(profile_.GetInt("Connection", "AskBeforeConnecting", -1), 1);
}

TEST_F(SetupTest, DefaultAccountFallsToFirstAndFollowsList) {
    SeedAccounts(2);
    NotifierSettings current;
    current.defaultAccount = "gone";
    auto sheet = Sheet(current);
    auto* box = Find<QComboBox>(sheet->Page3(), "cmbDefaultAccount");
    EXPECT_EQ(box->count(), 2);
    EXPECT_EQ(box->currentText(), "acct0");
    dialogAnswer_ = Acct("third");
    sheet->Page2()->OnAdd();
    EXPECT_EQ(box->count(), 3);
    EXPECT_EQ(box->currentText(), "acct0");
}

TEST_F(SetupTest, ConnectionPageWithoutDialUpShowsLanOnly) {
    auto sheet = Sheet();
    auto* page = sheet->Page1();
    auto* lan = Find<QCheckBox>(page, "chkLAN");
    EXPECT_TRUE(lan->isChecked());
    EXPECT_FALSE(lan->isEnabled());
    for (const char* name : {"cmbDUN", "txtDUNUserName", "txtDUNPassword", "txtNumberToDial",
                             "chkCheckOnlyWhenOnline", "chkDisconnect"}) {
        EXPECT_FALSE(Find<QWidget>(page, name)->isEnabled()) << name;
    }
}

TEST_F(SetupTest, ConnectionPageWithDialUpEnablingRules) {
    ctx_.dialUpAvailable = true;
    NotifierSettings current;
    current.lan = false;
    current.checkOnlyWhenOnline = true;
    auto sheet = Sheet(current);
    auto* page = sheet->Page1();
    EXPECT_TRUE(Find<QWidget>(page, "txtNumberToDial")->isEnabled());
    EXPECT_FALSE(Find<QWidget>(page, "chkDisconnect")->isEnabled());
    Find<QCheckBox>(page, "chkCheckOnlyWhenOnline")->setChecked(false);
    EXPECT_TRUE(Find<QWidget>(page, "chkDisconnect")->isEnabled());
    Find<QCheckBox>(page, "chkLAN")->setChecked(true);
    EXPECT_FALSE(Find<QWidget>(page, "txtNumberToDial")->isEnabled());
    EXPECT_FALSE(Find<QWidget>(page, "chkDisconnect")->isEnabled());
}

// Entries and details as the dial-up operations give them.
class EntryStub : public NoDialUp {
public:
    bool Available() const override { return true; }
    std::vector<std::string> ListEntries(bool lanChecked) override {
        listedWithLan = lanChecked;
        return {"Mobile", "DSL"};
    }
    bool LookUpEntry(const std::string& name, bool, dialup::EntryDetails& d) override {
        looked.push_back(name);
        if (name.empty()) {
            return false;
        }
        d = {"num-" + name, "user-" + name, "pw-" + name};
        return true;
    }
    bool listedWithLan = true;
    std::vector<std::string> looked;
};

TEST_F(SetupTest, ConnectionPageListsEntriesAndLooksUpTheChosenOne) {
    EntryStub entries;
    ctx_.dialUpAvailable = true;
    ctx_.dialUp = &entries;
    NotifierSettings current;
    current.lan = false;
    current.dun = "DSL";
    auto sheet = Sheet(current);
    auto* page = sheet->Page1();
    auto* dun = Find<QComboBox>(page, "cmbDUN");
    ASSERT_EQ(dun->count(), 2);
    EXPECT_FALSE(entries.listedWithLan);
    EXPECT_EQ(dun->currentText(), "DSL");
    EXPECT_EQ(Find<QLineEdit>(page, "txtNumberToDial")->text(), "num-DSL");

    dun->setCurrentIndex(0);
    page->OnEntryChosen();
    EXPECT_EQ(entries.looked, (std::vector<std::string>{"DSL", "Mobile"}));
    EXPECT_EQ(Find<QLineEdit>(page, "txtDUNUserName")->text(), "user-Mobile");
    EXPECT_EQ(Find<QLineEdit>(page, "txtDUNPassword")->text(), "pw-Mobile");
    sheet->OnOK();
    EXPECT_EQ(profile_.GetString("Connection", "DUN"), "Mobile");
    EXPECT_EQ(profile_.GetString("Connection", "NumberToDial"), "num-Mobile");

    // A stored entry that is gone stays, so opening Setup changes nothing.
    current.dun = "Gone";
    auto again = Sheet(current);
    EXPECT_EQ(Find<QComboBox>(again->Page1(), "cmbDUN")->currentText(), "Gone");
}

TEST_F(SetupTest, OptionsEnablingAndChoosers) {
    auto sheet = Sheet();
    auto* page = sheet->Page3();
    Find<QCheckBox>(page, "chkCheckTimeActive")->setChecked(false);
    EXPECT_FALSE(Find<QWidget>(page, "spnCheckTime")->isEnabled());
    Find<QCheckBox>(page, "chkPlayNewMailSound")->setChecked(false);
    EXPECT_FALSE(Find<QWidget>(page, "txtNewMailSound")->isEnabled());
    EXPECT_FALSE(Find<QWidget>(page, "cmdBrowseSound")->isEnabled());
    EXPECT_EQ(Find<QSpinBox>(page, "spnCheckTime")->maximum(), 999);
    EXPECT_EQ(Find<QSpinBox>(page, "spnPeekLines")->minimum(), 1);
    EXPECT_EQ(Find<QSpinBox>(page, "spnPeekLines")->maximum(), 99);
    services_.chosenFile = "/sounds/ding.wav";
    page->OnBrowseSound();
    EXPECT_EQ(Find<QLineEdit>(page, "txtNewMailSound")->text(), "/sounds/ding.wav");
    services_.chosenFile.clear();  // cancelled chooser keeps the field
    page->OnBrowseClient();
    EXPECT_EQ(Find<QLineEdit>(page, "txtEmailClient")->text(), "");
    ASSERT_EQ(services_.chooserTitles.size(), 2u);
    EXPECT_EQ(services_.chooserTitles[0], "Select Sound File|WAV Files (*.wav)");
}

TEST_F(SetupTest, StartAtLogOnWritesValueAndAutostartEntry) {
    const auto entry = vantry::registry::AutostartFolder() / "corvy.desktop";
    {
        auto sheet = Sheet();
        auto* box = Find<QCheckBox>(sheet->Page3(), "chkRunAtStart");
        EXPECT_EQ(box->text(), "Start Corvy when I log in");
        EXPECT_FALSE(box->isChecked());
        box->setChecked(true);
        sheet->OnOK();
    }
    EXPECT_TRUE(settings::StartsWithSystem(store_, "/opt/corvy/corvy"));
    EXPECT_TRUE(std::filesystem::exists(entry));
    {
        auto sheet = Sheet();
        auto* box = Find<QCheckBox>(sheet->Page3(), "chkRunAtStart");
        EXPECT_TRUE(box->isChecked());
        box->setChecked(false);
        sheet->OnOK();
    }
    EXPECT_FALSE(settings::StartsWithSystem(store_, "/opt/corvy/corvy"));
    EXPECT_FALSE(std::filesystem::exists(entry));
    EXPECT_TRUE(services_.boxes.empty());
}

TEST_F(SetupTest, StartAtLogOnValueForAnotherPathReadsOff) {
    ASSERT_EQ(settings::SetStartWithSystem(store_, true, "/elsewhere/corvy"), "");
    auto sheet = Sheet();
    EXPECT_FALSE(Find<QCheckBox>(sheet->Page3(), "chkRunAtStart")->isChecked());
}

TEST_F(SetupTest, SignatureOpensFileOrSaysItCannot) {
    auto sheet = Sheet();
    sheet->Page2()->OnSignature();
    ASSERT_EQ(services_.opened.size(), 1u);
    // The user's own copy, made so an editor can open and save it.
    EXPECT_EQ(services_.opened[0], settings::UserDataFolder() + "/signature.txt");
    EXPECT_TRUE(std::filesystem::is_regular_file(services_.opened[0]));
    services_.openWorks = false;
    sheet->Page2()->OnSignature();
    ASSERT_EQ(services_.boxes.size(), 1u);
    EXPECT_EQ(services_.boxes[0].text, "Could not open signature file for editing");
}

TEST_F(SetupTest, AdvancedNeedsSavedAccountAndWritesAtOnce) {
    SeedAccounts(2);
    CAccountDlg unsaved(ctx_, Acct("never-saved"));
    unsaved.OnAdvanced();
    ASSERT_EQ(services_.boxes.size(), 1u);
    EXPECT_EQ(services_.boxes[0].text, "Could not find entry never-saved");

    CAdvancedDlg advanced(ctx_, 1, "acct1");
    EXPECT_EQ(advanced.windowTitle(), "Advanced Settings for acct1");
    EXPECT_EQ(advanced.Port()->value(), 110);
    advanced.Port()->setValue(1110);
    advanced.DisableUidl()->setChecked(true);
    advanced.OnOK();
    EXPECT_EQ(profile_.GetInt("MailAccount1", "POP3Port", 0), 1110);
    EXPECT_EQ(profile_.GetInt("MailAccount1", "DisableUIDL", 0), 1);
}

TEST_F(SetupTest, AccountDialogRoundTripsValues) {
    const AccountSlot a{"me@example.org", "pop.example.org", "me", "pw", true};
    CAccountDlg dlg(ctx_, a);
    EXPECT_EQ(dlg.windowTitle(), "Mail Account");
    EXPECT_EQ(dlg.Account(), a);
    EXPECT_EQ(Find<QLineEdit>(&dlg, "txtPassword")->echoMode(), QLineEdit::Password);
}

TEST_F(SetupTest, HelpButtonsOpenTheSetupPage) {
    SeedAccounts(1);
    auto sheet = Sheet();
    Find<QPushButton>(sheet.get(), "cmdHelp")->click();
    CAccountDlg account(ctx_, Acct("acct0"));
    Find<QPushButton>(&account, "cmdHelp")->click();
    CAdvancedDlg advanced(ctx_, 0, "acct0");
    services_.openWorks = false;
    Find<QPushButton>(&advanced, "cmdHelp")->click();
    EXPECT_EQ(services_.opened, std::vector<std::string>(3, "/opt/corvy/htm/setup.htm"));
    ASSERT_EQ(services_.boxes.size(), 1u);
    EXPECT_EQ(services_.boxes[0].text, "Could not open your Web Browser");
}

TEST_F(SetupTest, AdvancedSecurityMovesThePortAndAcceptsACertificateOnlyWhenAsked) {
    SeedAccounts(1);
    profile_.WriteString("MailAccount0", "ServerAddress", "pop.example.org");
    CAdvancedDlg advanced(ctx_, 0, "acct0");
    auto* security = Find<QComboBox>(&advanced, "cmbSecurity");
    auto* pin = Find<QLineEdit>(&advanced, "txtCertificate");
    security->setCurrentIndex(2);
    EXPECT_EQ(advanced.Port()->value(), 995);
    security->setCurrentIndex(1);
    EXPECT_EQ(advanced.Port()->value(), 110);
    advanced.Port()->setValue(1110);
    security->setCurrentIndex(2);
    EXPECT_EQ(advanced.Port()->value(), 1110);  // the user's own port stays

    const std::string seen(95, 'A');
    std::string asked;
    advanced.probe = [&](const std::string& host, int port, int chosen) {
        asked = host + ":" + std::to_string(port) + ":" + std::to_string(chosen);
        return CAdvancedDlg::Probe{17, "refused: self-signed certificate", seen};
    };
    services_.answers = {BoxAnswer::No, BoxAnswer::Yes};
    Find<QPushButton>(&advanced, "cmdCheckCertificate")->click();
    EXPECT_EQ(asked, "pop.example.org:1110:2");
    EXPECT_EQ(pin->text(), "");
    Find<QPushButton>(&advanced, "cmdCheckCertificate")->click();
    ASSERT_EQ(services_.boxes.size(), 2u);
    EXPECT_NE(services_.boxes[1].text.find("self-signed"), std::string::npos);
    EXPECT_EQ(pin->text().toStdString(), seen);

    // Typed by hand: any case and separators, stored in one form; junk refused.
    pin->setText("zz");
    advanced.OnOK();
    EXPECT_FALSE(profile_.Find("MailAccount0", "Security").has_value());
    pin->setText(QString(64, QLatin1Char('b')));
    advanced.OnOK();
    EXPECT_EQ(profile_.GetInt("MailAccount0", "Security", 0), 2);
    EXPECT_EQ(profile_.GetString("MailAccount0", "CertificateSHA256").substr(0, 6), "BB:BB:");
}

TEST_F(SetupTest, QuickMailSignInIsSavedAndThePageSaysWherePasswordsLive) {
    auto sheet = Sheet();
    auto* page = sheet->Page2();
    EXPECT_NE(Find<QLabel>(page, "lblPasswordStore")->text().indexOf("scrambled"), -1);
    EXPECT_EQ(Find<QLineEdit>(page, "txtSMTPPassword")->echoMode(), QLineEdit::Password);
    auto* port = Find<QSpinBox>(page, "txtSMTPPort");
    EXPECT_EQ(port->value(), 25);
    Find<QComboBox>(page, "cmbSMTPSecurity")->setCurrentIndex(1);
    EXPECT_EQ(port->value(), 587);
    Find<QLineEdit>(page, "txtSMTPServer")->setText("smtp.example.org");
    Find<QLineEdit>(page, "txtSMTPUser")->setText("me");
    Find<QLineEdit>(page, "txtSMTPPassword")->setText("submit");
    sheet->OnOK();
    const NotifierSettings stored = settings::LoadNotifierSettings(profile_, false);
    EXPECT_EQ(stored.quickMailSecurity, settings::kSecurityStartTls);
    EXPECT_EQ(stored.quickMailPort, 587);
    EXPECT_EQ(stored.quickMailUser, "me");
    // No keyring in the tests: scrambled as the account passwords are.
    EXPECT_EQ(profile_.GetString("QuickMail", "QuickMailPassword"),
              settings::ScramblePassword("submit"));
    auto again = Sheet(stored);
    EXPECT_EQ(Find<QLineEdit>(again->Page2(), "txtSMTPPassword")->text(), "submit");
}
