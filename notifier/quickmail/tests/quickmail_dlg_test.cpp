// The QuickMail window offscreen: what it opens with, its title and
// rectangle, and a send to a real SMTP server that succeeds or fails.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>

#include <QTimer>

#include "progress/progress_window.h"
#include "quickmail/quickmail_dlg.h"
#include "services/testing/fake_services.h"
#include "services/testing/saved_rectangle.h"
#include "smtp/testing/aiosmtpd_fixture.h"
#include "smtp/testing/scripted_smtp_server.h"
#include "test_env.h"

using namespace corvy;
using corvy::smtp::testing::AiosmtpdServer;
using corvy::smtp::testing::ScriptedSmtpServer;
using corvy::smtp::testing::SmtpStep;

namespace {

class QuickMailDlgTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = vantry::test::FreshDir("install");
        profile_.WriteString("Install", "Directory", dir_.string());
        profile_.WriteString("QuickMail", "QuickMailFrom", "Me");
        profile_.WriteString("QuickMail", "QuickMailReply", "me@example.org");
    }

    template <typename W>
    W* Child(CQuickMailDlg& dlg, const char* name) {
        W* w = dlg.findChild<W*>(name);
        EXPECT_NE(w, nullptr) << name;
        return w;
    }

    std::filesystem::path dir_;
    vantry::profile::Profile profile_{vantry::test::FreshDir("p") / "corvy.ini"};
    FakeServices services_;
};

}  // namespace

TEST_F(QuickMailDlgTest, ReplyOpensPrefilledWithRecentAddressesAndSignature) {
    vantry::test::WriteFile(dir_ / "signature.txt", "-- \nMe\n");
    profile_.WriteString("Recent Email Address", "Address0", "a@x.org");
    profile_.WriteString("Recent Email Address", "Address3", "b@x.org");
    CQuickMailDlg dlg(profile_, services_, dir_.string(),
                      {"you@x.org", "Re:Hello", "\r\nOn today you wrote:\r\n>hi\r\n"});
    auto* to = Child<QComboBox>(dlg, "cmbTo");
    ASSERT_EQ(to->count(), 2);
    EXPECT_EQ(to->itemText(1), "b@x.org");
    EXPECT_EQ(to->currentText(), "you@x.org");
    EXPECT_EQ(Child<QLineEdit>(dlg, "txtSubject")->text(), "Re:Hello");
    EXPECT_EQ(Child<QPlainTextEdit>(dlg, "txtText")->toPlainText(),
              "\nOn today you wrote:\n>hi\n\n-- \nMe\n");
    EXPECT_EQ(dlg.windowTitle(), "Corvy - QuickMail");

    to->lineEdit()->clear();
    QTest::keyClicks(to->lineEdit(), "z@x");
    EXPECT_EQ(dlg.windowTitle(), "Corvy - QuickMail - z@x");
    emit to->textActivated(QStringLiteral("b@x.org"));
    EXPECT_EQ(dlg.windowTitle(), "Corvy - QuickMail - b@x.org");
}

TEST_F(QuickMailDlgTest, NewMessageWithoutSignatureStartsEmpty) {
    CQuickMailDlg dlg(profile_, services_, dir_.string());
    EXPECT_TRUE(Child<QPlainTextEdit>(dlg, "txtText")->toPlainText().isEmpty());
    EXPECT_EQ(Child<QComboBox>(dlg, "cmbTo")->count(), 0);
}

TEST_F(QuickMailDlgTest, RectangleAndAttachmentChooser) {
    corvy::testing::WriteSavedRectangle(profile_, "QuickMail", QRect(40, 50, 600, 400));
    CQuickMailDlg dlg(profile_, services_, dir_.string());
    EXPECT_EQ(dlg.geometry(), QRect(40, 50, 600, 400));

    services_.chosenFile = "/tmp/report.pdf";
    QTest::mouseClick(Child<QPushButton>(dlg, "cmdAttach"), Qt::LeftButton);
    EXPECT_EQ(services_.chooserTitles,
              std::vector<std::string>{"Select Attachment|All Files (*.*)"});
    EXPECT_EQ(Child<QLineEdit>(dlg, "txtAttach")->text(), "/tmp/report.pdf");

    dlg.setGeometry(10, 20, 500, 300);
    dlg.reject();
    EXPECT_EQ(corvy::testing::SavedRectangle(profile_, "QuickMail"), QRect(10, 20, 500, 300));
}

TEST_F(QuickMailDlgTest, WaylandAppliesOnlyTheSavedSize) {
    corvy::testing::WriteSavedRectangle(profile_, "QuickMail", QRect(40, 50, 600, 400));
    services_.placesWindows = false;
    CQuickMailDlg dlg(profile_, services_, dir_.string());
    EXPECT_EQ(dlg.size(), QSize(600, 400));
    EXPECT_NE(dlg.pos(), QPoint(40, 50));

    // The position a Wayland client sees means nothing: the saved one stays
    // for the next X11 session and only the size is new.
    dlg.setGeometry(10, 20, 500, 300);
    dlg.reject();
    EXPECT_EQ(corvy::testing::SavedRectangle(profile_, "QuickMail"), QRect(40, 50, 500, 300));
}

