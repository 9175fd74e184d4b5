#include <gtest/gtest.h>

#include <QComboBox>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QLineEdit>
#include <QSignalSpy>

#include <unistd.h>

#include "shell/tests/frm_mm_fixture.h"
#include "startup/automation.h"

namespace murmel {
namespace {

using testing::FormHarness;

// A bus name of this test process only: tests may run side by side on one bus.
QString TestServiceName(const char* tag) {
    return QStringLiteral("org.vantry.MurmelTest.%1.p%2").arg(tag).arg(::getpid());
}

bool HaveSessionBus() {
    return QDBusConnection::sessionBus().isConnected();
}

QString LockPath() {
    return QString::fromStdString((vantry::test::FreshDir("lock") / "murmel.lock").string());
}

TEST(InstanceGuard, TheNameMakesTheFirstInstance) {
    if (!HaveSessionBus()) {
        GTEST_SKIP() << "no session bus";
    }
    const QString name = TestServiceName("guard");
    // Another program's connection holds the name first.
    QDBusConnection other =
        QDBusConnection::connectToBus(QDBusConnection::SessionBus, QStringLiteral("other"));
    ASSERT_TRUE(other.registerService(name));
    {
        InstanceGuard second(name, LockPath());
        EXPECT_EQ(second.TryClaim(), InstanceGuard::Claim::AlreadyRunning);
        EXPECT_TRUE(second.OnBus());
    }
    ASSERT_TRUE(other.unregisterService(name));  // the first instance ends
    {
        InstanceGuard next(name, LockPath());
        EXPECT_EQ(next.TryClaim(), InstanceGuard::Claim::First);
    }
    // The ended guard gave the name back.
    EXPECT_TRUE(other.registerService(name));
    other.unregisterService(name);
    QDBusConnection::disconnectFromBus(QStringLiteral("other"));
}

// Calls a method of the published object from a second connection, so the
// call really travels through the bus daemon, and waits for the reply while
// the window's event loop runs.
class AutomationOnTheBus : public ::testing::Test {
protected:
    void SetUp() override {
        if (!HaveSessionBus()) {
            GTEST_SKIP() << "no session bus";
        }
        name = TestServiceName("reply");
        guard = std::make_unique<InstanceGuard>(name, LockPath());
        h.store.setMyEmail("me@example.org");
        h.services.anotherInstanceRunning = [this] {
            return guard->TryClaim() == InstanceGuard::Claim::AlreadyRunning;
        };
        frmMM& form = h.Make();
        ASSERT_TRUE(form.Form_Load());
        h.ComposerUi().cmbTo->addItems({"recent@example.org", "older@example.org"});
        h.ComposerUi().txtSubject->setText("kept");
        automation = std::make_unique<Murmel>(form);
        ASSERT_TRUE(guard->Publish(automation.get()));
        client = std::make_unique<QDBusConnection>(QDBusConnection::connectToBus(
            QDBusConnection::SessionBus, QStringLiteral("murmel-test-client")));
        ASSERT_TRUE(client->isConnected());
    }
    void TearDown() override {
        client.reset();
        QDBusConnection::disconnectFromBus(QStringLiteral("murmel-test-client"));
    }

    bool Call(const QString& method, const QVariantList& args) {
        QDBusMessage msg = QDBusMessage::createMethodCall(name, QLatin1String(kMurmelObjectPath),
                                                          QLatin1String(kMurmelInterface), method);
        msg.setArguments(args);
        QDBusPendingCallWatcher watcher(client->asyncCall(msg, 5000));
        QSignalSpy finished(&watcher, &QDBusPendingCallWatcher::finished);
        if (!watcher.isFinished() && !finished.wait(6000)) {
            return false;
        }
        return !watcher.isError();
    }

    FormHarness h;
    QString name;
    std::unique_ptr<InstanceGuard> guard;
    std::unique_ptr<Murmel> automation;
    std::unique_ptr<QDBusConnection> client;
};

TEST_F(AutomationOnTheBus, DoReplyFillsTheBoxesAndShowsTheWindow) {
    frmMM& form = *h.form;
    ASSERT_FALSE(form.isVisible());
    ASSERT_TRUE(Call("DoReply", {"sender@example.org", "copy@example.org", "Lunch"}));
    EXPECT_EQ(h.ComposerUi().cmbTo->currentText(), "sender@example.org");
    EXPECT_EQ(h.ComposerUi().cmbCc->currentText(), "copy@example.org");
    EXPECT_EQ(h.ComposerUi().txtSubject->text(), "Re: Lunch");
    EXPECT_TRUE(form.isVisible());
    EXPECT_TRUE(h.Traced("play start.wav"));
}

TEST_F(AutomationOnTheBus, DoReplyKeepsAReplySubjectAndPicksTheFirstRecent) {
    ASSERT_TRUE(Call("DoReply", {"", "", "RE: Lunch"}));
    EXPECT_EQ(h.ComposerUi().cmbTo->currentText(), "recent@example.org");
    EXPECT_EQ(h.ComposerUi().txtSubject->text(), "RE: Lunch");
    ASSERT_TRUE(Call("DoReply", {"x@example.org", "", ""}));
    EXPECT_EQ(h.ComposerUi().txtSubject->text(), "RE: Lunch");
}

TEST_F(AutomationOnTheBus, ShowImmediately) {
    frmMM& form = *h.form;
    ASSERT_TRUE(Call("ShowImmediately", {}));
    EXPECT_TRUE(form.isVisible());
    EXPECT_EQ(h.ComposerUi().txtSubject->text(), "kept");
}

TEST_F(AutomationOnTheBus, SecondStartCanAskTheRunningOneToShowItself) {
    const InstanceGuard second(name, LockPath());  // the start that found the name taken
    EXPECT_TRUE(second.ShowRunningInstance());
    EXPECT_TRUE(h.form->isVisible());
}

TEST_F(AutomationOnTheBus, WrongArgumentsAreRefusedAndChangeNothing) {
    frmMM& form = *h.form;
    EXPECT_FALSE(Call("DoReply", {"only one"}));
    EXPECT_FALSE(form.isVisible());
    EXPECT_EQ(h.ComposerUi().txtSubject->text(), "kept");
}

}  // namespace
}  // namespace murmel
