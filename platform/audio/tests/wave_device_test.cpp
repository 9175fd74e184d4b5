#include <gtest/gtest.h>
#include <sndfile.h>

#include <QCoreApplication>
#include <QFile>
#include <QSignalSpy>
#include <vector>

#include "audio/fake_wave_device.h"
#include "test_env.h"

using namespace vantry::audio;

namespace {

QString Q(const std::filesystem::path& p) {
    return QString::fromStdString(p.string());
}

// Collects the Done codes; reports only ever arrive through the event loop.
class Reports {
public:
    explicit Reports(WaveDevice& d) {
        QObject::connect(&d, &WaveDevice::Done, [this](int code) { codes_.push_back(code); });
    }
    // Lets the queued reports arrive and returns them (and forgets them).
    std::vector<int> Take() {
        QCoreApplication::processEvents();
        QCoreApplication::processEvents();
        std::vector<int> out;
        out.swap(codes_);
        return out;
    }
    bool empty() const { return codes_.empty(); }

private:
    std::vector<int> codes_;
};

using Codes = std::vector<int>;

class FakeDeviceTest : public ::testing::Test {
protected:
    void SetUp() override {
        path_ = Q(vantry::test::FreshDir("rec")) + "/in.wav";
        // Exact sample counts: PCM, which no codec frame rounds up.
        device_.setRecordingFormat(*FindRecordingFormat("PCM 16 kHz, 16 Bit, Mono"));
        device_.setNotify(true);
        device_.setDeviceType("WaveAudio");
        device_.setFileName(path_);
    }
    void Record(int64_t ms) {
        device_.setCommand("open");
        device_.setCommand("record");
        device_.advance(ms);
        device_.setCommand("stop");
        device_.setCommand("save");
        device_.setCommand("close");
        reports_.Take();
    }
    QString path_;
    FakeWaveDevice device_;
    Reports reports_{device_};
};

}  // namespace

TEST_F(FakeDeviceTest, RecordThenStopReportsAbortedBeforeStopsOwnSuccess) {
    EXPECT_EQ(device_.setCommand("Open"), 0);
    EXPECT_EQ(device_.setCommand("RECORD"), 0);
    EXPECT_TRUE(reports_.empty());                         // never inside the command
    EXPECT_EQ(reports_.Take(), Codes{kNotifySuccessful});  // open; record's report is owed
    EXPECT_EQ(device_.mode(), kModeRecording);
    device_.advance(4500);
    EXPECT_EQ(device_.length(), 4500);
    EXPECT_EQ(device_.position(), 4500);
    EXPECT_EQ(device_.setCommand("stop"), 0);
    EXPECT_EQ(reports_.Take(), (Codes{kNotifyAborted, kNotifySuccessful}));
    EXPECT_EQ(device_.mode(), kModeStopped);
    device_.advance(1000);  // stopped: the clock moves nothing
    EXPECT_EQ(device_.length(), 4500);
    EXPECT_EQ(device_.setCommand("save"), 0);
    EXPECT_EQ(device_.setCommand("close"), 0);
    EXPECT_EQ(reports_.Take(), (Codes{kNotifySuccessful, kNotifySuccessful}));
    EXPECT_EQ(device_.mode(), kModeNotOpen);
    EXPECT_EQ(device_.commands(), (QStringList{"open", "record", "stop", "save", "close"}));

    SF_INFO info{};
    SNDFILE* f = sf_open(QFile::encodeName(path_).constData(), SFM_READ, &info);
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(info.samplerate, 16000);
    EXPECT_EQ(info.channels, 1);
    EXPECT_EQ(info.frames, 72000);
    std::vector<int16_t> s(32);
    sf_readf_short(f, s.data(), 32);
    sf_close(f);
    // The synthetic tone: 8 frames high, 8 low at 16 kHz.
    EXPECT_EQ(s[0], 8192);
    EXPECT_EQ(s[7], 8192);
    EXPECT_EQ(s[8], -8192);
    EXPECT_EQ(s[16], 8192);
}

