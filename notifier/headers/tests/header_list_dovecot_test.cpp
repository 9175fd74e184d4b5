// The header window against a real Dovecot: the listed fields and sizes,
// the kept message files, and the deletion of marked messages with the ID
// re-check while a second client (Python's poplib) changes the mailbox.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QProcess>
#include <QTreeWidget>
#include <filesystem>

#include "headers/header_list_dlg.h"
#include "headers/peek_dlg.h"
#include "pop3/testing/dovecot_fixture.h"
#include "quickmail/quickmail_dlg.h"
#include "services/testing/fake_services.h"
#include "services/testing/modal_answer.h"
#include "settings/notifier_settings.h"
#include "settings/password_scramble.h"
#include "test_env.h"

using namespace corvy;
using corvy::pop3::testing::DovecotServer;
namespace fs = std::filesystem;

namespace {

constexpr const char* kAccount = "hal@example.org";

// A CR LF message of exactly `size` bytes, as the server counts it.
std::string Mail(const std::string& subject, const std::string& date, std::size_t size = 300) {
    std::string text = "From: Ann <ann@example.org>\r\nSubject: " + subject + "\r\n";
    if (!date.empty()) {
        text += "Date: " + date + "\r\n";
    }
    text += "Reply-To: reply@example.org\r\n\r\nfirst line of " + subject + "\r\n";
    while (text.size() + 72 <= size) {
        text += std::string(70, 'x') + "\r\n";
    }
    if (text.size() + 2 <= size) {
        text += std::string(size - text.size() - 2, 'y') + "\r\n";
    }
    return text;
}

class HeaderListDovecot : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        server_ = std::make_unique<DovecotServer>(
            std::vector<DovecotServer::User>{{"hal", "open-the-pod"}});
    }
    static void TearDownTestSuite() { server_.reset(); }

    void SetUp() override {
        ASSERT_TRUE(server_->Running()) << server_->Error();
        server_->Clear("hal");
        const std::string s = settings::AccountSection(0);
        profile_.WriteString(s, "AccountName", kAccount);
        profile_.WriteString(s, "ServerAddress", "127.0.0.1");
        profile_.WriteString(s, "UserID", "hal");
        profile_.WriteString(s, "Password", settings::ScramblePassword("open-the-pod"));
        profile_.WriteInt(s, "POP3Port", server_->Port());
    }

    // Runs Python's poplib as a second client; its output.
    std::string Poplib(const std::string& body) {
        const std::string script =
            "import poplib,sys\np=poplib.POP3('127.0.0.1'," + std::to_string(server_->Port()) +
            ")\np.user('hal')\np.pass_('open-the-pod')\n" + body + "\np.quit()\n";
        QProcess python;
        python.start(QStringLiteral("/usr/bin/python3"),
                     {QStringLiteral("-c"), QString::fromStdString(script)});
        EXPECT_TRUE(python.waitForFinished(30000));
        EXPECT_EQ(python.exitCode(), 0) << python.readAllStandardError().toStdString();
        return python.readAllStandardOutput().toStdString();
    }

    // Subjects the server still keeps, in order, one per line.
    std::string SubjectsLeft() {
        return Poplib(
            "for i in range(1, len(p.list()[1]) + 1):\n"
            "    print(*[l.decode()[9:] for l in p.top(i, 0)[1] if l.startswith(b'Subject:')])");
    }

    QTreeWidget& List(CHeaderListDlg& dlg) { return *dlg.findChild<QTreeWidget*>("lstHeaders"); }

    void Mark(CHeaderListDlg& dlg, std::initializer_list<int> rows) {
        QTreeWidget& list = List(dlg);
        list.clearSelection();
        for (int row : rows) {
            list.topLevelItem(row)->setSelected(true);
        }
        dlg.OnDelete();
    }

    static std::unique_ptr<DovecotServer> server_;
    vantry::profile::Profile profile_{vantry::test::FreshDir("p") / "corvy.ini"};
    FakeServices services_;
    HeaderContext context_{profile_, services_, vantry::test::FreshDir("data").string(), {}};
};

std::unique_ptr<DovecotServer> HeaderListDovecot::server_;

}  // namespace

