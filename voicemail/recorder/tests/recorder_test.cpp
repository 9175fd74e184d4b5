#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <QTest>
#include <QTimer>
#include <QWidget>

#include "audio/testing/fake_mixer.h"
#include "audio/testing/fake_wave_device.h"
#include "recorder/recorder.h"
#include "recorder/recorder_panel.h"
#include "settings/settings.h"
#include "startup/language.h"
#include "test_env.h"
#include "ui_recorder_panel.h"

using murmel::Recorder;
using namespace vantry::audio;

namespace {

// The program around the recorder: the shipped texts, a fake device and mixer,
// and a log of sounds, logo changes and message boxes.
class FakeRecorderContext : public murmel::RecorderContext {
public:
    QString T(std::string_view id) const override { return table.T(id); }
    murmel::Settings& settings() override { return store; }
    void PlaySound(const QString& name, bool wait) override {
        if (store.PlaySounds() == "1") {
            log << QString("sound %1 %2 after %3")
                       .arg(name)
                       .arg(wait ? "wait" : "async")
                       .arg(device.commands().size());
        }
    }
    void MessageBox(const QString& text) override { boxes << text; }
    QString& Status() override { return status; }
    QString AppPath() const override { return appPath; }
    WaveDevice& Device() override { return device; }
    vantry::audio::Mixer* Mixer() override { return &mixer; }
    void LogoPlay() override { log << "logo play"; }
    void LogoStill() override { log << "logo still"; }
    void ApplyRecordingFormat() override { ++formatsApplied; }

    murmel::TranslationTable table;
    murmel::MemorySettings store;
    QString appPath;
    FakeWaveDevice device;
    FakeMixer mixer;
    QString status;
    QStringList log;
    QStringList boxes;
    int formatsApplied = 0;
};

QString Q(const std::filesystem::path& p) {
    return QString::fromStdString(p.string());
}

// The recorder's panel in a window with the window's Close and Hide, the shipped
// English texts, a fake device and a fake mixer.
class RecorderTest : public ::testing::Test {
protected:
    void SetUp() override {
        murmel::LoadTranslation(MURMEL_RESOURCES_DIR, "00000409", &table_);
        ASSERT_EQ(T("mm0050"), "Recording");
        appPath_ = Q(vantry::test::FreshDir("app"));
        // Exact lengths: PCM, which no codec frame rounds up.
        device_.setRecordingFormat(*FindRecordingFormat("PCM 16 kHz, 16 Bit, Mono"));
        // The state after start-up.
        panel_->SetTexts(table_);
        recorder_ = std::make_unique<Recorder>(*panel_, context_);
        for (QPushButton* b : {cmdClose_, cmdHide_}) {
            QObject::connect(recorder_.get(), &Recorder::CloseAllowed, b, &QPushButton::setEnabled);
        }
        window_.resize(400, 300);
        window_.show();
        window_.activateWindow();
        (void)QTest::qWaitForWindowActive(&window_);
    }

    QString T(std::string_view id) const { return table_.T(id); }
    // Lets the device's queued reports arrive.
    void Settle() {
        for (int i = 0; i < 5; ++i) {
            QCoreApplication::processEvents();
        }
    }
    // Enabled flags of Record, Play, Stop, Send, Close, Hide.
    std::string Buttons() const {
        std::string s;
        for (QPushButton* b : {cmdRecord_, cmdPlay_, cmdStop_, cmdSend_, cmdClose_, cmdHide_}) {
            s += b->isEnabled() ? 'Y' : 'N';
        }
        return s;
    }
    void StartRecording() {
        recorder_->cmdRecord_Click();
        Settle();
    }
    // Records `ms` of audio, one tick per second, and stops.
    void RecordFor(int ms) {
        StartRecording();
        for (int t = 1000; t <= ms; t += 1000) {
            device_.advance(1000);
            recorder_->tmrRecording_Timer();
        }
        device_.advance(ms % 1000);
        recorder_->cmdStop_Click();
        Settle();
    }

