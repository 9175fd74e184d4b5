#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QWidget>

#include <filesystem>
#include <memory>

#include "composer/composer.h"
#include "composer/composer_panel.h"
#include "settings/settings.h"
#include "startup/language.h"
#include "test_env.h"
#include "ui_composer_panel.h"

namespace murmel {
namespace {

namespace fs = std::filesystem;

// The main window's composing panel with the recorder's side of the window as
// the window wires it (Send, the status line and the buttons a send takes),
// and a recording context around them.
struct Window : ComposerContext {
    fs::path app = vantry::test::FreshDir("app");
    QWidget form;
    ComposerPanel* panel = new ComposerPanel(&form);
    QComboBox* cmbTo = panel->ui()->cmbTo;
    QComboBox* cmbCc = panel->ui()->cmbCc;
    QPushButton* cmdTo = panel->ui()->cmdTo;
    QPushButton* cmdCc = panel->ui()->cmdCc;
    QLineEdit* txtSubject = panel->ui()->txtSubject;
    QCheckBox* chkReturnReceipt = panel->ui()->chkReturnReceipt;
    QLabel* lblReturnReceipt = panel->ui()->lblReturnReceipt;
    QLabel* lblStatus = new QLabel(&form);
    QPushButton* cmdRecord = new QPushButton(&form);
    QPushButton* cmdPlay = new QPushButton(&form);
    QPushButton* cmdStop = new QPushButton(&form);
    QPushButton* cmdSend = new QPushButton(&form);
    QPushButton* cmdClose = new QPushButton(&form);
    QPushButton* cmdHide = new QPushButton(&form);

    TranslationTable texts;
    MemorySettings store;
    QStringList played;
    QStringList boxes;
    int uploads = 0;
    int sentCalls = 0;
    QString status;
    QStringList statusHistory;
    std::function<std::optional<QStringList>(bool)> picker;
    std::unique_ptr<Composer> composer;

    Window() {
        texts.Add({"mm0002", "<choose a recipient>"});  // other IDs show as themselves
        // What the status said whenever the top entry became the current one.
        QObject::connect(cmbTo, &QComboBox::currentIndexChanged, [this](int index) {
            if (index == 0) {
                statusHistory << status;
            }
        });
        store.setPlaySounds("1");
        store.setMyEmail("me@x.org");
        store.SetValue(SettingId::UserLanguage, "00000409");
        composer = std::make_unique<Composer>(*panel, *this);
        // The recorder's side: the send's buttons come back as its idle rows.
        QObject::connect(cmdSend, &QPushButton::clicked, composer.get(), &Composer::cmdSend_Click);
        QObject::connect(composer.get(), &Composer::StatusText, lblStatus, &QLabel::setText);
        QObject::connect(composer.get(), &Composer::SendingStarted,
                         [this] { SetButtons("NNNNNN"); });
        QObject::connect(composer.get(), &Composer::SendingEnded,
                         [this](bool sent) { SetButtons(sent ? "YNNNYY" : "YYNYYY"); });
    }
    QString T(std::string_view id) const override { return texts.T(id); }
    Settings& settings() override { return store; }
    void PlaySound(const QString& name, bool) override {
        if (store.PlaySounds() == "1") {
            played << "sounds/" + name;
        }
    }
    void MessageBox(const QString& text) override { boxes << text; }
    QString& Status() override { return status; }
    QString AppPath() const override { return QString::fromStdString(app.string()); }
    void ShowUploadWindow() override { ++uploads; }
    std::optional<QStringList> PickAddresses(bool cc) override {
        return picker ? picker(cc) : std::optional<QStringList>();
    }
    void Sent() override { ++sentCalls; }
    QDateTime Now() const override { return QDateTime(QDate(2026, 12, 6), QTime(15, 49, 7)); }
    QString TimeZone() const override { return QStringLiteral("+0100"); }