TEST_F(HeaderListDovecot, ListsFieldsSizesAndKeepsPrivateMessageFiles) {
    server_->Deliver("hal", Mail("exact", "Mon, 7 Dec 2026 09:00:00 +0000", 1024));
    server_->Deliver("hal", Mail("one more", "Mon, 7 Dec 2026 09:01:00 +0000", 1025));
    server_->Deliver("hal", Mail("undated", "", 2048));
    const fs::path folder = fs::path(std::getenv("XDG_RUNTIME_DIR")) / "corvy";
    {
        CHeaderListDlg dlg(context_, "", 5);
        ASSERT_TRUE(dlg.Start());
        EXPECT_EQ(dlg.windowTitle(), QStringLiteral("Corvy - View Headers - ") + kAccount);
        QTreeWidget& list = List(dlg);
        ASSERT_EQ(list.topLevelItemCount(), 3);
        const char* sizes[] = {"1K", "1K", "2K"};
        for (int row = 0; row < 3; ++row) {
            EXPECT_EQ(list.topLevelItem(row)->text(CHeaderListDlg::kSize), sizes[row]);
            EXPECT_FALSE(list.topLevelItem(row)->text(CHeaderListDlg::kMsgId).isEmpty());
        }
        EXPECT_EQ(list.topLevelItem(0)->text(CHeaderListDlg::kFrom), "Ann <ann@example.org>");
        EXPECT_EQ(list.topLevelItem(1)->text(CHeaderListDlg::kSubject), "one more");
        EXPECT_EQ(list.topLevelItem(2)->text(CHeaderListDlg::kDate), "!error!");
        EXPECT_EQ(list.topLevelItem(2)->text(CHeaderListDlg::kReplyTo), " reply@example.org");
        EXPECT_TRUE(list.isColumnHidden(CHeaderListDlg::kMsgId));

        int kept = 0;
        for (const auto& entry : fs::directory_iterator(folder)) {
            struct stat st {};
            ASSERT_EQ(::stat(entry.path().c_str(), &st), 0);
            EXPECT_EQ(st.st_mode & 0777, 0600u);
            ++kept;
        }
        EXPECT_EQ(kept, 3);
        dlg.reject();
        EXPECT_TRUE(fs::is_empty(folder));
    }
    EXPECT_TRUE(services_.boxes.empty());
    // The undated last message is the marker, and nothing was deleted.
    EXPECT_EQ(profile_.GetString("LastMail", kAccount), "!error!");
    EXPECT_EQ(server_->StoredCount("hal"), 3);
    EXPECT_EQ(profile_.GetInt("Headers", "FromWidth", -1), 125);
    EXPECT_EQ(profile_.GetInt("Headers", "SizeWidth", -1), 50);
}

TEST_F(HeaderListDovecot, ChangedIdsAreRefusedWhileMatchingMarksAreDeleted) {
    for (const char* s : {"A", "B", "C", "D", "E"}) {
        server_->Deliver("hal", Mail(s, std::string("Mon, 7 Dec 2026 10:00:0") + s[0]));
    }
    CHeaderListDlg dlg(context_, kAccount, 5);
    ASSERT_TRUE(dlg.Start());
    Mark(dlg, {0, 2, 3});
    EXPECT_EQ(dlg.Marked(), 3);
    Poplib("p.dele(2)");  // B goes between listing and deletion: C and D move up

    dlg.OnRefresh();
    EXPECT_EQ(dlg.Deleted(), 1);
    ASSERT_EQ(services_.boxes.size(), 3u);
    EXPECT_EQ(services_.boxes[0].text, "Delete marked messages?");
    EXPECT_EQ(services_.boxes[0].icon, BoxIcon::Question);
    for (int i : {1, 2}) {
        EXPECT_EQ(services_.boxes[i].text, "Message ID's do not match. Can not delete message.");
    }
    // The last unmarked row gives the marker.
    EXPECT_EQ(profile_.GetString("LastMail", kAccount), "Mon, 7 Dec 2026 10:00:0E");
    EXPECT_EQ(SubjectsLeft(), "C\nD\nE\n");
    // The refreshed list shows the mailbox as it is now, marks gone.
    EXPECT_EQ(List(dlg).topLevelItemCount(), 3);
    EXPECT_EQ(dlg.Marked(), 0);
    dlg.reject();
}

TEST_F(HeaderListDovecot, WithoutIdCheckingMarksAreDeletedByNumber) {
    profile_.WriteInt(settings::AccountSection(0), "DisableUIDL", 1);
    for (const char* s : {"A", "B", "C"}) {
        server_->Deliver("hal", Mail(s, s));
    }
    CHeaderListDlg dlg(context_, kAccount, 5);
    ASSERT_TRUE(dlg.Start());
    EXPECT_TRUE(List(dlg).topLevelItem(0)->text(CHeaderListDlg::kMsgId).isEmpty());
    Mark(dlg, {1});
    Poplib("p.dele(1)");
    dlg.reject();
    EXPECT_EQ(dlg.Deleted(), 1);
    EXPECT_EQ(SubjectsLeft(), "B\n");  // number 2 was C by then
}

