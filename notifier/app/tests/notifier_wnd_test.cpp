// The notifier window without servers: start-up, first run, timer, menu
// rules, busy flags, error box rule, running the e-mail program.
#include <gtest/gtest.h>

#include <QAction>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QMenu>
#include <QTest>
#include <QTimer>

#include "app/notifier_wnd.h"
#include "dialup/nm_backend.h"
#include "dialup/testing/fake_network_manager.h"
#include "fake_tray.h"
#include "pop3/testing/event_trigger.h"
#include "pop3/testing/scripted_pop3_server.h"
#include "pop3/testing/unreachable_server.h"
#include "services/testing/fake_services.h"
#include "settings/password_scramble.h"
#include "test_env.h"

using namespace corvy;
using corvy::testing::FakeTray;
using Call = FakeTray::Call;

namespace {

class NotifierWndTest : public ::testing::Test {
protected:
    NotifierWndTest()
        : dir_(vantry::test::FreshDir("wnd")), profile_(dir_ / "corvy.ini"), store_(dir_ / "reg") {
        profile_.WriteInt("License", "Version", 3000);
        profile_.WriteInt("RAS", "DontShowNoRASSupport", 1);
    }

    std::unique_ptr<CNotifierWnd> Make() {
        pop3::Pop3Options options;
        options.connectTimeout = std::chrono::milliseconds(2000);
        options.readTimeout = std::chrono::milliseconds(2000);
        auto wnd = std::make_unique<CNotifierWnd>(
            CNotifierWnd::Deps{profile_, store_, services_, tray_, dialUp_, "/opt/corvy", options});
        wnd->clock = [] { return std::string("9:05 PM"); };
        wnd->setupWindow = [this](settings::NotifierSettings&) {
            ++setups_;
            return setupAnswer_;
        };
        return wnd;
    }

    static void RunPosted() { QCoreApplication::processEvents(); }

    // An account whose server refuses connections.
    void AddDeadAccount(int index, const std::string& name) {
        int port = 0;
        {
            pop3::testing::ScriptedPop3Server probe({});
            port = probe.Port();
            probe.Lines(std::chrono::milliseconds(1));
        }
        const std::string s = settings::AccountSection(index);
        profile_.WriteString(s, "AccountName", name);
        profile_.WriteString(s, "ServerAddress", "127.0.0.1");
        profile_.WriteString(s, "UserID", "u");
        profile_.WriteString(s, "Password", settings::ScramblePassword("p"));
        profile_.WriteInt(s, "POP3Port", port);
    }

    std::filesystem::path dir_;
    vantry::profile::Profile profile_;
    vantry::registry::Store store_;
    FakeServices services_;
    FakeTray tray_;
    NoDialUp dialUp_;
    int setups_ = 0;
    bool setupAnswer_ = false;
};

}  // namespace

TEST_F(NotifierWndTest, StartupShowsIdleIconWithStoredTotal) {
    profile_.WriteInt("Mail", "NumberOfMessages", 5);
    profile_.WriteInt("LastMail", "NumberOfMessages", 99);  // not read at start-up
    auto wnd = Make();
    EXPECT_FALSE(wnd->isVisible());
    EXPECT_EQ(wnd->windowTitle(), "Corvy");
    RunPosted();
    ASSERT_EQ(tray_.calls.size(), 1u);
    EXPECT_EQ(tray_.calls[0], (Call{TrayOp::Add, TrayImage::Idle, "Corvy - 5 Messages"}));
    EXPECT_EQ(setups_, 0);
    EXPECT_TRUE(services_.boxes.empty());
    EXPECT_FALSE(wnd->CheckTimer().isActive());  // interval 0
    EXPECT_TRUE(wnd->Settings().lan);            // no dial-up support
}

