// Zipping a 60-second recording and building its outbox item, as Send does.
#include <benchmark/benchmark.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <random>

#include "composer/outbox_item.h"
#include "composer/zip_file.h"

namespace {

// 60 s of 16 kHz mono 16-bit: a voice-like mix of tones with noise.
QByteArray SixtySecondWave() {
    constexpr int kRate = 16000;
    constexpr int kSamples = kRate * 60;
    QByteArray data;
    data.reserve(kSamples * 2);
    std::mt19937 rng(7);
    std::normal_distribution<double> noise(0.0, 300.0);
    for (int i = 0; i < kSamples; ++i) {
        const double t = double(i) / kRate;
        const double envelope = 0.5 + 0.5 * std::sin(2 * M_PI * 3 * t);
        double v =
            envelope * (4000 * std::sin(2 * M_PI * 180 * t) + 2000 * std::sin(2 * M_PI * 720 * t)) +
            noise(rng);
        const auto s = static_cast<int16_t>(std::clamp(v, -32768.0, 32767.0));
        data.append(char(s & 0xff)).append(char((s >> 8) & 0xff));
    }
    auto le32 = [](uint32_t v) {
        QByteArray b;
        for (int i = 0; i < 4; ++i)
            b.append(char((v >> (8 * i)) & 0xff));
        return b;
    };
    auto le16 = [](uint16_t v) {
        QByteArray b;
        b.append(char(v & 0xff)).append(char((v >> 8) & 0xff));
        return b;
    };
    return "RIFF" + le32(36 + data.size()) + "WAVEfmt " + le32(16) + le16(1) + le16(1) +
           le32(kRate) + le32(kRate * 2) + le16(2) + le16(16) + "data" + le32(data.size()) + data;
}

void BM_ZipAndBuildItem(benchmark::State& state) {
    QTemporaryDir dir;
    const QString app = dir.path();
    QFile wave(app + "/in.wav");
    wave.open(QIODevice::WriteOnly);
    wave.write(SixtySecondWave());
    wave.close();
    murmel::FixedPostSettings settings;
    settings.myEmail = "me@example.org";
    settings.userLanguage = "00000409";
    murmel::PostEnvironment env;
    env.outboxFolder = app + "/Outbox";
    env.settings = &settings;
    env.T = [](std::string_view) { return QStringLiteral("text"); };
    for (auto _ : state) {
        QFile::remove(app + "/in.zip");
        if (murmel::ZipFile(app + "/in.wav", app + "/in.zip") != 0 ||
            murmel::BuildPost(env, "to@example.org", "", "Hi", 0, app + "/in.zip") != 0) {
            state.SkipWithError("send failed");
            break;
        }
        state.PauseTiming();
        QDir(app + "/Outbox").removeRecursively();
        state.ResumeTiming();
    }
    state.counters["wave_bytes"] = double(QFileInfo(app + "/in.wav").size());
    state.counters["zip_bytes"] = double(QFileInfo(app + "/in.zip").size());
}
BENCHMARK(BM_ZipAndBuildItem)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