TEST_F(FakeDeviceTest, PauseSupersedesTheRecordAndResumeAppendsAtTheEnd) {
    device_.setCommand("open");
    device_.setCommand("record");
    device_.advance(1000);
    reports_.Take();
    device_.setCommand("pause");
    EXPECT_EQ(reports_.Take(), (Codes{kNotifySuperseded, kNotifySuccessful}));
    EXPECT_EQ(device_.mode(), kModePaused);
    device_.advance(2000);
    EXPECT_EQ(device_.length(), 1000);
    device_.setCommand("next");
    device_.setCommand("record");
    EXPECT_EQ(reports_.Take(), Codes{kNotifySuccessful});
    device_.advance(500);
    EXPECT_EQ(device_.length(), 1500);
    device_.setCommand("stop");
    EXPECT_EQ(reports_.Take(), (Codes{kNotifyAborted, kNotifySuccessful}));
}

TEST_F(FakeDeviceTest, PlaybackReportsItsOpenThenItsEnd) {
    Record(4500);
    device_.setCommand("open");
    device_.setCommand("play");
    EXPECT_EQ(device_.length(), 4500);
    EXPECT_EQ(reports_.Take(), Codes{kNotifySuccessful});
    EXPECT_EQ(device_.mode(), kModePlaying);
    device_.advance(2000);
    EXPECT_EQ(device_.position(), 2000);
    EXPECT_TRUE(reports_.Take().empty());
    device_.advance(3000);
    EXPECT_EQ(reports_.Take(), Codes{kNotifySuccessful});
    EXPECT_EQ(device_.mode(), kModeStopped);
    EXPECT_EQ(device_.position(), 4500);
}

TEST_F(FakeDeviceTest, StopDuringPlaybackAbortsIt) {
    Record(3000);
    device_.setCommand("open");
    device_.setCommand("play");
    device_.advance(1000);
    reports_.Take();
    device_.setCommand("stop");
    EXPECT_EQ(reports_.Take(), (Codes{kNotifyAborted, kNotifySuccessful}));
    EXPECT_EQ(device_.position(), 1000);
    // Saving what was loaded writes the same recording again.
    device_.setCommand("save");
    device_.setCommand("close");
    EXPECT_EQ(reports_.Take(), (Codes{kNotifySuccessful, kNotifySuccessful}));
    device_.setCommand("open");
    EXPECT_EQ(device_.length(), 3000);
}

TEST_F(FakeDeviceTest, PlayWithWaitReturnsAtTheEndAndWaitIsForOneCommandOnly) {
    Record(2000);
    device_.setCommand("open");
    device_.setWait(true);
    device_.setCommand("play");
    EXPECT_FALSE(device_.wait());
    EXPECT_EQ(device_.mode(), kModeStopped);
    EXPECT_EQ(device_.position(), 2000);
    EXPECT_EQ(reports_.Take(), (Codes{kNotifySuccessful, kNotifySuccessful}));
    device_.setCommand("prev");
    device_.setCommand("play");
    EXPECT_EQ(device_.mode(), kModePlaying);
}

TEST_F(FakeDeviceTest, CloseAbortsAPendingOperationAndOtherCommandsSupersedeIt) {
    device_.setCommand("open");
    device_.setCommand("record");
    device_.advance(100);
    device_.setCommand("close");
    EXPECT_EQ(reports_.Take(), (Codes{kNotifySuccessful, kNotifyAborted, kNotifySuccessful}));
    // A record sent again while recording takes over the report.
    device_.setCommand("open");
    device_.setCommand("record");
    device_.setCommand("record");
    EXPECT_EQ(reports_.Take(), (Codes{kNotifySuccessful, kNotifySuperseded}));
    EXPECT_EQ(device_.mode(), kModeRecording);
}

TEST_F(FakeDeviceTest, WithoutNotifyNothingIsReported) {
    device_.setNotify(false);
    device_.setCommand("open");
    device_.setCommand("record");
    device_.advance(300);
    device_.setCommand("stop");
    device_.setCommand("fly");
    device_.setCommand("save");
    device_.setCommand("close");
    EXPECT_TRUE(reports_.Take().empty());
    EXPECT_TRUE(QFile::exists(path_));
}

