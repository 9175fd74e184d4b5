#include <gtest/gtest.h>

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QSlider>
#include <QTest>

#include <QLabel>

#include "audio/testing/fake_wave_device.h"
#include "audio/wave_device.h"
#include "composer/composer.h"
#include "recorder/recorder.h"
#include "shell/tests/frm_mm_fixture.h"
#include "startup/language.h"

namespace murmel {
namespace {

using testing::FormHarness;
using vantry::audio::SoundMode;

// --- start-up -------------------------------------------------------------

TEST(FormLoad, RunsItsStepsInOrder) {
    FormHarness h;
    frmMM& form = h.Start();

    const std::vector<std::string> expected = {
        "instance test",    "VerifyRegistry", "tray install",   "Let Autorun=0", "m_ShowOptions",
        "m_LoadRecipients", "m_LoadAds",      "play start.wav", "m_RotateAds",   "m_InitVolumes"};
    int last = -1;
    for (const std::string& step : expected) {
        const int at = h.IndexOf(step);
        ASSERT_GE(at, 0) << step << " missing";
        EXPECT_GT(at, last) << step << " out of order";
        last = at;
    }
    // Everything ran while the window said so, and start-up ends idle.
    EXPECT_EQ(h.statusDuring["m_LoadRecipients"], kStatusInitializing);
    EXPECT_EQ(h.statusDuring["m_RotateAds"], kStatusInitializing);
    EXPECT_TRUE(form.m_Status.isEmpty());
    EXPECT_TRUE(form.isVisible());
    EXPECT_TRUE(form.tmrAdvertise()->isActive());
    EXPECT_EQ(form.tmrAdvertise()->interval(), 3000);
    EXPECT_FALSE(form.tmrRecording()->isActive());
    EXPECT_TRUE(QFileInfo(h.appPath + "/Outbox").isDir());
    EXPECT_EQ(form.windowTitle(), "MurmelMail");
}

TEST(FormLoad, SecondInstanceEndsBeforeAnythingElse) {
    FormHarness h;
    h.otherInstance = true;
    frmMM& form = h.Make();
    EXPECT_FALSE(form.Form_Load());
    EXPECT_EQ(h.trace, (testing::Trace{"instance test"}));
    EXPECT_FALSE(h.tray.IsInstalled());
    EXPECT_TRUE(h.sound.played().empty());
}

TEST(FormLoad, ArgumentOneStartsHiddenAndSilentAndKeepsAutorun) {
    FormHarness h({"1"});
    h.store.setAutorun("1");
    h.store.setSetRunAtInitialization("/opt/murmel 1");
    h.store.setMyEmail("me@example.org");
    frmMM& form = h.Start();
    EXPECT_TRUE(form.StartsHidden());
    EXPECT_FALSE(form.isVisible());
    EXPECT_TRUE(h.tray.IsInstalled());
    EXPECT_TRUE(h.sound.played().empty());
    EXPECT_EQ(h.store.SetRunAtInitialization(), "/opt/murmel 1");
}

TEST(FormLoad, OtherArgumentsCountAsAUserStart) {
    FormHarness h({"1", "2"});
    frmMM& form = h.Start();
    EXPECT_FALSE(form.StartsHidden());
    EXPECT_TRUE(h.Traced("play start.wav"));
}

TEST(FormLoad, UserStartCorrectsAutorunUnlessItIsOne) {
    for (const char* value : {"", "0", "yes", " 1"}) {
        FormHarness h;
        h.store.setAutorun(value);
        h.store.setSetRunAtInitialization("/opt/murmel 1");
        h.Start();
        EXPECT_EQ(h.store.Autorun(), "0") << value;
        EXPECT_TRUE(h.store.Has(SettingId::SetRunAtInitialization)) << value;
        EXPECT_EQ(h.store.SetRunAtInitialization(), "") << value;
    }
    FormHarness h;
    h.store.setAutorun("1");
    h.store.setSetRunAtInitialization("/opt/murmel 1");
    h.Start();
    EXPECT_EQ(h.store.Autorun(), "1");
    EXPECT_EQ(h.store.SetRunAtInitialization(), "/opt/murmel 1");
}

TEST(FormLoad, FirstRunTurnsSoundsOnAndShowsOptions) {
    FormHarness first;
    first.Start();
    EXPECT_EQ(first.store.PlaySounds(), "1");
    EXPECT_TRUE(first.Traced("m_ShowOptions"));

    FormHarness later;
    later.store.setMyEmail("me@example.org");
    later.store.setPlaySounds("0");
    later.Start();
    EXPECT_EQ(later.store.PlaySounds(), "0");
    EXPECT_FALSE(later.Traced("m_ShowOptions"));
}

TEST(FormLoad, ServerCopyAndLastAdUpdate) {
    FormHarness h;
    h.store.setConnectTo("http://relay.example.org:8080");
    frmMM& form = h.Start();
    EXPECT_EQ(form.globals().ServerCopy, "http://relay.example.org:8080");
    static const QRegularExpression stamp(
        "^(Mon|Tue|Wed|Thu|Fri|Sat|Sun), \\d\\d (Jan|Feb|Mar|Apr|May|Jun|Jul|Aug|Sep|Oct|Nov|Dec) "
        "\\d{4} \\d\\d:\\d\\d [+-]\\d\\d00$");
    EXPECT_TRUE(stamp.match(h.store.LastAdUpdate()).hasMatch())
        << h.store.LastAdUpdate().toStdString();

    FormHarness kept;
    kept.store.setLastAdUpdate("Sun, 06 Dec 2026 15:49 -0500");
    kept.Start();
    EXPECT_EQ(kept.store.LastAdUpdate(), "Sun, 06 Dec 2026 15:49 -0500");
}

TEST(FormLoad, RecordingFormat) {
    FormHarness chosen;
    chosen.store.setWaveType("CD quality");
    chosen.Start();
    EXPECT_EQ(chosen.store.Value(SettingId::DefaultWave), "CD quality");

    FormHarness offered;
    offered.store.SetValue(SettingId::WaveTypes, "Telephone\tgsm 6.10, 8 KHZ, mono\tRadio");
    offered.Start();
    EXPECT_EQ(offered.store.Value(SettingId::DefaultWave), "GSM 6.10, 8 kHz, Mono");
    EXPECT_EQ(offered.store.WaveType(), "GSM 6.10, 8 kHz, Mono");

    FormHarness missing;
    missing.store.SetValue(SettingId::WaveTypes, "Telephone");
    missing.Start();
    EXPECT_FALSE(missing.store.Has(SettingId::DefaultWave));
    EXPECT_FALSE(missing.store.Has(SettingId::WaveType));
}

TEST(FormLoad, TextsComeFromTheUsersLanguageWithFallback) {
    FormHarness swiss;
    swiss.store.SetValue(SettingId::UserLanguage, "00000807");  // only the German default exists
    frmMM& form = swiss.Start();
    EXPECT_EQ(swiss.RecorderUi().cmdRecord->text(), "Aufnahme");
    EXPECT_EQ(swiss.RecorderUi().cmdRecord->toolTip(), "Aufnahme Ihrer Nachricht starten");
    EXPECT_EQ(swiss.ComposerUi().lblSubject->text(), "Betreff:");
    EXPECT_EQ(form.mnuFileExit()->text(), "&Beenden");
    EXPECT_EQ(swiss.tray.tip(), "MurmelMail - eine gesprochene Nachricht senden");
    EXPECT_EQ(form.RecipientsPlaceholder(), QString::fromUtf8("<Empfänger wählen>"));
    EXPECT_EQ(form.globals().BookKindLabels.size(), 5);
    EXPECT_EQ(form.globals().BookKindLabels[4], "Spitznamen (nndbase.txt)");

    FormHarness english;
    english.store.SetValue(SettingId::UserLanguage, "00000411");
    frmMM& en = english.Start();
    EXPECT_EQ(en.ui()->cmdHide->text(), "Hide");
    EXPECT_EQ(english.RecorderUi().lblStatus->text(),
              "Ready - press Record to start a new message");
    EXPECT_EQ(en.ui()->gifLogo->toolTip(), "MurmelMail - click to visit our web site");
}

TEST(FormLoad, RecorderButtonsStartIdle) {
    FormHarness h;
    h.Start();
    EXPECT_EQ(h.Buttons(), "YNNNYY");
}

// --- layout ---------------------------------------------------------------

// Every control stands where the window has always had it, and a click in its
// middle reaches it, although the panels' rectangles overlap.
TEST(Layout, EveryControlKeepsItsPlaceAndTakesItsClicks) {
    FormHarness h;
    frmMM& form = h.Start();
    const std::map<std::string, QRect> places = {
        {"lblToolbar", {0, 0, 440, 24}},
        {"gifLogo", {14, 32, 64, 48}},
        {"cmdRecord", {90, 36, 80, 28}},
        {"cmdPlay", {174, 36, 80, 28}},
        {"cmdStop", {258, 36, 80, 28}},
        {"cmdSend", {342, 36, 80, 28}},
        {"lblStatus", {84, 66, 342, 40}},
        {"cmdTo", {14, 108, 64, 26}},
        {"cmbTo", {84, 108, 342, 26}},
        {"cmdCc", {14, 140, 64, 26}},
        {"cmbCc", {84, 140, 342, 26}},
        {"lblSubject", {14, 172, 64, 26}},
        {"txtSubject", {84, 172, 342, 26}},
        {"chkReturnReceipt", {84, 204, 20, 22}},
        {"lblReturnReceipt", {104, 204, 150, 22}},
        {"lblMic", {262, 204, 40, 22}},
        {"Slider1", {304, 204, 122, 22}},
        {"lblVol", {262, 230, 40, 22}},
        {"Slider2", {304, 230, 122, 22}},
        {"picAd", {14, 234, 236, 34}},
        {"cmdConfigure", {14, 276, 80, 28}},
        {"cmdHelp", {98, 276, 80, 28}},
        {"cmdHide", {246, 276, 80, 28}},
        {"cmdClose", {330, 276, 80, 28}},
    };
    for (const auto& [name, place] : places) {
        const auto* control = form.findChild<QWidget*>(QString::fromStdString(name));
        ASSERT_NE(control, nullptr) << name;
        EXPECT_EQ(QRect(control->mapTo(&form, QPoint(0, 0)), control->size()), place) << name;
        const QWidget* hit = form.childAt(place.center());
        EXPECT_TRUE(hit == control || control->isAncestorOf(hit)) << name;
    }
}

TEST(Layout, TabOrderRunsThroughBothPanels) {
    FormHarness h;
    frmMM& form = h.Start();
    const QStringList expected = {
        "cmdRecord",    "cmdPlay", "cmdStop",    "cmdSend",          "cmdTo",   "cmbTo",
        "cmdCc",        "cmbCc",   "txtSubject", "chkReturnReceipt", "Slider1", "Slider2",
        "cmdConfigure", "cmdHelp", "cmdHide",    "cmdClose"};
    QStringList order;
    QWidget* w = h.RecorderUi().cmdRecord;
    do {
        if (expected.contains(w->objectName()) && !order.contains(w->objectName())) {
            order << w->objectName();
        }
        w = w->nextInFocusChain();
    } while (w != h.RecorderUi().cmdRecord && w != &form);
    EXPECT_EQ(order, expected);
}

// --- the panels together ---------------------------------------------------

// The panels' shared services over the window, with a fake wave device and no
// mixer; message boxes and upload windows are counted.
template <typename Context>
class PanelSite : public Context {
public:
    explicit PanelSite(frmMM& form) : form_(form) {}
    QString T(std::string_view id) const override { return form_.T(id); }
    Settings& settings() override { return *form_.Settings(); }
    void PlaySound(const QString&, bool) override {}
    void MessageBox(const QString& text) override { boxes << text; }
    QString& Status() override { return form_.m_Status; }
    QString AppPath() const override { return form_.AppPath(); }
    QStringList boxes;

protected:
    frmMM& form_;
};

class RecorderSite : public PanelSite<RecorderContext> {
public:
    using PanelSite::PanelSite;
    vantry::audio::WaveDevice& Device() override { return device; }
    vantry::audio::Mixer* Mixer() override { return nullptr; }
    void LogoPlay() override {}
    void LogoStill() override {}
    vantry::audio::FakeWaveDevice device;
};

class ComposerSite : public PanelSite<ComposerContext> {
public:
    using PanelSite::PanelSite;
    void ShowUploadWindow() override { ++uploads; }
    std::optional<QStringList> PickAddresses(bool) override { return std::nullopt; }
    int uploads = 0;
};

// Record, stop and send on one window: the recorder keeps the window from
// closing while it records, Send reaches the composer, and the send gives the
// recorder its buttons back; start-up and unload run both.
TEST(Panels, RecordAndSendRunAcrossBothPanels) {
    FormHarness h;
    h.store.setMyEmail("me@example.org");
    frmMM& form = h.Make();
    RecorderSite recording(form);
    ComposerSite composing(form);
    Recorder recorder(*form.recorderPanel(), recording);
    Composer composer(*form.composerPanel(), composing);
    form.AttachPanels(recorder, composer);
    ASSERT_TRUE(form.Form_Load());
    form.show();
    EXPECT_EQ(h.ComposerUi().cmbTo->currentText(), form.RecipientsPlaceholder());

    h.RecorderUi().cmdRecord->click();
    QTRY_COMPARE(recorder.state(), Recorder::State::Recording);
    EXPECT_EQ(h.Buttons(), "YNYNNN");
    form.close();  // refused while recording
    EXPECT_TRUE(form.isVisible());
    recording.device.advance(1500);
    h.RecorderUi().cmdStop->click();
    QTRY_COMPARE(recorder.state(), Recorder::State::IdleWithRecording);
    EXPECT_EQ(h.Buttons(), "YYNYYY");

    h.ComposerUi().cmbTo->setEditText("a@example.org");
    h.RecorderUi().cmdSend->click();
    EXPECT_EQ(composer.lastStatus(), 0);
    EXPECT_EQ(composing.uploads, 1);
    EXPECT_EQ(h.RecorderUi().lblStatus->text(), form.T("mm0036"));
    EXPECT_EQ(h.Buttons(), "YNNNYY");
    EXPECT_EQ(recorder.state(), Recorder::State::Idle);
    EXPECT_TRUE(recording.boxes.isEmpty());
    EXPECT_TRUE(composing.boxes.isEmpty());

    EXPECT_TRUE(form.Unload(kUnloadCode));
    EXPECT_EQ(vantry::test::ReadFile((h.appPath + "/Tos.txt").toStdString()), "a@example.org\r\n");
}

// --- tray, showing and hiding ---------------------------------------------

std::vector<std::string> VisibleItems(QMenu* menu) {
    std::vector<std::string> names;
    for (QAction* a : menu->actions()) {
        if (a->isVisible()) {
            names.push_back(a->objectName().toStdString());
        }
    }
    return names;
}

TEST(TrayMenu, ContentsFollowTheWindow) {
    FormHarness h;
    frmMM& form = h.StartSetUp(true);

    form.cSysTray1_MouseUp(2);
    EXPECT_EQ(h.tray.popUps(), 1);
    EXPECT_EQ(VisibleItems(form.mnuFile()),
              (std::vector<std::string>{"mnuHelpContents", "mnuHelpFAQ", "mnuSep2", "mnuHelpAbout",
                                        "mnuSep3", "mnuFileExit"}));
    EXPECT_EQ(form.mnuFile()->defaultAction(), form.mnuHelpContents());
    EXPECT_TRUE(h.Traced("play swoosh.wav"));

    form.hide();
    form.cSysTray1_MouseUp(2);
    EXPECT_EQ(VisibleItems(form.mnuFile()),
              (std::vector<std::string>{"mnuFileSend", "mnuSep1", "mnuHelpContents", "mnuHelpFAQ",
                                        "mnuSep2", "mnuHelpAbout", "mnuSep3", "mnuFileExit"}));
    EXPECT_EQ(form.mnuFile()->defaultAction(), form.mnuFileSend());
    EXPECT_EQ(form.mnuFileSend()->text(), "&Send a MurmelMail");

    form.cSysTray1_MouseUp(1);  // the left button has no menu
    EXPECT_EQ(h.tray.popUps(), 2);
}

TEST(TrayMenu, SwooshOnlyWithSoundsOn) {
    FormHarness h;
    frmMM& form = h.StartSetUp(false);
    form.cSysTray1_MouseUp(2);
    EXPECT_TRUE(h.sound.played().empty());
    EXPECT_EQ(h.tray.popUps(), 1);
}

TEST(Showing, DoubleClickShowsTheHiddenWindowWithTheStartSound) {
    FormHarness h({"1"});
    h.store.setMyEmail("me@example.org");
    frmMM& form = h.Start();
    ASSERT_FALSE(form.isVisible());
    h.tray.MouseDblClick(2);  // only the left button counts
    EXPECT_FALSE(form.isVisible());
    h.tray.MouseDblClick(1);
    EXPECT_TRUE(form.isVisible());
    ASSERT_EQ(h.sound.played().size(), 1u);
    EXPECT_TRUE(h.sound.played()[0].path.endsWith("/sounds/start.wav"));

    // Already shown: brought forward, no sound.
    h.sound.clear();
    form.mnuFileSend()->trigger();
    EXPECT_TRUE(form.isVisible());
    EXPECT_TRUE(h.sound.played().empty());
}

TEST(Closing, IdleWindowHidesIntoTheTrayWithTheExitSound) {
    FormHarness h;
    frmMM& form = h.Start();
    h.sound.clear();
    EXPECT_FALSE(form.close());
    EXPECT_FALSE(form.isVisible());
    EXPECT_FALSE(form.IsUnloaded());
    EXPECT_TRUE(h.tray.IsInstalled());
    ASSERT_EQ(h.sound.played().size(), 1u);
    EXPECT_TRUE(h.sound.played()[0].path.endsWith("/sounds/exit.wav"));
    EXPECT_EQ(h.sound.played()[0].mode, SoundMode::Async);
    EXPECT_EQ(h.ended, 0);
}

TEST(Closing, RefusedSilentlyWhileTheRecorderIsBusy) {
    FormHarness h;
    frmMM& form = h.Start();
    h.sound.clear();
    form.ui()->cmdClose->setEnabled(false);  // what recording does
    form.close();
    form.cmdHide_Click();
    form.cmdClose_Click();
    EXPECT_TRUE(form.isVisible());
    EXPECT_TRUE(h.sound.played().empty());
}

TEST(Closing, HideAndCloseButtonsHideLikeClosing) {
    for (const char* button : {"cmdHide", "cmdClose"}) {
        FormHarness h;
        frmMM& form = h.Start();
        form.findChild<QPushButton*>(button)->click();
        EXPECT_FALSE(form.isVisible()) << button;
        EXPECT_FALSE(form.IsUnloaded()) << button;
    }
}

TEST(Closing, WithoutATrayHideMinimisesAndTheTrayMenuCommandRestores) {
    FormHarness h;
    h.tray.setAvailable(false);
    frmMM& form = h.Start();
    form.findChild<QPushButton*>("cmdHide")->click();
    EXPECT_TRUE(form.isVisible());
    EXPECT_TRUE(form.isMinimized());
    form.ShowImmediately();
    EXPECT_FALSE(form.isMinimized());
}

// Every text the status line shows, in both shipped languages, fits the label
// as laid out, in the font it is drawn with.
TEST(StatusLine, EveryEnglishAndGermanStatusTextFits) {
    FormHarness h;
    h.Start();
    QLabel* label = h.RecorderUi().lblStatus;
    const QFontMetrics metrics(label->font());
    for (const char* locale : {"00000409", "00000407"}) {
        TranslationTable table;
        LoadTranslation(QStringLiteral(MURMEL_RESOURCES_DIR), locale, &table);
        QStringList texts;
        for (const char* id : {"mm0003", "mm0004", "mm0008", "mm0009", "mm0010", "mm0011", "mm0013",
                               "mm0036", "mm0049", "mm0052", "mm0081", "mm0082", "mail0003"}) {
            ASSERT_NE(table.Find(id), nullptr) << locale << " " << id;
            texts << table.T(id);
        }
        texts << table.T("mm0050") + ": 59:59" << table.T("mm0051") + ": 59:59 - 59:59";
        for (int error : {vantry::audio::kErrFileNotSaved, vantry::audio::kErrNotOpen,
                          vantry::audio::kErrFileNameRequired}) {
            texts << vantry::audio::DeviceErrorText(error);  // a failed save shows its reason
        }
        const QRect room = label->contentsRect();
        const int flags = int(label->alignment()) | (label->wordWrap() ? Qt::TextWordWrap : 0);
        for (const QString& text : texts) {
            const QRect needed =
                metrics.boundingRect(QRect(0, 0, room.width(), 10000), flags, text);
            EXPECT_LE(needed.width(), room.width()) << text.toStdString();
            EXPECT_LE(needed.height(), room.height()) << text.toStdString();
        }
    }
}

// --- ending ---------------------------------------------------------------

TEST(Exit, IgnoredUntilTheStatusIsEmpty) {
    FormHarness h;
    frmMM& form = h.Start();
    h.sound.clear();
    form.m_Status = "Playing";
    form.mnuFileExit()->trigger();
    EXPECT_TRUE(form.isVisible());
    EXPECT_TRUE(h.tray.IsInstalled());
    EXPECT_EQ(form.m_Status, "Playing");
    EXPECT_TRUE(h.sound.played().empty());

    form.m_Status.clear();  // playback has ended
    form.mnuFileExit()->trigger();
    EXPECT_FALSE(form.isVisible());
    EXPECT_EQ(form.m_Status, kStatusTerminating);
}

TEST(Exit, WaitsForTheSoundThenUnloadsOnTheNextAdTickAndSaves) {
    FormHarness h;
    h.store.setMyEmail("me@example.org");
    frmMM& form = h.Start();
    h.RecorderUi().Slider1->setValue(-30000);
    h.RecorderUi().Slider2->setValue(-1234);
    h.trace.clear();

    form.mnuFileExit_Click();
    EXPECT_FALSE(h.tray.IsInstalled());
    EXPECT_FALSE(form.isVisible());
    ASSERT_FALSE(h.sound.played().empty());
    EXPECT_TRUE(h.sound.played().back().path.endsWith("/sounds/exit.wav"));
    EXPECT_EQ(h.sound.played().back().mode, SoundMode::Sync);
    EXPECT_EQ(form.tmrAdvertise()->interval(), 500);
    EXPECT_TRUE(form.tmrAdvertise()->isActive());
    EXPECT_EQ(h.ended, 0);

    QTRY_COMPARE_WITH_TIMEOUT(h.ended, 1, 3000);
    EXPECT_TRUE(form.IsUnloaded());
    EXPECT_FALSE(form.tmrAdvertise()->isActive());
    EXPECT_FALSE(h.Traced("m_RotateAds"));  // the ending tick does not rotate
    EXPECT_EQ(h.store.InVolume(), "30000");
    EXPECT_EQ(h.store.OutVolume(), "1234");
    const int recipients = h.IndexOf("m_SaveRecipients");
    EXPECT_GE(recipients, 0);
    EXPECT_GT(h.IndexOf("m_SaveAds"), recipients);
    EXPECT_LT(h.IndexOf("m_SaveAds"), h.IndexOf("end program"));
    EXPECT_TRUE(form.WindowRegion().isEmpty());
}

TEST(Exit, SessionEndAndStopSignalsUnloadAndSave) {
    for (int mode : {kUnloadSession, kUnloadTerminate, kUnloadCode}) {
        FormHarness h;
        frmMM& form = h.Start();
        form.ui()->cmdClose->setEnabled(false);  // even while recording
        EXPECT_TRUE(form.Unload(mode));
        EXPECT_EQ(h.ended, 1);
        EXPECT_TRUE(h.Traced("m_SaveRecipients"));
        EXPECT_EQ(h.store.InVolume(), "0");
        EXPECT_TRUE(form.Unload(mode));  // a second request changes nothing
        EXPECT_EQ(h.ended, 1);
    }
}

TEST(Exit, SliderWithoutMixerControlKeepsTheStoredLevel) {
    FormHarness h;
    h.store.setInVolume("40000");
    h.store.setOutVolume("20000");
    frmMM& form = h.Start();
    h.RecorderUi().Slider1->setEnabled(false);
    h.RecorderUi().Slider2->setValue(-5);
    form.Unload(kUnloadCode);
    EXPECT_EQ(h.store.InVolume(), "40000");
    EXPECT_EQ(h.store.OutVolume(), "5");
}

// --- automation -----------------------------------------------------------

class Reply : public ::testing::Test {
protected:
    void SetUp() override {
        h.store.setMyEmail("me@example.org");
        h.Start();
        form = h.form.get();
        h.ComposerUi().cmbTo->addItems({"first@example.org", "second@example.org"});
        h.ComposerUi().cmbCc->addItems({"<choose>", "cc@example.org"});
        h.ComposerUi().cmbTo->setEditText("typed@example.org");
        h.ComposerUi().txtSubject->setText("old subject");
    }
    FormHarness h;
    frmMM* form = nullptr;
};

TEST_F(Reply, SubjectGetsRePrefixUnlessItHasOne) {
    form->DoReply("a@example.org", "", "Hello");
    EXPECT_EQ(h.ComposerUi().txtSubject->text(), "Re: Hello");
    form->DoReply("a@example.org", "", "rE: Hello");
    EXPECT_EQ(h.ComposerUi().txtSubject->text(), "rE: Hello");
    form->DoReply("a@example.org", "", "  Re:Hi");
    EXPECT_EQ(h.ComposerUi().txtSubject->text(), "  Re:Hi");
    form->DoReply("a@example.org", "", "Reply");
    EXPECT_EQ(h.ComposerUi().txtSubject->text(), "Re: Reply");
}

TEST_F(Reply, EmptySubjectLeavesTheBox) {
    form->DoReply("a@example.org", "", "   ");
    EXPECT_EQ(h.ComposerUi().txtSubject->text(), "old subject");
}

TEST_F(Reply, RecipientsFilledOrFirstItemSelected) {
    form->DoReply("a@example.org", "b@example.org", "");
    EXPECT_EQ(h.ComposerUi().cmbTo->currentText(), "a@example.org");
    EXPECT_EQ(h.ComposerUi().cmbCc->currentText(), "b@example.org");
    form->DoReply(" ", "", "");
    EXPECT_EQ(h.ComposerUi().cmbTo->currentText(), "first@example.org");
    EXPECT_EQ(h.ComposerUi().cmbCc->currentText(), "<choose>");
}

TEST_F(Reply, ShowsTheHiddenWindowLikeTheTrayMenu) {
    form->hide();
    h.sound.clear();
    form->DoReply("a@example.org", "", "x");
    EXPECT_TRUE(form->isVisible());
    ASSERT_EQ(h.sound.played().size(), 1u);
    EXPECT_TRUE(h.sound.played()[0].path.endsWith("/sounds/start.wav"));

    form->hide();
    form->ShowImmediately();
    EXPECT_TRUE(form->isVisible());
}

// --- pages and keys -------------------------------------------------------

TEST(Pages, HelpMenuButtonAndF1OpenTheirPages) {
    FormHarness h;
    frmMM& form = h.StartSetUp(true);
    form.mnuHelpContents()->trigger();
    form.mnuHelpFAQ()->trigger();
    form.mnuHelpAbout()->trigger();
    form.ui()->cmdHelp->click();
    form.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
    QTest::keyClick(h.ComposerUi().txtSubject, Qt::Key_F1);  // wherever the focus is
    std::vector<std::string> opened;
    for (const auto& call : h.shell.calls()) {
        EXPECT_EQ(call.what, "open");
        EXPECT_EQ(call.args, QStringList{h.appPath});
        opened.push_back(call.target.mid(h.appPath.size()).toStdString());
    }
    EXPECT_EQ(opened, (std::vector<std::string>{"/htm/help.htm", "/htm/faq.htm", "/htm/about.htm",
                                                "/htm/startup.htm", "/htm/startup.htm"}));
    // Only the button clicks.
    ASSERT_EQ(h.sound.played().size(), 1u);
    EXPECT_TRUE(h.sound.played()[0].path.endsWith("/sounds/click.wav"));
}

TEST(Pages, LogoOpensOnlyAWebTarget) {
    FormHarness h;
    frmMM& form = h.Start();
    form.gifLogo_Click();
    for (const char* target : {"file:///etc/passwd", "/usr/bin/xterm", "xterm -e sh"}) {
        h.store.SetValue(SettingId::LogoClick, target);
        form.gifLogo_Click();
    }
    EXPECT_TRUE(h.shell.calls().empty());
    h.store.SetValue(SettingId::LogoClick, "https://example.org/");
    form.gifLogo_Click();
    ASSERT_EQ(h.shell.calls().size(), 1u);
    EXPECT_EQ(h.shell.calls()[0].target, "https://example.org/");
}

}  // namespace
}  // namespace murmel