TEST_F(QuickMailDlgTest, FailureShowsTheCodeAndKeepsEverythingTyped) {
    CQuickMailDlg dlg(profile_, services_, dir_.string());  // no SMTP server set
    dlg.show();
    Child<QComboBox>(dlg, "cmbTo")->setEditText(QStringLiteral("you@x.org"));
    Child<QLineEdit>(dlg, "txtSubject")->setText(QStringLiteral("Hello"));
    Child<QPlainTextEdit>(dlg, "txtText")->setPlainText(QStringLiteral("Some text"));
    dlg.OnSend();
    ASSERT_EQ(services_.boxes.size(), 1u);
    EXPECT_EQ(services_.boxes[0].text, "Error! Invalid mail host!");
    EXPECT_EQ(services_.boxes[0].title, "Corvy");
    EXPECT_EQ(services_.boxes[0].icon, BoxIcon::Exclamation);
    EXPECT_TRUE(dlg.isVisible());
    EXPECT_EQ(Child<QComboBox>(dlg, "cmbTo")->currentText(), "you@x.org");
    EXPECT_EQ(Child<QLineEdit>(dlg, "txtSubject")->text(), "Hello");
    EXPECT_EQ(Child<QPlainTextEdit>(dlg, "txtText")->toPlainText(), "Some text");
    EXPECT_EQ(profile_.GetString("Recent Email Address", "Address0"), "you@x.org");
    EXPECT_NE(profile_.GetInt("QuickMail", "Left", -1), -1);  // saved when sending started
}

TEST_F(QuickMailDlgTest, SendsWrappedTextAndAttachmentToARealServer) {
    AiosmtpdServer server;
    if (!server.Running()) {
        GTEST_SKIP() << server.Error();
    }
    profile_.WriteString("QuickMail", "QuickMailHost", "127.0.0.1");
    profile_.WriteInt("QuickMail", "QuickMailPort", server.Port());
    const std::string bytes = "\x01\x02\x03 attachment \xff";
    vantry::test::WriteFile(dir_ / "notes.bin", bytes);

    CQuickMailDlg dlg(profile_, services_, dir_.string());
    dlg.show();
    Child<QComboBox>(dlg, "cmbTo")->setEditText(QStringLiteral("you@x.org"));
    Child<QLineEdit>(dlg, "txtSubject")->setText(QStringLiteral("Notes"));
    Child<QLineEdit>(dlg, "txtAttach")
        ->setText(QString::fromStdString((dir_ / "notes.bin").string()));
    const QString line = QString(71, u'a') + QStringLiteral(" tail");
    Child<QPlainTextEdit>(dlg, "txtText")->setPlainText(line + QStringLiteral("\nnext"));
    dlg.OnSend();
    EXPECT_TRUE(services_.boxes.empty());
    EXPECT_EQ(dlg.result(), QDialog::Accepted);
    EXPECT_TRUE(Child<QPlainTextEdit>(dlg, "txtText")->toPlainText().isEmpty());

    const auto m = server.Message(1);
    EXPECT_EQ(m.defects, 0);
    EXPECT_EQ(m.headers.at("Subject"), "Notes");
    EXPECT_EQ(m.headers.at("X-Mailer"), "Corvy v3.1a");
    EXPECT_EQ(m.headers.at("From-name"), "Me");
    EXPECT_EQ(m.body, std::string(71, 'a') + "\r\ntail\r\nnext");
    ASSERT_EQ(m.attachments.size(), 1u);
    EXPECT_EQ(m.attachments[0], bytes);
}

TEST_F(QuickMailDlgTest, SendAndCloseWaitWhileASendRunsAndCancelEndsIt) {
    // The server greets and then never answers; only Cancel ends the wait.
    ScriptedSmtpServer server({SmtpStep::Send("220 ready\r\n"), SmtpStep::Hold()});
    profile_.WriteString("QuickMail", "QuickMailHost", "127.0.0.1");
    profile_.WriteInt("QuickMail", "QuickMailPort", server.Port());
    CQuickMailDlg dlg(profile_, services_, dir_.string());
    dlg.show();
    Child<QComboBox>(dlg, "cmbTo")->setEditText(QStringLiteral("you@x.org"));
    Child<QPlainTextEdit>(dlg, "txtText")->setPlainText(QStringLiteral("text"));
    QTimer user;
    bool clicked = false;
    QObject::connect(&user, &QTimer::timeout, [&] {
        CProgressWindow* progress = dlg.Progress();
        if (clicked || progress == nullptr || progress->windowTitle() != "Sending Mail...") {
            return;
        }
        clicked = true;
        dlg.OnSend();  // a second Send would open a second conversation
        dlg.reject();
        progress->OnCancel();
    });
    user.start(1);
    dlg.OnSend();
    EXPECT_TRUE(clicked);
    ASSERT_EQ(services_.boxes.size(), 1u);
    EXPECT_EQ(services_.boxes[0].text, "User canceled!");
    EXPECT_TRUE(dlg.isVisible());
    EXPECT_EQ(Child<QPlainTextEdit>(dlg, "txtText")->toPlainText(), "text");
}