TEST_F(HeaderListDovecot, NoDeletesNothingButStoresTheMarker) {
    for (const char* s : {"A", "B"}) {
        server_->Deliver("hal", Mail(s, std::string("date ") + s));
    }
    services_.answers = {BoxAnswer::No};
    CHeaderListDlg dlg(context_, kAccount, 5);
    ASSERT_TRUE(dlg.Start());
    Mark(dlg, {0, 1});
    Mark(dlg, {1});  // a marked row is not counted twice
    EXPECT_EQ(dlg.Marked(), 2);
    dlg.reject();
    EXPECT_EQ(dlg.Deleted(), 0);
    EXPECT_EQ(server_->StoredCount("hal"), 2);
    EXPECT_EQ(profile_.GetString("LastMail", kAccount), "date B");
    EXPECT_EQ(List(dlg).topLevelItemCount(), 0);
}

TEST_F(HeaderListDovecot, PeekFetchesFromTheServerWhenBodiesAreNotKept) {
    profile_.WriteInt("Options", "RetrieveBodyWithHeaders", 0);
    server_->Deliver("hal", Mail("peeked", "Tue, 8 Dec 2026", 2048));
    CHeaderListDlg dlg(context_, kAccount, 2);
    ASSERT_TRUE(dlg.Start());
    List(dlg).topLevelItem(0)->setSelected(true);
    QString headers;
    QString body;
    EXPECT_TRUE(corvy::testing::AnswerModal<CPeekDlg>(
        [&] { dlg.OnPeek(); },
        [&](CPeekDlg& peek) {
            headers = peek.findChild<QPlainTextEdit*>("txtHeaders")->toPlainText();
            body = peek.findChild<QPlainTextEdit*>("txtBody")->toPlainText();
            peek.reject();
        }));
    EXPECT_EQ(headers, "From: Ann <ann@example.org>\nDate: Tue, 8 Dec 2026\nSubj: peeked");
    // Two body lines were asked for.
    EXPECT_EQ(body, "\nfirst line of peeked\n" + QString(70, u'x') + "\n");
    EXPECT_TRUE(profile_.GetInt("Peek", "Right", -1) > profile_.GetInt("Peek", "Left", -1));
    dlg.reject();
}

TEST_F(HeaderListDovecot, ReplyQuotesTheKeptTextAndTheMenuFollowsTheSelection) {
    const fs::path folder = fs::path(std::getenv("XDG_RUNTIME_DIR")) / "corvy";
    fs::create_directories(folder);
    fs::permissions(folder, fs::perms::owner_all, fs::perm_options::replace);
    vantry::test::WriteFile(folder / "msg-crashed", "left by a crash");
    server_->Deliver("hal",
                     "From: a@example.org\r\nSubject: Lunch\r\nDate: Wed\r\n\r\nAt noon?\r\n"
                     ".\r\n\r\nBob\r\n");
    server_->Deliver("hal", Mail("second", "Thu"));
    CHeaderListDlg dlg(context_, kAccount, 5);
    EXPECT_FALSE(fs::exists(folder / "msg-crashed"));
    ASSERT_TRUE(dlg.Start());
    QTreeWidget& list = List(dlg);

    list.topLevelItem(0)->setSelected(true);
    list.topLevelItem(1)->setSelected(true);
    auto menu = dlg.BuildContextMenu();
    const auto actions = menu->actions();
    EXPECT_FALSE(actions[0]->isEnabled());      // Peek
    EXPECT_FALSE(actions[1]->isEnabled());      // Reply
    EXPECT_FALSE(actions.back()->isEnabled());  // no e-mail program set
    list.topLevelItem(1)->setSelected(false);
    EXPECT_TRUE(dlg.BuildContextMenu()->actions()[0]->isEnabled());

    QString to;
    QString subject;
    QString text;
    EXPECT_TRUE(corvy::testing::AnswerModal<CQuickMailDlg>(
        [&] { dlg.OnReply(); },
        [&](CQuickMailDlg& quick) {
            to = quick.findChild<QComboBox*>("cmbTo")->currentText();
            subject = quick.findChild<QLineEdit*>("txtSubject")->text();
            text = quick.findChild<QPlainTextEdit*>("txtText")->toPlainText();
            quick.reject();
        }));
    EXPECT_EQ(to, "");  // no Reply-To
    EXPECT_EQ(subject, "Re:Lunch");
    EXPECT_EQ(text, "\nOn Wed you wrote:\n>At noon?\n>.\n>\n>Bob\n");

    // A kept file that went away is reported, and no reply window opens.
    for (const auto& entry : fs::directory_iterator(folder)) {
        fs::remove(entry.path());
    }
    dlg.OnReply();
    ASSERT_EQ(services_.boxes.size(), 1u);
    EXPECT_EQ(services_.boxes[0].text.rfind("Unable to open " + folder.string() + "/msg-", 0), 0u);
    dlg.reject();
}
