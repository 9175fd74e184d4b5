// The progress window: percentage text, pumping, and Cancel reaching a POP3
// conversation in progress.
#include <gtest/gtest.h>

#include <QLabel>
#include <QPushButton>
#include <QTest>

#include "pop3/pop3_client.h"
#include "pop3/testing/event_trigger.h"
#include "pop3/testing/scripted_pop3_server.h"
#include "progress/progress_window.h"

using corvy::CProgressWindow;
using namespace corvy::pop3;
using corvy::pop3::testing::LoopTrigger;
using corvy::pop3::testing::ScriptedPop3Server;
using corvy::pop3::testing::ScriptStep;

TEST(ProgressWindowPercent, RangeStepsAndWrap) {
    EXPECT_EQ(CProgressWindow::Percent(0, 100, 0), 0);
    EXPECT_EQ(CProgressWindow::Percent(0, 100, 100), 100);
    EXPECT_EQ(CProgressWindow::Percent(0, 30, 10), 33);
    // Past the end: other values than 100 are taken modulo 100.
    EXPECT_EQ(CProgressWindow::Percent(0, 100, 150), 50);
    EXPECT_EQ(CProgressWindow::Percent(0, 10, 20), 0);
    EXPECT_EQ(CProgressWindow::Percent(10, 20, 15), 50);
    // An empty range (a mailbox of no messages) must not divide by zero.
    EXPECT_EQ(CProgressWindow::Percent(0, 0, 0), 0);
}

TEST(ProgressWindow, StepsUpdateLabelAndDefaults) {
    CProgressWindow w;
    EXPECT_EQ(w.PercentText(), "0%");
    w.SetRange(0, 40);
    EXPECT_EQ(w.StepIt(), 0);  // default step 10
    EXPECT_EQ(w.Pos(), 10);
    EXPECT_EQ(w.PercentText(), "25%");
    w.SetStep(30);
    w.StepIt();
    EXPECT_EQ(w.PercentText(), "100%");
    w.OffsetPos(-20);
    EXPECT_EQ(w.PercentText(), "50%");
    w.SetTitle("Retrieving Message Headers...");
    EXPECT_EQ(w.windowTitle(), "Retrieving Message Headers...");
}

TEST(ProgressWindow, CancelFlagIsReadOnceAndButtonCanBeDisabled) {
    CProgressWindow w;
    auto* cancel = w.findChild<QPushButton*>("IDCANCEL");
    ASSERT_NE(cancel, nullptr);
    EXPECT_FALSE(w.CheckCancelButton());
    QTest::mouseClick(cancel, Qt::LeftButton);
    EXPECT_TRUE(w.CheckCancelButton());
    EXPECT_FALSE(w.CheckCancelButton());
    w.EnableCancel(false);
    EXPECT_FALSE(cancel->isEnabled());
}

TEST(ProgressWindow, CancelPressedDuringServerWaitEndsConversation) {
    ScriptedPop3Server server({ScriptStep::Send("+OK\r\n"), ScriptStep::Receive(),
                               ScriptStep::Send("+OK\r\n"), ScriptStep::Receive(),
                               ScriptStep::Send("+OK\r\n"), ScriptStep::Receive(),
                               ScriptStep::Hold()});
    CProgressWindow w;
    w.show();
    int code = -1;
    {
        CPop3Client c("127.0.0.1", "u", "p", server.Port(), code, &w);
        ASSERT_EQ(code, kSuccess);
        EXPECT_EQ(w.windowTitle(), "Logging into Host...");
        auto* cancel = w.findChild<QPushButton*>("IDCANCEL");
        EXPECT_TRUE(cancel->isEnabled());
        // Pressed once STAT has reached the server, which never answers it.
        LoopTrigger press([&] { return server.LinesSoFar().size() == 3; },
                          [cancel] { cancel->click(); });
        int statCode = -1;
        c.Stat(statCode);
        EXPECT_TRUE(press.Fired());
        EXPECT_EQ(statCode, kUserCanceled);
    }
    EXPECT_EQ(server.Lines(), (std::vector<std::string>{"USER u", "PASS p", "STAT"}));
}