    // A file of the program folder.
    QString Path(const char* name) const { return AppPath() + '/' + name; }
    // Enabled flags of Record, Play, Stop, Send, Close, Hide.
    std::string Buttons() const {
        std::string flags;
        for (const QPushButton* b : {cmdRecord, cmdPlay, cmdStop, cmdSend, cmdClose, cmdHide}) {
            flags += b->isEnabled() ? 'Y' : 'N';
        }
        return flags;
    }
    void SetButtons(const std::string& flags) {
        QPushButton* const buttons[] = {cmdRecord, cmdPlay, cmdStop, cmdSend, cmdClose, cmdHide};
        for (std::size_t i = 0; i < flags.size(); ++i) {
            buttons[i]->setEnabled(flags[i] == 'Y');
        }
    }
    void Record() { vantry::test::WriteFile(app / "in.wav", std::string(4000, 'w')); }
    QStringList Items() const { return QDir(Path("Outbox")).entryList(QDir::Files); }
    QStringList List(QComboBox* box) const {
        QStringList out;
        for (int i = 0; i < box->count(); ++i)
            out << box->itemText(i);
        return out;
    }
    std::string Item() const {
        const QStringList items = Items();
        return items.isEmpty() ? std::string()
                               : vantry::test::ReadFile(app / "Outbox" / items[0].toStdString());
    }
};

TEST(ComposerRecipients, LoadFillsBothListsWithPlaceholders) {
    Window w;
    vantry::test::WriteFile(w.app / "Tos.txt", "a@x.org\r\n\r\nb@y.org, c@z.org\r\n");
    w.composer->m_LoadRecipients();
    EXPECT_EQ(w.List(w.cmbTo), QStringList({"a@x.org", "b@y.org, c@z.org"}));
    EXPECT_EQ(w.cmbTo->currentText(), "a@x.org");
    EXPECT_EQ(w.List(w.cmbCc),
              QStringList({"<choose a recipient>", "a@x.org", "b@y.org, c@z.org"}));
    EXPECT_EQ(w.cmbCc->currentText(), "<choose a recipient>");

    Window fresh;
    fresh.composer->m_LoadRecipients();
    EXPECT_EQ(fresh.List(fresh.cmbTo), QStringList({"<choose a recipient>"}));
    EXPECT_EQ(fresh.List(fresh.cmbCc), QStringList({"<choose a recipient>"}));
}

TEST(ComposerSend, MissingRecipientShowsMessageAndWritesNothing) {
    for (const QString to : {"", "   ", "<CHOOSE a recipient>", " , ,"}) {
        Window w;
        w.Record();
        w.composer->m_LoadRecipients();
        w.cmbTo->setEditText(to);
        w.cmdSend->click();
        EXPECT_EQ(w.boxes, QStringList({"mm0005"})) << to.toStdString();
        EXPECT_EQ(w.played, QStringList({"sounds/click.wav", "sounds/error.wav"}));
        EXPECT_TRUE(w.Items().isEmpty());
        EXPECT_EQ(w.uploads, 0);
        EXPECT_FALSE(QFile::exists(w.Path("in.zip")));
    }
}

TEST(ComposerSend, SuccessWritesItemAndResetsControls) {
    Window w;
    w.Record();
    w.composer->m_LoadRecipients();
    w.cmbTo->setEditText(" a@x.org,b@y.org ,,");
    w.cmbCc->setEditText("c@x.org,d@y.org");
    w.txtSubject->setText("  Hello  ");
    w.chkReturnReceipt->setChecked(true);
    w.cmdSend->click();

    EXPECT_EQ(w.composer->lastStatus(), 0);
    EXPECT_TRUE(w.boxes.isEmpty());
    EXPECT_EQ(w.uploads, 1);
    EXPECT_EQ(w.sentCalls, 1);
    EXPECT_EQ(w.played, QStringList({"sounds/click.wav"}));
    EXPECT_EQ(w.lblStatus->text(), "mm0036");
    EXPECT_TRUE(w.txtSubject->text().isEmpty());
    EXPECT_EQ(w.cmbTo->currentText(), "a@x.org, b@y.org");
    EXPECT_EQ(w.cmbCc->currentText(), "c@x.org, d@y.org");
    EXPECT_EQ(w.List(w.cmbTo).value(0), "a@x.org, b@y.org");
    EXPECT_EQ(w.Buttons(), "YNNNYY");

    EXPECT_EQ(w.Items(), QStringList({"261206154907.txt"}));
    const std::string item = w.Item();
    EXPECT_NE(item.find("\r\nTo: a@x.org, b@y.org\r\n"), std::string::npos);
    EXPECT_NE(item.find("\r\nSubject: Hello\r\n"), std::string::npos);
    EXPECT_NE(item.find("\r\nDate: Sun, 06 Dec 2026 15:49 +0100\r\n"), std::string::npos);
    EXPECT_NE(item.find("\r\nCc: c@x.org, d@y.org\r\n"), std::string::npos);
    EXPECT_NE(item.find("\r\nX-Return-Receipt: Yes\r\n"), std::string::npos);
    EXPECT_NE(item.find("\r\nX-MailerVersion: " + std::to_string(MURMEL_VERSION_MAJOR) + "." +
                        std::to_string(MURMEL_VERSION_MINOR) + "\r\n"),
              std::string::npos);
    EXPECT_TRUE(QFile::exists(w.Path("in.wav")));  // the recording stays
    EXPECT_TRUE(QFile::exists(w.Path("in.zip")));
}

TEST(ComposerSend, PlaceholderCcIsNoCcAndSoundsCanBeOff) {
    Window w;
    w.store.setPlaySounds("0");
    w.Record();
    w.composer->m_LoadRecipients();
    w.cmbTo->setEditText("a@x.org");
    w.cmdSend->click();
    ASSERT_EQ(w.composer->lastStatus(), 0);
    EXPECT_TRUE(w.played.isEmpty());
    EXPECT_EQ(w.Item().find("Cc:"), std::string::npos);
    EXPECT_EQ(w.Item().find("X-Return-Receipt"), std::string::npos);
    EXPECT_EQ(w.cmbCc->currentText(), "<choose a recipient>");
}

TEST(ComposerSend, KnownRecipientMovesToTopAndTosFileStartsWithIt) {
    Window w;
    vantry::test::WriteFile(w.app / "Tos.txt", "a@x.org\r\nb@y.org\r\nc@z.org\r\n");
    w.Record();
    w.composer->m_LoadRecipients();
    w.cmbTo->setEditText("C@Z.ORG");
    w.statusHistory.clear();
    w.cmdSend->click();
    EXPECT_EQ(w.List(w.cmbTo), QStringList({"C@Z.ORG", "a@x.org", "b@y.org"}));
    EXPECT_EQ(w.cmbTo->currentText(), "C@Z.ORG");
    // The selection ran while the status said "Initializing", then it was emptied.
    EXPECT_EQ(w.statusHistory, QStringList({"Initializing"}));
    EXPECT_EQ(w.status, "");

    w.cmbTo->setEditText("new@n.org");
    w.Record();
    w.cmdSend->setEnabled(true);  // the recorder enables Send after a new recording
    w.cmdSend->click();
    EXPECT_EQ(w.List(w.cmbTo), QStringList({"new@n.org", "C@Z.ORG", "a@x.org", "b@y.org"}));
    EXPECT_EQ(w.cmbTo->currentText(), "new@n.org");
    EXPECT_EQ(w.Items().size(), 2);

    w.composer->m_SaveRecipients();
    EXPECT_EQ(vantry::test::ReadFile(w.app / "Tos.txt"),
              "new@n.org\r\nC@Z.ORG\r\na@x.org\r\nb@y.org\r\n");
}

TEST(ComposerSend, NoRecordingStopsSilently) {
    Window w;
    w.composer->m_LoadRecipients();
    w.cmbTo->setEditText("a@x.org");
    w.cmdSend->click();
    EXPECT_EQ(w.played, QStringList({"sounds/click.wav"}));
    EXPECT_TRUE(w.boxes.isEmpty());
    EXPECT_TRUE(w.lblStatus->text().isEmpty());
    EXPECT_TRUE(w.Items().isEmpty());
    EXPECT_EQ(w.List(w.cmbTo).value(0), "a@x.org");  // the recent list was updated
}

TEST(ComposerSend, BuildAndZipFailuresKeepTheRecorderReady) {
    Window w;
    w.Record();
    w.composer->m_LoadRecipients();
    w.store.setMyEmail("");
    w.cmbTo->setEditText("a@x.org");
    w.txtSubject->setText("kept");
    w.cmdSend->click();
    EXPECT_EQ(w.composer->lastStatus(), 8);
    EXPECT_EQ(w.lblStatus->text(), "mm0010");
    EXPECT_EQ(w.played, QStringList({"sounds/click.wav", "sounds/error.wav"}));
    EXPECT_EQ(w.txtSubject->text(), "kept");
    EXPECT_EQ(w.uploads, 0);
    EXPECT_EQ(w.Buttons(), "YYNYYY");
    EXPECT_TRUE(w.Items().isEmpty());

    // A folder where the archive should go makes the zip library fail.
    w.store.setMyEmail("me@x.org");
    w.played.clear();
    fs::remove(w.app / "in.zip");
    fs::create_directory(w.app / "in.zip");
    w.cmdSend->click();
    EXPECT_GT(w.composer->lastStatus(), 100);
    EXPECT_EQ(w.lblStatus->text(), "mm0013");
    EXPECT_EQ(w.played, QStringList({"sounds/click.wav", "sounds/error.wav"}));
    EXPECT_TRUE(w.cmdPlay->isEnabled());
    EXPECT_TRUE(w.Items().isEmpty());

    // An outbox that cannot be written is reported, not taken for a success.
    fs::remove(w.app / "in.zip");
    vantry::test::WriteFile(w.app / "Outbox", "not a folder");
    w.played.clear();
    w.cmdSend->click();
    EXPECT_EQ(w.composer->lastStatus(), kPostItemNotWritten);
    EXPECT_EQ(w.lblStatus->text(), "mm0013");
    EXPECT_EQ(w.played, QStringList({"sounds/click.wav", "sounds/error.wav"}));
    EXPECT_EQ(w.uploads, 0);
}

TEST(ComposerPicker, ChosenAddressesOrPlaceholderOrUnchanged) {
    Window w;
    w.composer->m_LoadRecipients();
    w.cmbTo->setEditText("typed@x.org");
    w.cmdTo->click();  // no picker yet: nothing changes
    EXPECT_EQ(w.cmbTo->currentText(), "typed@x.org");
    EXPECT_EQ(w.played, QStringList({"sounds/click.wav"}));

    bool askedCc = false;
    w.picker = [&](bool cc) {
        askedCc = cc;
        return std::optional<QStringList>(QStringList{"a@x.org", "b@y.org"});
    };
    w.cmdCc->click();
    EXPECT_TRUE(askedCc);
    EXPECT_EQ(w.cmbCc->currentText(), "a@x.org, b@y.org");

    w.picker = [](bool) { return std::optional<QStringList>(QStringList{}); };
    w.cmdTo->click();
    EXPECT_EQ(w.cmbTo->currentText(), "<choose a recipient>");
}

TEST(ComposerSounds, ListChoiceAndReturnReceiptLabel) {
    Window w;
    w.composer->m_LoadRecipients();
    w.composer->cmbTo_Click();
    w.status = "Initializing";
    w.composer->cmbCc_Click();
    EXPECT_EQ(w.played, QStringList({"sounds/swoosh.wav"}));

    w.played.clear();
    w.composer->lblReturnReceipt_Click();
    EXPECT_TRUE(w.chkReturnReceipt->isChecked());
    w.composer->lblReturnReceipt_Click();
    EXPECT_FALSE(w.chkReturnReceipt->isChecked());
    w.chkReturnReceipt->click();
    EXPECT_TRUE(w.chkReturnReceipt->isChecked());
    EXPECT_EQ(w.played, QStringList(3, "sounds/click.wav"));

    w.txtSubject->setText("select me");
    w.composer->txtSubject_GotFocus();
    EXPECT_EQ(w.txtSubject->selectedText(), "select me");
}

}  // namespace
}  // namespace murmel
