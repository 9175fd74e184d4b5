#include <gtest/gtest.h>
#include <sndfile.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <vector>

#include "audio/recording_format.h"
#include "audio/wave_device.h"
#include "audio/wave_store.h"
#include "test_env.h"

using namespace vantry::audio;

namespace {

QString Q(const std::filesystem::path& p) {
    return QString::fromStdString(p.string());
}

struct WaveFile {
    SF_INFO info{};
    std::vector<int16_t> samples;
};

// Reads a wave file back with libsndfile, independently of the store.
bool ReadWave(const QString& path, WaveFile& out) {
    SNDFILE* f = sf_open(QFile::encodeName(path).constData(), SFM_READ, &out.info);
    if (f == nullptr) {
        return false;
    }
    out.samples.resize(static_cast<size_t>(out.info.frames * out.info.channels));
    const sf_count_t got = sf_readf_short(f, out.samples.data(), out.info.frames);
    sf_close(f);
    return got == out.info.frames;
}

std::vector<int16_t> Ramp(int64_t frames, int channels) {
    std::vector<int16_t> v(static_cast<size_t>(frames * channels));
    for (size_t i = 0; i < v.size(); ++i) {
        v[i] = static_cast<int16_t>((i * 37) % 60000 - 30000);
    }
    return v;
}

}  // namespace

TEST(RecordingFormats, PreferredFormatIsGsmAtEightKilohertzMono) {
    const RecordingFormat& f = PreferredRecordingFormat();
    EXPECT_EQ(f.name, "GSM 6.10, 8 kHz, Mono");
    EXPECT_EQ(f.sampleRate, 8000);
    EXPECT_EQ(f.channels, 1);
    EXPECT_EQ(f.encoding, Encoding::Gsm610);
    // Names stored by earlier versions still find their format.
    ASSERT_NE(FindRecordingFormat("PCM 16 kHz, 16 Bit, Mono"), nullptr);
    EXPECT_EQ(FindRecordingFormat("PCM 16 kHz, 16 Bit, Mono")->encoding, Encoding::Pcm);
}

// The upload sends one 8192-byte chunk a second: thirty seconds of the busiest
// sound (noise, which neither the codec nor zip can shrink) must leave room for
// the archive and the item around it within fourteen chunks.
TEST(WaveStore, ThirtySecondsInThePreferredFormatUploadInUnderFifteenSeconds) {
    const RecordingFormat& f = PreferredRecordingFormat();
    WaveStore store;
    ASSERT_TRUE(store.Reset(f.sampleRate, f.channels, f.bitsPerSample, f.encoding));
    std::vector<int16_t> noise(static_cast<size_t>(f.sampleRate));
    uint32_t seed = 1;
    for (int second = 0; second < 30; ++second) {
        for (int16_t& s : noise) {
            seed = seed * 1664525u + 1013904223u;
            s = static_cast<int16_t>(seed >> 16);
        }
        ASSERT_TRUE(store.Append(noise.data(), f.sampleRate));
    }
    const QString path = Q(vantry::test::FreshDir("gsm") / "in.wav");
    ASSERT_EQ(store.Save(path), 0);
    const qint64 size = QFileInfo(path).size();
    EXPECT_LT(size, 14 * 8192 - 4096) << size;

    WaveFile back;
    ASSERT_TRUE(ReadWave(path, back));
    EXPECT_EQ(back.info.format, SF_FORMAT_WAV | SF_FORMAT_GSM610);
    EXPECT_EQ(back.info.samplerate, 8000);
    EXPECT_EQ(back.info.frames, 30 * 8000);
    WaveStore reloaded;  // a recording appended to stays in its codec
    ASSERT_EQ(reloaded.Load(path), 0);
    EXPECT_EQ(reloaded.encoding(), Encoding::Gsm610);
}

TEST(RecordingFormats, LookUpIsCaseBlindAndIgnoresSurroundingBlanks) {
    const RecordingFormat* f = FindRecordingFormat("  pcm 44 khz, 16 bit, stereo ");
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(f->sampleRate, 44100);
    EXPECT_EQ(f->channels, 2);
    EXPECT_EQ(FindRecordingFormat("PCM 44 kHz"), nullptr);
    EXPECT_EQ(FindRecordingFormat(""), nullptr);
}

TEST(RecordingFormats, ListEndsEveryNameWithATabSoNoSearchSpansTwoNames) {
    const QString list = RecordingFormatList();
    ASSERT_TRUE(list.endsWith('\t'));
    QStringList names = list.split('\t', Qt::SkipEmptyParts);
    EXPECT_EQ(names.size(), static_cast<qsizetype>(RecordingFormats().size()));
    EXPECT_EQ(names.removeDuplicates(), 0);
    EXPECT_TRUE(list.contains(PreferredRecordingFormat().name + "\t", Qt::CaseInsensitive));
    for (const RecordingFormat& f : RecordingFormats()) {
        EXPECT_TRUE(f.channels == 1 || f.channels == 2) << f.name.toStdString();
        EXPECT_TRUE(f.bitsPerSample == 8 || f.bitsPerSample == 16) << f.name.toStdString();
    }
}