    QWidget window_;
    murmel::RecorderPanel* panel_ = new murmel::RecorderPanel(&window_);
    QPushButton* cmdRecord_ = panel_->ui()->cmdRecord;
    QPushButton* cmdPlay_ = panel_->ui()->cmdPlay;
    QPushButton* cmdStop_ = panel_->ui()->cmdStop;
    QPushButton* cmdSend_ = panel_->ui()->cmdSend;
    QPushButton* cmdClose_ = new QPushButton(&window_);
    QPushButton* cmdHide_ = new QPushButton(&window_);
    QLabel* lblStatus_ = panel_->ui()->lblStatus;
    QSlider* slider1_ = panel_->ui()->Slider1;
    QSlider* slider2_ = panel_->ui()->Slider2;
    QTimer& timer_ = *panel_->tmrRecording();
    FakeRecorderContext context_;
    murmel::TranslationTable& table_ = context_.table;
    QString& appPath_ = context_.appPath;
    FakeWaveDevice& device_ = context_.device;
    FakeMixer& mixer_ = context_.mixer;
    QString& status_ = context_.status;
    QStringList& log_ = context_.log;
    QStringList& boxes_ = context_.boxes;
    std::unique_ptr<Recorder> recorder_;
};

}  // namespace

TEST_F(RecorderTest, RecordShowsTheTicksAndStopSavesAndFocusesPlay) {
    vantry::test::WriteFile((appPath_ + "/in.wav").toStdString(), "old recording");
    recorder_->cmdRecord_Click();
    // Before any report: the command went out, nothing changed state yet.
    EXPECT_FALSE(QFile::exists(appPath_ + "/in.wav"));
    EXPECT_EQ(lblStatus_->text(), T("mm0003"));
    EXPECT_EQ(status_, T("mm0050"));
    EXPECT_EQ(cmdRecord_->text(), T("mm0077"));
    EXPECT_EQ(cmdRecord_->toolTip(), T("mm0078"));
    EXPECT_EQ(device_.commands(), (QStringList{"open", "record"}));
    EXPECT_EQ(device_.fileName(), appPath_ + "/in.wav");
    EXPECT_TRUE(device_.notify());
    Settle();
    EXPECT_EQ(recorder_->state(), Recorder::State::Recording);
    EXPECT_EQ(Buttons(), "YNYNNN");
    EXPECT_TRUE(timer_.isActive());
    EXPECT_EQ(lblStatus_->text(), T("mm0052"));
    EXPECT_EQ(log_, QStringList{"logo play"});

    device_.advance(1000);
    recorder_->tmrRecording_Timer();
    EXPECT_EQ(lblStatus_->text(), "Recording: 0:02");
    device_.advance(1000);
    recorder_->tmrRecording_Timer();
    EXPECT_EQ(lblStatus_->text(), "Recording: 0:03");

    recorder_->cmdStop_Click();
    Settle();
    EXPECT_EQ(device_.commands(), (QStringList{"open", "record", "stop", "save", "close"}));
    EXPECT_TRUE(QFile::exists(appPath_ + "/in.wav"));
    EXPECT_EQ(recorder_->state(), Recorder::State::IdleWithRecording);
    EXPECT_EQ(Buttons(), "YYNYYY");
    EXPECT_FALSE(timer_.isActive());
    EXPECT_EQ(cmdRecord_->text(), T("mm0063"));
    EXPECT_EQ(cmdRecord_->toolTip(), T("mm0038"));
    EXPECT_EQ(lblStatus_->text(), T("mm0049"));
    EXPECT_TRUE(status_.isEmpty());
    EXPECT_EQ(recorder_->m_Ticks(), 0);
    EXPECT_TRUE(cmdPlay_->hasFocus());
    EXPECT_EQ(log_.last(), "logo still");
    EXPECT_TRUE(boxes_.isEmpty());
}

TEST_F(RecorderTest, SixtyOneTicksShowOneMinuteOne) {
    StartRecording();
    for (int i = 2; i <= 61; ++i) {
        recorder_->tmrRecording_Timer();
    }
    EXPECT_EQ(recorder_->m_Ticks(), 61);
    EXPECT_EQ(lblStatus_->text(), "Recording: 1:01");
    recorder_->tmrRecording_Timer();
    EXPECT_EQ(lblStatus_->text(), "Recording: 1:02");
}

