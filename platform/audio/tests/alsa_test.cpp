// Drives the real ALSA backend. The null device exists in every alsa-lib and needs
// no sound card; the engine paces it to real time, so recordings stay small.
#include <alsa/asoundlib.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sndfile.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QFile>
#include <QTest>
#include <vector>

#include "audio/mixer.h"
#include "audio/recording_format.h"
#include "audio/sound_player.h"
#include "audio/wave_device.h"
#include "audio/wave_store.h"
#include "test_env.h"

using namespace vantry::audio;

namespace {

QString Q(const std::filesystem::path& p) {
    return QString::fromStdString(p.string());
}

void Silent(const char*, int, const char*, int, const char*, ...) {}

// Probes for a device without a word on stderr, then hands error reporting back.
bool PcmExists(const char* name) {
    snd_lib_error_set_handler(&Silent);
    snd_pcm_t* pcm = nullptr;
    const bool ok = snd_pcm_open(&pcm, name, SND_PCM_STREAM_CAPTURE, SND_PCM_NONBLOCK) >= 0;
    if (ok) {
        snd_pcm_close(pcm);
    }
    snd_lib_error_set_handler(nullptr);
    return ok;
}

// Points the backend at one ALSA device for the lifetime of the object.
class UseDevice {
public:
    explicit UseDevice(const char* name) : old_(qgetenv("VANTRY_ALSA_DEVICE")) {
        qputenv("VANTRY_ALSA_DEVICE", name);
    }
    ~UseDevice() { qputenv("VANTRY_ALSA_DEVICE", old_); }

private:
    QByteArray old_;
};

// Sends everything written to stderr into a file while it lives.
class CaptureStderr {
public:
    CaptureStderr() : path_(Q(vantry::test::FreshDir("stderr")) + "/err.txt") {
        fflush(stderr);
        saved_ = ::dup(2);
        const int fd = ::open(QFile::encodeName(path_).constData(), O_WRONLY | O_CREAT, 0600);
        ::dup2(fd, 2);
        ::close(fd);
    }
    ~CaptureStderr() { Restore(); }
    QByteArray Text() {
        Restore();
        QFile f(path_);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
    }

private:
    void Restore() {
        if (saved_ >= 0) {
            fflush(stderr);
            ::dup2(saved_, 2);
            ::close(saved_);
            saved_ = -1;
        }
    }
    QString path_;
    int saved_ = -1;
};

struct Collected {
    std::vector<int> codes;
};

void Watch(WaveDevice& d, Collected& c) {
    QObject::connect(&d, &WaveDevice::Done, [&c](int code) { c.codes.push_back(code); });
}

QString WriteTone(const QString& path, int ms) {
    WaveStore store;
    store.Reset(16000, 1, 16);
    std::vector<int16_t> s(static_cast<size_t>(16 * ms));
    for (size_t i = 0; i < s.size(); ++i) {
        s[i] = static_cast<int16_t>((i / 8) % 2 ? 4000 : -4000);
    }
    store.Append(s.data(), static_cast<int64_t>(s.size()));
    store.Save(path);
    return path;
}

// Runs the backend on one ALSA device; skips the test where there is none.
class OnAlsaDevice : public ::testing::Test {
protected:
    OnAlsaDevice(const char* name, const char* whyMissing)
        : name_(name), whyMissing_(whyMissing), use_(name) {}
    void SetUp() override {
        if (!PcmExists(name_)) {
            GTEST_SKIP() << whyMissing_;
        }
    }

private:
    const char* name_;
    const char* whyMissing_;
    UseDevice use_;
};

class AlsaNullDevice : public OnAlsaDevice {
protected:
    AlsaNullDevice() : OnAlsaDevice("null", "alsa-lib has no null device here") {}
};

class AlsaDefaultDevice : public OnAlsaDevice {
protected:
    AlsaDefaultDevice() : OnAlsaDevice("default", "no ALSA capture device on this machine") {}
};

}  // namespace