TEST_F(FakeDeviceTest, CommandErrorsSetTheNumberTextAndAFailureReport) {
    EXPECT_EQ(device_.setCommand("record"), kErrNotOpen);
    EXPECT_EQ(device_.error(), kErrNotOpen);
    EXPECT_FALSE(device_.errorMessage().isEmpty());
    EXPECT_EQ(device_.setCommand("fly"), kErrUnknownCommand);
    EXPECT_EQ(reports_.Take(), (Codes{kNotifyFailure, kNotifyFailure}));

    device_.setDeviceType("CDAudio");
    EXPECT_EQ(device_.setCommand("open"), kErrDeviceType);
    device_.setDeviceType("waveaudio");
    device_.setFileName("");
    EXPECT_EQ(device_.setCommand("open"), kErrFileNameRequired);

    const QString dir = Q(vantry::test::FreshDir("bad"));
    vantry::test::WriteFile((dir + "/in.wav").toStdString(), "not a wave file");
    device_.setFileName(dir + "/in.wav");
    EXPECT_EQ(device_.setCommand("open"), kErrInvalidFile);
    EXPECT_EQ(device_.mode(), kModeNotOpen);
    reports_.Take();

    device_.setFileName(path_);
    device_.setCommand("open");
    device_.setCommand("record");
    device_.advance(100);
    device_.setCommand("stop");
    device_.setFileName(dir + "/no/such/folder/in.wav");
    EXPECT_EQ(device_.setCommand("save"), kErrFileNotSaved);
    EXPECT_EQ(reports_.Take().back(), kNotifyFailure);
    EXPECT_EQ(device_.setCommand("close"), 0);
    EXPECT_EQ(device_.error(), 0);
    EXPECT_TRUE(device_.errorMessage().isEmpty());
}

TEST_F(FakeDeviceTest, RecordWhilePlayingIsTheWrongMode) {
    Record(1000);
    device_.setCommand("open");
    device_.setCommand("play");
    EXPECT_EQ(device_.setCommand("record"), kErrWrongMode);
    EXPECT_EQ(device_.mode(), kModePlaying);
}

TEST_F(FakeDeviceTest, InjectedFailuresHaveNoEffectButAreReported) {
    device_.setCommand("open");
    device_.failNext("record", kErrHardware);
    EXPECT_EQ(device_.setCommand("record"), kErrHardware);
    EXPECT_EQ(device_.mode(), kModeStopped);
    EXPECT_EQ(reports_.Take(), (Codes{kNotifySuccessful, kNotifyFailure}));
    EXPECT_EQ(device_.setCommand("record"), 0);  // only the next one failed
    EXPECT_EQ(device_.mode(), kModeRecording);

    // A capture that breaks while running ends with a failure report and the error.
    device_.failRunning(kErrHardware);
    device_.advance(100);
    EXPECT_EQ(reports_.Take(), Codes{kNotifyFailure});
    EXPECT_EQ(device_.error(), kErrHardware);
    EXPECT_EQ(device_.mode(), kModeStopped);
}

TEST_F(FakeDeviceTest, DestroyingTheDeviceDropsReportsStillQueued) {
    auto* d = new FakeWaveDevice;
    int seen = 0;
    QObject::connect(d, &WaveDevice::Done, [&](int) { ++seen; });
    d->setNotify(true);
    d->setFileName(path_);
    d->setCommand("open");
    delete d;
    QCoreApplication::processEvents();
    EXPECT_EQ(seen, 0);
}

TEST(DeviceErrors, EveryErrorHasATextAndNoneHasNone) {
    EXPECT_TRUE(DeviceErrorText(0).isEmpty());
    for (int e :
         std::initializer_list<int>{kErrNotOpen, kErrUnknownCommand, kErrHardware, kErrDeviceType,
                                    kErrFileNotFound, kErrBuffer, kErrWrongMode, kErrFileNotSaved,
                                    kErrInvalidFile, kErrFileNameRequired, 9999}) {
        EXPECT_FALSE(DeviceErrorText(e).isEmpty()) << e;
    }
}
