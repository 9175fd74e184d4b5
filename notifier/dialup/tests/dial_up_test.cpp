// The dial-up operations over the stand-in NetworkManager: the LAN answers
// without a backend, the texts and the suppressible rule, asking before
// connecting and disconnecting, and never hanging up someone else's line.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QTest>
#include <QTimer>

#include "dialup/connect_dlg.h"
#include "dialup/dial_up.h"
#include "dialup/nm_backend.h"
#include "dialup/testing/network_manager_test.h"
#include "services/testing/fake_services.h"
#include "settings/password_scramble.h"
#include "test_env.h"

using namespace corvy;
using namespace corvy::dialup;
using corvy::dialup::testing::NetworkManagerTest;

namespace {

class DialUpTest : public NetworkManagerTest {
protected:
    DialUpTest() : dir_(vantry::test::FreshDir("dialup")), profile_(dir_ / "corvy.ini") {
        nm_.AddDialProfiles();
        profile_.WriteString("Connection", "DUN", "Mobile");
        profile_.WriteString("Connection", "UserID", "me");
        profile_.WriteString("Connection", "Password", settings::ScramblePassword("pw"));
        profile_.WriteString("Connection", "NumberToDial", "555");
    }

    std::unique_ptr<CDialUp> Make() {
        auto dialUp = std::make_unique<CDialUp>(profile_, services_, FindBackend());
        dialUp->trayStatus = [this](int image, const std::string& tip) {
            tray_.push_back(std::to_string(image) + " " + tip);
        };
        dialUp->askConnect = [this] {
            ++asked_;
            return askAnswer_;
        };
        return dialUp;
    }

    std::filesystem::path dir_;
    vantry::profile::Profile profile_;
    FakeServices services_;
    std::vector<std::string> tray_;
    std::optional<bool> askAnswer_ = true;
    int asked_ = 0;
};

}  // namespace

TEST_F(DialUpTest, WithoutBackendEverythingAnswersAsOnALan) {
    CDialUp dialUp(profile_, services_, nullptr);
    EXPECT_FALSE(dialUp.Available());
    EXPECT_TRUE(dialUp.IsOnline());
    EXPECT_TRUE(dialUp.Dial());
    EXPECT_TRUE(dialUp.HangUp());
    EXPECT_TRUE(dialUp.EnsureConnected());
    dialUp.OfferDisconnect();
    EXPECT_TRUE(dialUp.ListEntries(false).empty());
    EXPECT_TRUE(services_.boxes.empty());
    EXPECT_TRUE(nm_.Activated().isEmpty());
}

TEST_F(DialUpTest, DialNeedsAllThreeStoredFieldsEvenDuringQuietChecks) {
    profile_.WriteString("Connection", "Password", "");
    auto dialUp = Make();
    dialUp->SetQuiet(true);
    EXPECT_FALSE(dialUp->Dial());
    ASSERT_EQ(services_.boxes.size(), 1u);
    EXPECT_EQ(services_.boxes[0].text, "Incomplete Dial-Up information!\nPlease check your setup.");
    EXPECT_EQ(services_.boxes[0].title, "Corvy");
    EXPECT_EQ(services_.boxes[0].icon, BoxIcon::Stop);
    EXPECT_TRUE(tray_.empty());
    EXPECT_TRUE(nm_.Activated().isEmpty());
}

TEST_F(DialUpTest, StoredNumberOverridesTheEntrysOwn) {
    auto dialUp = Make();
    ASSERT_TRUE(dialUp->Dial());
    EXPECT_EQ(tray_, std::vector<std::string>{"167 Corvy - Connecting..."});
    EXPECT_EQ(nm_.LastUpdate().value("gsm").value("number").toString(), "555");
    EXPECT_EQ(nm_.LastUpdate().value("gsm").value("username").toString(), "me");
    EXPECT_TRUE(dialUp->IsOnline());
}

TEST_F(DialUpTest, TimerCheckDuringADialDoesNotDialAgain) {
    nm_.SetActivationHangs(true);
    auto dialUp = Make();
    bool inner = true;
    QTimer::singleShot(0, [&] {
        inner = dialUp->Dial();
        nm_.FinishActivations();
    });
    EXPECT_TRUE(dialUp->Dial());
    EXPECT_FALSE(inner);
    EXPECT_EQ(nm_.Activated(), QStringList{"Mobile"});
    EXPECT_TRUE(services_.boxes.empty());
}

TEST_F(DialUpTest, FailedDialIsQuietOnlyWhenSuppressed) {
    nm_.SetActivationFails(true);
    auto dialUp = Make();
    dialUp->SetQuiet(true);
    EXPECT_FALSE(dialUp->Dial());
    EXPECT_TRUE(services_.boxes.empty());
    dialUp->SetQuiet(false);
    EXPECT_FALSE(dialUp->Dial());
    ASSERT_EQ(services_.boxes.size(), 1u);
    EXPECT_EQ(services_.boxes[0].text, "Undefined RAS Dial Error.");

    // An entry that is gone is reported even in a quiet check.
    profile_.WriteString("Connection", "DUN", "Gone");
    dialUp->SetQuiet(true);
    EXPECT_FALSE(dialUp->Dial());
    ASSERT_EQ(services_.boxes.size(), 2u);
    EXPECT_EQ(services_.boxes[1].text, "The connection \"Gone\" does not exist.");
}