TEST_F(RecorderTest, PauseAndResumeGiveTheOutputLevelBackAndKeepCounting) {
    slider2_->setValue(-30000);
    StartRecording();
    EXPECT_EQ(slider2_->value(), 0);
    EXPECT_EQ(mixer_.Value(kComponentDstSpeakers), -1);  // no mixer opened in this test
    recorder_->tmrRecording_Timer();
    EXPECT_EQ(recorder_->m_Ticks(), 2);

    recorder_->cmdRecord_Click();  // pause
    EXPECT_EQ(cmdRecord_->text(), T("mm0079"));
    EXPECT_EQ(cmdRecord_->toolTip(), T("mm0080"));
    EXPECT_FALSE(cmdStop_->isEnabled());
    Settle();
    EXPECT_EQ(slider2_->value(), -30000);
    EXPECT_FALSE(timer_.isActive());
    EXPECT_EQ(status_, T("mm0081"));
    EXPECT_EQ(lblStatus_->text(), T("mm0081"));
    EXPECT_EQ(Buttons(), "YNNNNN");

    recorder_->cmdRecord_Click();  // resume
    EXPECT_EQ(device_.commands().mid(3), (QStringList{"next", "record"}));
    EXPECT_EQ(cmdRecord_->text(), T("mm0077"));
    EXPECT_TRUE(cmdStop_->isEnabled());
    Settle();
    EXPECT_EQ(slider2_->value(), 0);
    EXPECT_TRUE(timer_.isActive());
    EXPECT_EQ(recorder_->m_Ticks(), 3);
    EXPECT_EQ(lblStatus_->text(), "Recording: 0:03");
    EXPECT_EQ(context_.formatsApplied, 1);  // a resume keeps the recording's format

    device_.advance(1000);
    recorder_->cmdStop_Click();
    Settle();
    EXPECT_EQ(slider2_->value(), -30000);
    EXPECT_EQ(recorder_->state(), Recorder::State::IdleWithRecording);
}

TEST_F(RecorderTest, PlaybackOfFourAndAHalfSecondsCountsUpToFiveOfFive) {
    RecordFor(4500);
    recorder_->cmdPlay_Click();
    EXPECT_EQ(recorder_->m_Length(), 5);
    EXPECT_EQ(status_, T("mm0051"));
    EXPECT_EQ(lblStatus_->text(), T("mm0004"));
    Settle();
    EXPECT_EQ(recorder_->state(), Recorder::State::Playing);
    EXPECT_EQ(Buttons(), "NNYNNN");
    EXPECT_TRUE(timer_.isActive());
    EXPECT_TRUE(cmdStop_->hasFocus());
    EXPECT_EQ(lblStatus_->text(), "Playing: 0:01 - 0:05");
    QStringList seen;
    for (int i = 0; i < 4; ++i) {
        device_.advance(1000);
        recorder_->tmrRecording_Timer();
        seen << lblStatus_->text();
    }
    EXPECT_EQ(seen, (QStringList{"Playing: 0:02 - 0:05", "Playing: 0:03 - 0:05",
                                 "Playing: 0:04 - 0:05", "Playing: 0:05 - 0:05"}));
    device_.advance(500);  // the end
    Settle();
    EXPECT_EQ(recorder_->state(), Recorder::State::IdleWithRecording);
    EXPECT_EQ(Buttons(), "YYNYYY");
    EXPECT_FALSE(timer_.isActive());
    EXPECT_EQ(lblStatus_->text(), T("mm0049"));
    EXPECT_TRUE(status_.isEmpty());
    EXPECT_EQ(device_.commands().last(), "close");
    EXPECT_EQ(device_.mode(), kModeNotOpen);
}

TEST_F(RecorderTest, StoppingPlaybackSavesFocusesSendAndKeepsTheUsersOutputLevel) {
    slider2_->setValue(-20000);
    RecordFor(3000);
    slider2_->setValue(-10000);  // chosen after the recording
    recorder_->cmdPlay_Click();
    Settle();
    device_.advance(1000);
    recorder_->cmdStop_Click();
    Settle();
    EXPECT_EQ(device_.commands().mid(5), (QStringList{"open", "play", "stop", "save", "close"}));
    EXPECT_EQ(recorder_->state(), Recorder::State::IdleWithRecording);
    EXPECT_TRUE(cmdSend_->hasFocus());
    EXPECT_EQ(slider2_->value(), -10000);
    EXPECT_FALSE(timer_.isActive());
    EXPECT_TRUE(status_.isEmpty());
}