TEST_F(AlsaNullDevice, RecordStopSaveThenPlayBack) {
    const QString path = Q(vantry::test::FreshDir("alsa")) + "/in.wav";
    auto device = CreateSystemWaveDevice();
    Collected got;
    Watch(*device, got);
    device->setNotify(true);
    device->setFileName(path);
    // Exact lengths: PCM, which no codec frame rounds up.
    device->setRecordingFormat(*FindRecordingFormat("PCM 16 kHz, 16 Bit, Mono"));
    ASSERT_EQ(device->setCommand("open"), 0);
    ASSERT_EQ(device->setCommand("record"), 0) << device->errorMessage().toStdString();
    EXPECT_EQ(device->mode(), kModeRecording);
    // Wait for some audio; the pacing keeps the null device near real time.
    ASSERT_TRUE(QTest::qWaitFor([&] { return device->length() >= 300; }, 5000));
    ASSERT_EQ(device->setCommand("stop"), 0);
    const int64_t recorded = device->length();
    EXPECT_GE(recorded, 300);
    EXPECT_LT(recorded, 3000);  // bounded: an unpaced null device would give far more
    ASSERT_EQ(device->setCommand("save"), 0);
    ASSERT_EQ(device->setCommand("close"), 0);
    QCoreApplication::processEvents();
    EXPECT_EQ(got.codes, (std::vector<int>{kNotifySuccessful, kNotifyAborted, kNotifySuccessful,
                                           kNotifySuccessful, kNotifySuccessful}));

    SF_INFO info{};
    SNDFILE* f = sf_open(QFile::encodeName(path).constData(), SFM_READ, &info);
    ASSERT_NE(f, nullptr);
    sf_close(f);
    EXPECT_EQ(info.samplerate, 16000);
    EXPECT_EQ(info.channels, 1);
    EXPECT_EQ(info.frames * 1000 / 16000, recorded);

    got.codes.clear();
    ASSERT_EQ(device->setCommand("open"), 0);
    EXPECT_EQ(device->length(), recorded);
    ASSERT_EQ(device->setCommand("play"), 0) << device->errorMessage().toStdString();
    ASSERT_TRUE(QTest::qWaitFor([&] { return got.codes.size() >= 2; }, 10000));
    EXPECT_EQ(got.codes, (std::vector<int>{kNotifySuccessful, kNotifySuccessful}));
    EXPECT_EQ(device->mode(), kModeStopped);
    EXPECT_EQ(device->position(), recorded);
    EXPECT_EQ(device->error(), 0);

    // Playing with Wait returns once it is over.
    device->setCommand("prev");
    device->setWait(true);
    ASSERT_EQ(device->setCommand("play"), 0);
    EXPECT_EQ(device->mode(), kModeStopped);
    device->setCommand("close");
}

TEST_F(AlsaNullDevice, SoundPlayerPlaysShortFilesAndIgnoresMissingOnes) {
    const QString dir = Q(vantry::test::FreshDir("sounds"));
    const QString click = WriteTone(dir + "/click.wav", 150);
    auto player = CreateSystemSoundPlayer();
    EXPECT_TRUE(player->Play(click, SoundMode::Sync));
    EXPECT_TRUE(player->Play(click, SoundMode::Async));
    EXPECT_TRUE(player->Play(click, SoundMode::Async));  // replaces the one still playing
    player->Stop();
    EXPECT_FALSE(player->Play(dir + "/missing.wav", SoundMode::Sync));
    vantry::test::WriteFile((dir + "/text.wav").toStdString(), "not audio");
    EXPECT_FALSE(player->Play(dir + "/text.wav", SoundMode::Async));
}

TEST(AlsaMissingDevice, EverythingFailsQuietlyWithoutPrintingAnything) {
    UseDevice use("vantry_no_such_device");
    const QString dir = Q(vantry::test::FreshDir("missing"));
    const QString click = WriteTone(dir + "/click.wav", 50);
    CaptureStderr err;
    {
        auto device = CreateSystemWaveDevice();
        Collected got;
        Watch(*device, got);
        device->setNotify(true);
        device->setFileName(dir + "/in.wav");
        ASSERT_EQ(device->setCommand("open"), 0);
        EXPECT_EQ(device->setCommand("record"), kErrHardware);
        EXPECT_EQ(device->mode(), kModeStopped);
        EXPECT_EQ(device->setCommand("play"), kErrHardware);
        QCoreApplication::processEvents();
        EXPECT_EQ(got.codes, (std::vector<int>{kNotifySuccessful, kNotifyFailure, kNotifyFailure}));

        auto player = CreateSystemSoundPlayer();
        EXPECT_FALSE(player->Play(click, SoundMode::Sync));
        auto mixer = CreateSystemMixer();
        EXPECT_FALSE(mixer->Open(0));
        MixerControl c;
        EXPECT_FALSE(GetVolumeControl(*mixer, kComponentDstSpeakers, kControlTypeVolume, c));
    }
    EXPECT_EQ(err.Text(), QByteArray());
}

TEST_F(AlsaDefaultDevice, RecordsWhenTheMachineHasASoundDevice) {
    const QString path = Q(vantry::test::FreshDir("default")) + "/in.wav";
    auto device = CreateSystemWaveDevice();
    device->setFileName(path);
    ASSERT_EQ(device->setCommand("open"), 0);
    ASSERT_EQ(device->setCommand("record"), 0) << device->errorMessage().toStdString();
    ASSERT_TRUE(QTest::qWaitFor([&] { return device->length() >= 200; }, 5000));
    device->setCommand("stop");
    EXPECT_EQ(device->setCommand("save"), 0);
    device->setCommand("close");
    EXPECT_TRUE(QFile::exists(path));
}