TEST_F(NotifierWndTest, FirstRunMigratesWelcomesAndOpensSetup) {
    profile_.WriteInt("License", "Version", 2999);
    profile_.WriteString("Hosts", "MailHost1", "pop.old.org");
    auto wnd = Make();
    RunPosted();
    ASSERT_EQ(services_.boxes.size(), 1u);
    EXPECT_EQ(services_.boxes[0].text,
              "Welcome to Corvy!\n\nThe Setup window will now be displayed so you can configure "
              "Corvy.");
    EXPECT_EQ(services_.boxes[0].icon, BoxIcon::Information);
    EXPECT_EQ(setups_, 1);
    EXPECT_EQ(profile_.GetInt("License", "Version", 0), 3000);
    EXPECT_EQ(profile_.GetString("MailAccount0", "AccountName"), "pop.old.org");
    ASSERT_EQ(tray_.calls.size(), 1u);
    EXPECT_EQ(tray_.calls[0].op, TrayOp::Add);
}

TEST_F(NotifierWndTest, FirstStartShowsNoticeWelcomeSetupAndCheckOneAfterAnother) {
    profile_.WriteInt("License", "Version", 0);
    profile_.WriteInt("RAS", "DontShowNoRASSupport", 0);
    profile_.WriteInt("CheckMail", "CheckOnStartUp", 1);
    AddDeadAccount(0, "dead");
    std::vector<std::string> order;
    auto boxes = [&] { return std::to_string(services_.boxes.size()); };
    auto wnd = Make();
    // Each window runs the event loop while open, as a modal window does.
    auto modalLoop = [] {
        QEventLoop loop;
        QTimer::singleShot(0, &loop, &QEventLoop::quit);
        loop.exec();
    };
    wnd->noDialUpNotice = [&] {
        order.push_back("notice with " + boxes() + " boxes");
        modalLoop();
        order.push_back("notice closed with " + boxes() + " boxes");
        return false;
    };
    wnd->setupWindow = [&](settings::NotifierSettings&) {
        order.push_back("setup with " + boxes() + " boxes");
        modalLoop();
        order.push_back("setup closed with " + boxes() + " boxes");
        return false;
    };
    RunPosted();
    EXPECT_EQ(order, (std::vector<std::string>{"notice with 0 boxes", "notice closed with 0 boxes",
                                               "setup with 1 boxes", "setup closed with 1 boxes"}));
    ASSERT_EQ(services_.boxes.size(), 2u);  // the welcome, then the check's error
    EXPECT_EQ(services_.boxes[1].text, "Error! Failed to connect to host!\ndead");
}

TEST_F(NotifierWndTest, NoDialUpNoticeUntilDontShowIsChecked) {
    profile_.WriteInt("RAS", "DontShowNoRASSupport", 0);
    int notices = 0;
    {
        auto wnd = Make();
        wnd->noDialUpNotice = [&] {
            ++notices;
            return false;
        };
        RunPosted();
    }
    EXPECT_EQ(profile_.GetInt("RAS", "DontShowNoRASSupport", -1), 0);
    {
        auto wnd = Make();
        wnd->noDialUpNotice = [&] {
            ++notices;
            return true;
        };
        RunPosted();
    }
    EXPECT_EQ(profile_.GetInt("RAS", "DontShowNoRASSupport", 0), 1);
    {
        auto wnd = Make();
        wnd->noDialUpNotice = [&] {
            ++notices;
            return true;
        };
        RunPosted();
    }
    EXPECT_EQ(notices, 2);
}

TEST_F(NotifierWndTest, NoAccountsContactsNoServerAndShowsZero) {
    profile_.WriteString("MailAccount1", "AccountName", "after-a-gap");
    profile_.WriteString("MailAccount1", "ServerAddress", "192.0.2.1");
    auto wnd = Make();
    RunPosted();
    tray_.calls.clear();
    wnd->OnCheckMail();
    EXPECT_EQ(
        tray_.calls,
        (std::vector<Call>{{TrayOp::Modify, TrayImage::Checking, "Corvy - Checking Mail"},
                           {TrayOp::Modify, TrayImage::Idle, "Corvy - 0 Messages at 9:05 PM"}}));
    EXPECT_EQ(profile_.GetInt("LastMail", "NumberOfMessages", -1), 0);
    EXPECT_TRUE(services_.boxes.empty());
}