TEST_F(DialUpTest, EnsureConnectedAsksStoresTheBoxAndDials) {
    auto dialUp = Make();
    askAnswer_.reset();  // No
    EXPECT_FALSE(dialUp->EnsureConnected());
    EXPECT_TRUE(nm_.Activated().isEmpty());

    askAnswer_ = false;  // Yes, with "Always ask" cleared
    EXPECT_TRUE(dialUp->EnsureConnected());
    EXPECT_EQ(profile_.GetInt("Connection", "AskBeforeConnecting", 1), 0);
    EXPECT_TRUE(dialUp->DialedByUs());
    EXPECT_EQ(nm_.Activated(), QStringList{"Mobile"});

    // Not asking any more: disconnecting hangs up without a box.
    dialUp->OfferDisconnect();
    EXPECT_TRUE(services_.boxes.empty());
    EXPECT_EQ(nm_.Deactivated(), QStringList{nm_.ActivePathOf("Mobile")});
    EXPECT_FALSE(dialUp->DialedByUs());
}

TEST_F(DialUpTest, FailedConnectShowsTheFailureImage) {
    nm_.SetActivationFails(true);
    auto dialUp = Make();
    EXPECT_FALSE(dialUp->EnsureConnected());
    EXPECT_EQ(tray_.back(), "166 Corvy - Unable to connect!");
    EXPECT_FALSE(dialUp->DialedByUs());
}

TEST_F(DialUpTest, NoToDisconnectKeepsTheLineAndIsNotAskedAgain) {
    auto dialUp = Make();
    ASSERT_TRUE(dialUp->EnsureConnected());
    services_.answers = {BoxAnswer::No};
    dialUp->OfferDisconnect();
    dialUp->OfferDisconnect();
    ASSERT_EQ(services_.boxes.size(), 1u);
    EXPECT_EQ(services_.boxes[0].text, "Would you like to disconnect from the Internet?");
    EXPECT_EQ(services_.boxes[0].buttons, BoxButtons::YesNo);
    EXPECT_TRUE(nm_.Deactivated().isEmpty());
    EXPECT_TRUE(dialUp->IsOnline());
}

TEST_F(DialUpTest, SomeoneElsesConnectionIsUsedButNeverEnded) {
    nm_.SetOnline(true);
    auto dialUp = Make();
    EXPECT_TRUE(dialUp->EnsureConnected());
    EXPECT_EQ(asked_, 0);
    EXPECT_FALSE(dialUp->DialedByUs());
    dialUp->OfferDisconnect();
    EXPECT_TRUE(dialUp->HangUp());
    EXPECT_TRUE(nm_.Activated().isEmpty());
    EXPECT_TRUE(nm_.Deactivated().isEmpty());
    EXPECT_TRUE(services_.boxes.empty());
}

TEST_F(DialUpTest, LookUpPrefersStoredDetailsOfTheStoredEntry) {
    auto dialUp = Make();
    EntryDetails d{"x", "y", "z"};
    EXPECT_FALSE(dialUp->LookUpEntry("", false, d));  // nothing changes
    EXPECT_EQ(d.number, "x");
    ASSERT_TRUE(dialUp->LookUpEntry("Mobile", false, d));
    EXPECT_EQ(d, (EntryDetails{"555", "me", "pw"}));
    ASSERT_TRUE(dialUp->LookUpEntry("DSL", false, d));
    EXPECT_EQ(d, (EntryDetails{"", "dsl-user", "dsl-pw"}));
    EXPECT_TRUE(services_.boxes.empty());

    EXPECT_TRUE(dialUp->LookUpEntry("Gone", true, d));  // LAN checked: silent
    EXPECT_TRUE(services_.boxes.empty());
    EXPECT_TRUE(dialUp->LookUpEntry("Gone", false, d));
    ASSERT_EQ(services_.boxes.size(), 1u);
    EXPECT_EQ(d.user, "");
    EXPECT_EQ(dialUp->ListEntries(false), (std::vector<std::string>{"Mobile", "DSL"}));
}

TEST_F(DialUpTest, ComingBackOnlineIsPassedOn) {
    auto dialUp = Make();
    int calls = 0;
    dialUp->onBackOnline = [&] { ++calls; };
    nm_.SetOnline(true);
    EXPECT_TRUE(QTest::qWaitFor([&] { return calls == 1; }, 5000));
    nm_.SetOnline(false);
    nm_.SetOnline(true);
    EXPECT_TRUE(QTest::qWaitFor([&] { return calls == 2; }, 5000));
}

TEST(DialUpDialogs, ConnectQuestionAndMissingSupportNotice) {
    CConnectDlg ask;
    EXPECT_EQ(ask.windowTitle(), "Corvy");
    EXPECT_EQ(ask.findChild<QLabel*>("lblText")->text(),
              "You are not connected to the Internet.\nWould you like to connect now?");
    auto* always = ask.findChild<QCheckBox*>("chkAlwaysAsk");
    EXPECT_EQ(always->text(), "Always ask before connecting");
    EXPECT_TRUE(ask.AlwaysAsk());
    always->setChecked(false);
    EXPECT_FALSE(ask.AlwaysAsk());

    // The notice is modal: tick its box once it is up, then close it.
    QTimer::singleShot(0, [] {
        QWidget* notice = QApplication::activeModalWidget();
        ASSERT_NE(notice, nullptr);
        EXPECT_TRUE(notice->findChild<QLabel*>("lblText")->text().startsWith(
            "Corvy was unable to load Dial-Up Networking Support. (Remote Access Server)"));
        notice->findChild<QCheckBox*>("chkDontShow")->setChecked(true);
        static_cast<QDialog*>(notice)->accept();
    });
    EXPECT_TRUE(ShowNoDialUpNotice());
}
