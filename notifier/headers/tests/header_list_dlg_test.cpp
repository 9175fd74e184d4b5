// The header window's failures against exact scripted servers: which boxes
// are shown, and that a failed first retrieval or connection closes it.
#include <gtest/gtest.h>

#include <QTreeWidget>

#include "headers/header_list_dlg.h"
#include "pop3/testing/scripted_pop3_server.h"
#include "services/testing/fake_services.h"
#include "services/testing/saved_rectangle.h"
#include "settings/notifier_settings.h"
#include "settings/password_scramble.h"
#include "test_env.h"

using namespace corvy;
using corvy::pop3::testing::ScriptedPop3Server;
using corvy::pop3::testing::ScriptStep;

namespace {

class HeaderListDlgTest : public ::testing::Test {
protected:
    void UseServer(int port) {
        const std::string s = settings::AccountSection(0);
        profile_.WriteString(s, "AccountName", "x@example.org");
        profile_.WriteString(s, "ServerAddress", "127.0.0.1");
        profile_.WriteString(s, "UserID", "u");
        profile_.WriteString(s, "Password", settings::ScramblePassword("p"));
        profile_.WriteInt(s, "POP3Port", port);
    }

    static std::vector<ScriptStep> LoggedIn(std::vector<ScriptStep> rest) {
        std::vector<ScriptStep> script{ScriptStep::Send("+OK hi\r\n"), ScriptStep::Receive(),
                                       ScriptStep::Send("+OK\r\n"), ScriptStep::Receive(),
                                       ScriptStep::Send("+OK\r\n")};
        script.insert(script.end(), rest.begin(), rest.end());
        return script;
    }

    vantry::profile::Profile profile_{vantry::test::FreshDir("p") / "corvy.ini"};
    FakeServices services_;
    HeaderContext context_{profile_, services_, "/nonexistent", "mail-program"};
};

}  // namespace

TEST_F(HeaderListDlgTest, AnIdThatCannotBeHadEndsTheFirstRetrievalWithAdvice) {
    ScriptedPop3Server server(LoggedIn({
        ScriptStep::Receive(), ScriptStep::Send("+OK 1 100\r\n"),            // STAT
        ScriptStep::Receive(), ScriptStep::Send("+OK\r\nFrom: a\r\n.\r\n"),  // TOP
        ScriptStep::Receive(), ScriptStep::Send("+OK 1 100\r\n"),            // LIST
        ScriptStep::Receive(), ScriptStep::Send("-ERR no ids here\r\n"),     // UIDL
        ScriptStep::Receive(), ScriptStep::Send("+OK\r\n"),                  // QUIT
    }));
    UseServer(server.Port());
    CHeaderListDlg dlg(context_, "x@example.org", 3);
    EXPECT_FALSE(dlg.Start());
    ASSERT_EQ(services_.boxes.size(), 2u);
    EXPECT_EQ(services_.boxes[0].text, "UIDL\n-ERR no ids here");
    EXPECT_EQ(services_.boxes[0].title, "Error!");
    EXPECT_EQ(services_.boxes[1].text.rfind("Corvy was unable to retrieve the ID", 0), 0u);
    const auto lines = server.Lines();
    ASSERT_GE(lines.size(), 6u);
    EXPECT_EQ(lines[3], "TOP 1 3");
    EXPECT_EQ(lines[5], "UIDL 1");
}

TEST_F(HeaderListDlgTest, AnEmptyMailboxListsNothingAndKeepsTheWindowLayout) {
    ScriptedPop3Server server(LoggedIn({
        ScriptStep::Receive(), ScriptStep::Send("+OK 0 0\r\n"),  // STAT
        ScriptStep::Receive(), ScriptStep::Send("+OK\r\n"),      // QUIT
    }));
    UseServer(server.Port());
    corvy::testing::WriteSavedRectangle(profile_, "Headers", QRect(30, 40, 600, 400));
    profile_.WriteInt("Headers", "DateWidth", 210);
    services_.placesWindows = false;  // Wayland: the size only
    CHeaderListDlg dlg(context_, "x@example.org", 3);
    ASSERT_TRUE(dlg.Start());
    auto* list = dlg.findChild<QTreeWidget*>("lstHeaders");
    EXPECT_EQ(list->topLevelItemCount(), 0);
    EXPECT_EQ(dlg.size(), QSize(600, 400));
    EXPECT_NE(dlg.pos(), QPoint(30, 40));
    EXPECT_EQ(list->columnWidth(CHeaderListDlg::kDate), 210);
    EXPECT_EQ(list->columnWidth(CHeaderListDlg::kSubject), 125);
    list->setColumnWidth(CHeaderListDlg::kSubject, 140);
    dlg.reject();
    EXPECT_EQ(profile_.GetInt("Headers", "SubjWidth", -1), 140);
    EXPECT_EQ(corvy::testing::SavedRectangle(profile_, "Headers").width(), 600);
    EXPECT_TRUE(services_.boxes.empty());
    EXPECT_EQ(profile_.GetString("LastMail", "x@example.org", "none"), "none");
}

TEST_F(HeaderListDlgTest, AHugeCountAndAFailedTopEndTheRetrieval) {
    ScriptedPop3Server server(LoggedIn({
        ScriptStep::Receive(), ScriptStep::Send("+OK 2147483647 0\r\n"),  // STAT
        ScriptStep::Receive(), ScriptStep::Send("-ERR gone\r\n"),         // TOP
        ScriptStep::Receive(), ScriptStep::Send("+OK\r\n"),               // QUIT
    }));
    UseServer(server.Port());
    profile_.WriteInt("Options", "RetrieveBodyWithHeaders", 0);
    CHeaderListDlg dlg(context_, "x@example.org", 3);
    EXPECT_FALSE(dlg.Start());
    ASSERT_EQ(services_.boxes.size(), 1u);
    EXPECT_EQ(services_.boxes[0].text, "TOP\n-ERR gone");
    EXPECT_EQ(server.Lines().at(3), "TOP 1 0");
}

TEST_F(HeaderListDlgTest, UnreachableServerIsShownOnceAndCloses) {
    UseServer(1);  // nothing listens on port 1 of the loopback
    CHeaderListDlg dlg(context_, "", 3);
    EXPECT_FALSE(dlg.Start());
    ASSERT_EQ(services_.boxes.size(), 1u);
    EXPECT_EQ(services_.boxes[0].text, "Error! Failed to connect to host!");
    EXPECT_EQ(services_.boxes[0].title, "Error!");
    EXPECT_EQ(services_.boxes[0].icon, BoxIcon::Exclamation);
}

TEST_F(HeaderListDlgTest, RunEmailProgramSaysWhenItCannotStart) {
    UseServer(1);
    services_.runWorks = false;
    CHeaderListDlg dlg(context_, "", 3);
    dlg.OnRunEmailProgram();
    ASSERT_EQ(services_.commands.size(), 1u);
    EXPECT_EQ(services_.commands[0], "mail-program");
    ASSERT_EQ(services_.boxes.size(), 1u);
    EXPECT_EQ(services_.boxes[0].text, "Could not start email program!");
}