TEST_F(NotifierWndTest, TimerFollowsSettingsAndSetup) {
    profile_.WriteInt("CheckMail", "CheckTime", 3);
    auto wnd = Make();
    EXPECT_TRUE(wnd->CheckTimer().isActive());
    EXPECT_EQ(wnd->CheckTimer().interval(), 180000);
    wnd->setupWindow = [](settings::NotifierSettings& s) {
        s.checkTimeActive = false;
        return true;
    };
    wnd->OnSetup();
    EXPECT_FALSE(wnd->CheckTimer().isActive());
    wnd->setupWindow = [](settings::NotifierSettings& s) {
        s.checkTimeActive = true;
        s.checkTime = 10;
        s.lan = false;
        return true;
    };
    wnd->OnSetup();
    EXPECT_EQ(wnd->CheckTimer().interval(), 600000);
    EXPECT_TRUE(wnd->Settings().lan);  // still no dial-up
}

TEST_F(NotifierWndTest, IntervalBeyondSetupRangeIsClampedNotOverflowed) {
    profile_.WriteInt("CheckMail", "CheckTime", 40000);
    auto wnd = Make();
    EXPECT_EQ(wnd->Settings().checkTime, 999);
    EXPECT_TRUE(wnd->CheckTimer().isActive());
    EXPECT_EQ(wnd->CheckTimer().interval(), 999 * 60000);
}

TEST_F(NotifierWndTest, FailedAccountGivesFailureIconAndErrorBoxRule) {
    AddDeadAccount(0, "dead@example.org");
    auto wnd = Make();
    RunPosted();
    tray_.calls.clear();
    wnd->OnCheckMail();  // manual: the box shows
    ASSERT_EQ(services_.boxes.size(), 1u);
    EXPECT_EQ(services_.boxes[0].text, "Error! Failed to connect to host!\ndead@example.org");
    EXPECT_EQ(services_.boxes[0].title, "Corvy");
    EXPECT_EQ(services_.boxes[0].icon, BoxIcon::Exclamation);
    EXPECT_EQ(tray_.calls.back(), (Call{TrayOp::Modify, TrayImage::Failure,
                                        "Corvy - Unable to connect one or more servers!"}));

    profile_.WriteInt("CheckMail", "SuppressErrors", 1);
    auto quiet = Make();
    RunPosted();
    tray_.calls.clear();
    quiet->OnTimer();  // automatic and suppressed: no box, still the failure icon
    EXPECT_EQ(services_.boxes.size(), 1u);
    EXPECT_EQ(tray_.calls.back().image, TrayImage::Failure);
    quiet->OnCheckMail();  // manual: shown even when suppressed
    EXPECT_EQ(services_.boxes.size(), 2u);
}

TEST_F(NotifierWndTest, DisabledAccountIsSkippedWithoutEndingTheLoop) {
    AddDeadAccount(0, "first");
    profile_.WriteInt("MailAccount0", "Disabled", 1);
    AddDeadAccount(1, "second");
    auto wnd = Make();
    RunPosted();
    tray_.calls.clear();
    wnd->OnCheckMail();
    ASSERT_EQ(tray_.calls.size(), 3u);
    EXPECT_EQ(tray_.calls[1].tip, "Corvy - Checking Mail at second");
    ASSERT_EQ(services_.boxes.size(), 1u);
    EXPECT_EQ(services_.boxes[0].text, "Error! Failed to connect to host!\nsecond");
}