TEST_F(RecorderTest, ClickSoundComesBeforeRecordAndPlayAndAfterStop) {
    context_.store.setPlaySounds("1");
    recorder_->cmdRecord_Click();
    Settle();
    recorder_->cmdStop_Click();
    Settle();
    recorder_->cmdPlay_Click();
    const QStringList sounds = log_.filter("sound");
    EXPECT_EQ(sounds, (QStringList{"sound click.wav wait after 0", "sound click.wav async after 3",
                                   "sound click.wav wait after 5"}));
}

TEST_F(RecorderTest, InitVolumesUsesSavedLevelsOrOneThirdAndAppliesThem) {
    context_.store.setOutVolume("50000");
    recorder_->m_InitVolumes();
    EXPECT_TRUE(slider1_->isEnabled());
    EXPECT_EQ(slider1_->value(), -21845);
    EXPECT_EQ(slider1_->toolTip(), T("mm0058") + ": 33");
    EXPECT_EQ(mixer_.Value(kComponentSrcMicrophone), 21845);
    EXPECT_EQ(slider2_->value(), -50000);
    EXPECT_EQ(slider2_->toolTip(), T("mm0059") + ": 76");
    EXPECT_EQ(mixer_.Value(kComponentDstSpeakers), 50000);

    // A recording puts the output to zero through the mixer, and stop gives it back.
    RecordFor(1000);
    EXPECT_EQ(mixer_.Value(kComponentDstSpeakers), 50000);
    slider2_->setValue(0);
    EXPECT_EQ(mixer_.Value(kComponentDstSpeakers), 0);
    EXPECT_EQ(slider2_->toolTip(), T("mm0059") + ": 0");
}

TEST_F(RecorderTest, SameValueAsBeforeIsStillAppliedToTheMixer) {
    context_.store.setInVolume("0");
    context_.store.setOutVolume("65535");
    recorder_->m_InitVolumes();
    EXPECT_EQ(slider1_->value(), 0);
    EXPECT_EQ(slider1_->toolTip(), T("mm0058") + ": 0");
    EXPECT_EQ(mixer_.Value(kComponentSrcMicrophone), 0);
    EXPECT_EQ(slider2_->toolTip(), T("mm0059") + ": 100");
}

TEST_F(RecorderTest, MissingLinesDisableTheirSlidersOnly) {
    mixer_.RemoveLine(kComponentSrcMicrophone);
    context_.store.setInVolume("1234");
    recorder_->m_InitVolumes();
    EXPECT_FALSE(slider1_->isEnabled());
    EXPECT_EQ(slider1_->value(), 0);  // untouched, so the saved level is kept at exit
    EXPECT_TRUE(slider2_->isEnabled());
    EXPECT_FALSE(recorder_->microphoneFound());
    EXPECT_TRUE(recorder_->speakersFound());
    // Recording still works without a microphone line.
    RecordFor(1000);
    EXPECT_TRUE(QFile::exists(appPath_ + "/in.wav"));
}

TEST_F(RecorderTest, NoMixerDisablesBothSliders) {
    mixer_.SetOpenFails(true);
    recorder_->m_InitVolumes();
    EXPECT_FALSE(slider1_->isEnabled());
    EXPECT_FALSE(slider2_->isEnabled());
    EXPECT_EQ(mixer_.SetCount(), 0);
}

TEST_F(RecorderTest, DeviceErrorIsShownAfterTheReport) {
    device_.failNext("record", kErrHardware);
    recorder_->cmdRecord_Click();
    EXPECT_TRUE(boxes_.isEmpty());  // only once the reports arrive
    Settle();
    ASSERT_FALSE(boxes_.isEmpty());
    EXPECT_EQ(boxes_.last(), DeviceErrorText(kErrHardware));
}