TEST(WaveStore, FramesRoundTripAndTruncateDropsTheTail) {
    WaveStore store;
    ASSERT_TRUE(store.Reset(8000, 2, 16));
    const auto data = Ramp(1000, 2);
    ASSERT_TRUE(store.Append(data.data(), 600));
    ASSERT_TRUE(store.Append(data.data() + 1200, 400));
    EXPECT_EQ(store.frames(), 1000);
    std::vector<int16_t> back(2000);
    EXPECT_EQ(store.Read(0, back.data(), 5000), 1000);
    EXPECT_EQ(back, data);
    EXPECT_EQ(store.Read(999, back.data(), 10), 1);
    EXPECT_EQ(back[0], data[1998]);
    EXPECT_EQ(store.Read(1000, back.data(), 10), 0);
    EXPECT_EQ(store.Read(-1, back.data(), 10), 0);
    ASSERT_TRUE(store.Truncate(250));
    EXPECT_EQ(store.frames(), 250);
    EXPECT_TRUE(store.Truncate(900));  // beyond the end: nothing to drop
    EXPECT_EQ(store.frames(), 250);
    EXPECT_EQ(store.FramesToMs(8000), 1000);
    EXPECT_EQ(store.MsToFrames(250), 2000);
}

TEST(WaveStore, SavedFileIsAWaveFileAReaderAgreesWith) {
    const QString dir = Q(vantry::test::FreshDir("save"));
    for (int bits : {16, 8}) {
        WaveStore store;
        ASSERT_TRUE(store.Reset(11025, 1, bits));
        const auto data = Ramp(3000, 1);
        ASSERT_TRUE(store.Append(data.data(), 3000));
        const QString path = dir + QString("/in%1.wav").arg(bits);
        ASSERT_EQ(store.Save(path), 0);
        WaveFile w;
        ASSERT_TRUE(ReadWave(path, w));
        EXPECT_EQ(w.info.samplerate, 11025);
        EXPECT_EQ(w.info.channels, 1);
        EXPECT_EQ(w.info.frames, 3000);
        EXPECT_EQ(w.info.format & SF_FORMAT_TYPEMASK, SF_FORMAT_WAV);
        if (bits == 16) {
            EXPECT_EQ(w.info.format & SF_FORMAT_SUBMASK, SF_FORMAT_PCM_16);
            EXPECT_EQ(w.samples, data);
        } else {
            EXPECT_EQ(w.info.format & SF_FORMAT_SUBMASK, SF_FORMAT_PCM_U8);
            for (size_t i = 0; i < data.size(); ++i) {
                ASSERT_EQ(w.samples[i] >> 8, data[i] >> 8) << i;  // 8 bits kept
            }
        }
        // Loading it again gives the same layout and frames.
        WaveStore again;
        ASSERT_EQ(again.Load(path), 0);
        EXPECT_EQ(again.frames(), 3000);
        EXPECT_EQ(again.sampleRate(), 11025);
        EXPECT_EQ(again.bitsPerSample(), bits);
    }
    // Nothing but the saved files: no temporary file left behind.
    EXPECT_EQ(QDir(dir).entryList(QDir::Files).size(), 2);
}

TEST(WaveStore, SaveReplacesAnOldFileWhole) {
    const QString path = Q(vantry::test::FreshDir("replace")) + "/in.wav";
    vantry::test::WriteFile(path.toStdString(), std::string(100000, 'x'));
    WaveStore store;
    ASSERT_TRUE(store.Reset(16000, 1, 16));
    const auto data = Ramp(10, 1);
    ASSERT_TRUE(store.Append(data.data(), 10));
    ASSERT_EQ(store.Save(path), 0);
    WaveFile w;
    ASSERT_TRUE(ReadWave(path, w));
    EXPECT_EQ(w.info.frames, 10);
    EXPECT_LT(QFile(path).size(), 200);
}

TEST(WaveStore, FailuresAreReportedNotHidden) {
    WaveStore store;
    ASSERT_TRUE(store.Reset(16000, 1, 16));
    const QString dir = Q(vantry::test::FreshDir("fail"));
    EXPECT_EQ(store.Save(dir + "/missing/in.wav"), kErrFileNotSaved);
    EXPECT_EQ(store.Save(""), kErrFileNotSaved);

    vantry::test::WriteFile((dir + "/text.wav").toStdString(), "RIFF? no, just text\n");
    WaveStore other;
    EXPECT_EQ(other.Load(dir + "/text.wav"), kErrInvalidFile);
    EXPECT_EQ(other.Load(dir + "/none.wav"), kErrInvalidFile);
    EXPECT_FALSE(store.Reset(16000, 3, 16));
    EXPECT_FALSE(store.Reset(0, 1, 16));

    WaveStore unopened;
    int16_t s = 0;
    EXPECT_FALSE(unopened.Append(&s, 1));
    EXPECT_EQ(unopened.Save(dir + "/x.wav"), kErrFileNotSaved);
}

TEST(WaveStore, TemporaryFileIsNotVisibleInTheTemporaryFolder) {
    const QString tmp = Q(vantry::test::FreshDir("tmp"));
    const QByteArray old = qgetenv("TMPDIR");
    qputenv("TMPDIR", tmp.toUtf8());
    {
        WaveStore store;
        ASSERT_TRUE(store.Reset(16000, 1, 16));
        const auto data = Ramp(100, 1);
        ASSERT_TRUE(store.Append(data.data(), 100));
        EXPECT_TRUE(QDir(tmp).entryList(QDir::Files | QDir::Hidden).isEmpty());
    }
    qputenv("TMPDIR", old);
}