TEST_F(NotifierWndTest, MenuEnablingAndAccountEntries) {
    profile_.WriteString("MailAccount0", "AccountName", "one");
    profile_.WriteString("MailAccount2", "AccountName", "three");
    auto wnd = Make();
    auto find = [](QMenu* menu, const QString& text) -> QAction* {
        for (QAction* a : menu->actions()) {
            if (a->text() == text) {
                return a;
            }
        }
        return nullptr;
    };
    auto menu = wnd->BuildMenu();
    QAction* run = find(menu.get(), "Run Email Program");
    ASSERT_NE(run, nullptr);
    EXPECT_FALSE(run->isEnabled());
    EXPECT_TRUE(find(menu.get(), "Check Mail")->isEnabled());
    EXPECT_TRUE(find(menu.get(), "Setup")->isEnabled());
    EXPECT_NE(find(menu.get(), "Exit Corvy"), nullptr);
    find(menu.get(), "Help")->trigger();
    EXPECT_EQ(services_.opened, std::vector<std::string>{"/htm/checking.htm"});
    QMenu* headers = find(menu.get(), "View Message Headers")->menu();
    ASSERT_EQ(headers->actions().size(), 2);  // the entry without a name is removed
    EXPECT_EQ(headers->actions()[0]->text(), "one");
    EXPECT_EQ(headers->actions()[1]->text(), "three");

    // While a header window is open the account entries are disabled, and
    // while Setup is open its entry is.
    wnd->headerWindow = [&](const std::string& account, int peek) {
        EXPECT_EQ(account, "three");
        EXPECT_EQ(peek, 20);
        auto inner = wnd->BuildMenu();
        QMenu* h = find(inner.get(), "View Message Headers")->menu();
        EXPECT_FALSE(h->actions()[0]->isEnabled());
        return 0;
    };
    wnd->OnViewHeaders("three");
    wnd->setupWindow = [&](settings::NotifierSettings&) {
        auto inner = wnd->BuildMenu();
        EXPECT_FALSE(find(inner.get(), "Setup")->isEnabled());
        return false;
    };
    wnd->OnSetup();
    // The QuickMail entry opens its window and is disabled while it is open.
    int opened = 0;
    wnd->quickMailWindow = [&] {
        ++opened;
        auto inner = wnd->BuildMenu();
        EXPECT_FALSE(find(inner.get(), "QuickMail")->isEnabled());
        wnd->OnQuickMail();  // a second request while open does nothing
    };
    find(menu.get(), "QuickMail")->trigger();
    EXPECT_EQ(opened, 1);
    EXPECT_TRUE(find(wnd->BuildMenu().get(), "QuickMail")->isEnabled());
}

TEST_F(NotifierWndTest, TickWhileHeaderWindowOpenDoesNothing) {
    AddDeadAccount(0, "dead");
    profile_.WriteInt("Mail", "NumberOfMessages", 5);
    auto wnd = Make();
    RunPosted();
    tray_.calls.clear();
    wnd->headerWindow = [&](const std::string&, int) {
        wnd->OnTimer();
        wnd->OnCheckMail();
        return 2;
    };
    wnd->OnViewHeaders("dead");
    EXPECT_TRUE(services_.boxes.empty());  // no check ran
    ASSERT_EQ(tray_.calls.size(), 1u);
    // Deleted messages leave the total.
    EXPECT_EQ(tray_.calls[0], (Call{TrayOp::Modify, TrayImage::Idle, "Corvy - 3 Messages"}));
}

TEST_F(NotifierWndTest, RunEmailProgram) {
    profile_.WriteString("CheckMail", "EmailClient", "mailer --inbox");
    auto wnd = Make();
    wnd->OnRunEmailProgram();
    ASSERT_EQ(services_.commands.size(), 1u);
    EXPECT_EQ(services_.commands[0], "mailer --inbox");
    EXPECT_TRUE(services_.boxes.empty());
    services_.runWorks = false;
    wnd->OnRunEmailProgram();
    ASSERT_EQ(services_.boxes.size(), 1u);
    EXPECT_EQ(services_.boxes[0].text, "Could not start email program!");
}

TEST_F(NotifierWndTest, LeftClickActions) {
    auto wnd = Make();
    RunPosted();
    tray_.calls.clear();
    profile_.WriteInt("CheckMail", "LeftClickAction", 1);
    wnd->setupWindow = [](settings::NotifierSettings& s) {
        s.leftClickAction = 1;
        return true;
    };
    wnd->OnSetup();
    wnd->OnTrayClick(TrayClick::LeftPress);  // checks mail
    ASSERT_FALSE(tray_.calls.empty());
    EXPECT_EQ(tray_.calls[0].image, TrayImage::Checking);

    std::string opened;
    wnd->headerWindow = [&](const std::string& account, int) {
        opened = account;
        return 0;
    };
    wnd->setupWindow = [](settings::NotifierSettings& s) {
        s.leftClickAction = 2;
        s.defaultAccount = "home";
        return true;
    };
    wnd->OnSetup();
    wnd->OnTrayClick(TrayClick::LeftPress);
    EXPECT_EQ(opened, "home");
}