TEST_F(RecorderTest, FailedSaveIsReportedEvenThoughTheCloseSucceeded) {
    StartRecording();
    device_.advance(1000);
    // The folder vanishes under the recording: the save cannot write in.wav.
    QDir(appPath_).removeRecursively();
    recorder_->cmdStop_Click();
    Settle();
    EXPECT_EQ(device_.commands().mid(2), (QStringList{"stop", "save", "close"}));
    ASSERT_EQ(boxes_.size(), 1);
    EXPECT_EQ(boxes_[0], DeviceErrorText(kErrFileNotSaved));
    // No file, so nothing to play or send.
    EXPECT_EQ(recorder_->state(), Recorder::State::Idle);
}

TEST_F(RecorderTest, StopAfterAFailedRecordLeavesNoBusyStatusBehind) {
    device_.failNext("record", kErrHardware);  // e.g. no capture device
    recorder_->cmdRecord_Click();
    Settle();
    // Nothing records: the recorder is idle at once, Exit is not refused, and the
    // failure shows once.
    EXPECT_EQ(boxes_, QStringList{DeviceErrorText(kErrHardware)});
    EXPECT_EQ(recorder_->state(), Recorder::State::Idle);
    EXPECT_EQ(Buttons(), "YNNNYY");
    EXPECT_EQ(cmdRecord_->text(), T("mm0063"));
    EXPECT_FALSE(timer_.isActive());
    EXPECT_TRUE(status_.isEmpty());
    EXPECT_EQ(lblStatus_->text(), T("mm0082"));
    EXPECT_EQ(device_.commands().last(), "close");
    recorder_->cmdRecord_Click();  // and the next try works
    Settle();
    EXPECT_EQ(recorder_->state(), Recorder::State::Recording);
}

TEST_F(RecorderTest, DeviceThatCannotOpenLeavesTheRecorderIdleWithOneBox) {
    device_.failNext("open", kErrBuffer);  // in.wav's recording cannot be created
    recorder_->cmdRecord_Click();
    Settle();
    EXPECT_EQ(boxes_, QStringList{DeviceErrorText(kErrBuffer)});
    EXPECT_EQ(recorder_->state(), Recorder::State::Idle);
    EXPECT_FALSE(device_.commands().contains("record"));
    EXPECT_TRUE(status_.isEmpty());
    EXPECT_EQ(Buttons(), "YNNNYY");
}

TEST_F(RecorderTest, FailedPlayShowsOneBoxAndKeepsTheRecording) {
    RecordFor(2000);
    boxes_.clear();
    device_.failNext("play", kErrHardware);
    recorder_->cmdPlay_Click();
    Settle();
    EXPECT_EQ(boxes_, QStringList{DeviceErrorText(kErrHardware)});
    EXPECT_EQ(recorder_->state(), Recorder::State::IdleWithRecording);
    EXPECT_FALSE(timer_.isActive());
    EXPECT_TRUE(status_.isEmpty());
}

TEST_F(RecorderTest, CaptureThatFailsWithNothingRecordedIsNoRecording) {
    StartRecording();
    ASSERT_EQ(recorder_->state(), Recorder::State::Recording);
    device_.failRunning(kErrHardware);  // no microphone delivers anything
    device_.advance(1000);
    Settle();
    EXPECT_EQ(boxes_, QStringList{DeviceErrorText(kErrHardware)});
    EXPECT_EQ(recorder_->state(), Recorder::State::Idle);
    EXPECT_FALSE(timer_.isActive());
    EXPECT_TRUE(status_.isEmpty());
    EXPECT_EQ(lblStatus_->text(), T("mm0082"));
    EXPECT_FALSE(QFile::exists(appPath_ + "/in.wav"));
}

TEST_F(RecorderTest, SendTakesTheButtonsAndGivesThemBackByItsOutcome) {
    RecordFor(2000);
    recorder_->SendingStarted();
    EXPECT_EQ(Buttons(), "NNNNNN");
    recorder_->SendingEnded(false);  // the recording stays for a retry
    EXPECT_EQ(Buttons(), "YYNYYY");
    EXPECT_EQ(recorder_->state(), Recorder::State::IdleWithRecording);

    recorder_->SendingStarted();
    recorder_->SendingEnded(true);  // queued: a new message starts from nothing
    EXPECT_EQ(Buttons(), "YNNNYY");
    EXPECT_EQ(recorder_->state(), Recorder::State::Idle);
    EXPECT_EQ(cmdRecord_->text(), T("mm0063"));
    EXPECT_TRUE(cmdRecord_->hasFocus());
}