TEST_F(NotifierWndTest, ExitDuringCheckStopsAtTheWaitingAccount) {
    // Two accounts on a server that greets and then says nothing more.
    pop3::testing::ScriptedPop3Server silent({pop3::testing::ScriptStep::Hold()});
    for (int i = 0; i < 2; ++i) {
        const std::string s = settings::AccountSection(i);
        profile_.WriteString(s, "AccountName", "slow" + std::to_string(i));
        profile_.WriteString(s, "ServerAddress", "127.0.0.1");
        profile_.WriteInt(s, "POP3Port", silent.Port());
    }
    auto wnd = Make();
    RunPosted();
    tray_.calls.clear();
    // The first account is connected to a server that never greets: waiting.
    pop3::testing::LoopTrigger exit([&] { return silent.Connected(); }, [&] { wnd->OnExit(); });
    QElapsedTimer clock;
    clock.start();
    wnd->OnCheckMail();
    EXPECT_TRUE(exit.Fired());
    EXPECT_LT(clock.elapsed(), 1500);      // not the 2 s read time-out
    EXPECT_TRUE(services_.boxes.empty());  // a cancel is never shown
    for (const Call& c : tray_.calls) {
        EXPECT_NE(c.tip, "Corvy - Checking Mail at slow1");
    }
}

TEST_F(NotifierWndTest, ExitWhileConnectingIsACancelNotAConnectFailure) {
    pop3::testing::UnreachableServer unreachable;
    AddDeadAccount(0, "unreachable");
    profile_.WriteInt("MailAccount0", "POP3Port", unreachable.Port());
    auto wnd = Make();
    RunPosted();
    // Once the account's check has begun, events are delivered only while the
    // client waits on its socket, and the only wait here is the connect that
    // never completes.
    pop3::testing::LoopTrigger exit(
        [&] {
            return !tray_.calls.empty() &&
                   tray_.calls.back().tip == "Corvy - Checking Mail at unreachable";
        },
        [&] { wnd->OnExit(); });
    wnd->OnCheckMail();
    EXPECT_TRUE(exit.Fired());
    EXPECT_TRUE(services_.boxes.empty());
}

TEST_F(NotifierWndTest, ViewHeadersOpensTheHeaderWindowOfThatAccount) {
    AddDeadAccount(0, "dead");
    profile_.WriteInt("Mail", "NumberOfMessages", 4);
    auto wnd = Make();
    RunPosted();
    wnd->OnViewHeaders("dead");
    // The header window tried that account's server and closed on the failure.
    ASSERT_EQ(services_.boxes.size(), 1u);
    EXPECT_EQ(services_.boxes[0].text, "Error! Failed to connect to host!");
    EXPECT_EQ(services_.boxes[0].title, "Error!");
    EXPECT_EQ(wnd->MessageTotal(), 4);
}

TEST_F(NotifierWndTest, CheckSkippedOfflineRunsWhenTheNetworkIsBack) {
    dialup::testing::PrivateBus bus;
    dialup::testing::FakeNetworkManager nm(bus);
    dialup::CDialUp dialUp(profile_, services_,
                           dialup::FindNetworkManager(bus.Connect("notifier")));
    auto wnd = std::make_unique<CNotifierWnd>(
        CNotifierWnd::Deps{profile_, store_, services_, tray_, dialUp, "/opt/corvy", {}});
    RunPosted();
    ASSERT_FALSE(wnd->Settings().lan);
    ASSERT_TRUE(wnd->Settings().checkOnlyWhenOnline);
    const auto checks = [&] {
        return std::count_if(tray_.calls.begin(), tray_.calls.end(),
                             [](const Call& c) { return c.tip == "Corvy - Checking Mail"; });
    };
    wnd->OnTimer();
    wnd->OnTimer();  // still down: no check, and one waiting check only
    EXPECT_EQ(checks(), 0);
    nm.SetOnline(true);
    EXPECT_TRUE(QTest::qWaitFor([&] { return checks() == 1; }, 5000));
    RunPosted();
    EXPECT_EQ(checks(), 1);
}
