// Figures for recording: CPU share of one core while the real backend records, and
// resident memory while ten minutes are recorded (it must stay flat: samples go to
// disk, not to memory).
#include <benchmark/benchmark.h>
#include <time.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <chrono>
#include <fstream>
#include <string>
#include <thread>

#include "audio/testing/fake_wave_device.h"
#include "audio/wave_device.h"

using namespace vantry::audio;

namespace {

// A field of /proc/self/status in kB.
long StatusKb(const char* field) {
    std::ifstream in("/proc/self/status");
    std::string line;
    const std::string key = std::string(field) + ":";
    while (std::getline(in, line)) {
        if (line.rfind(key, 0) == 0) {
            return std::stol(line.substr(key.size()));
        }
    }
    return -1;
}

double CpuSeconds() {
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) / 1e9;
}

QString TempWave() {
    return QDir::tempPath() + "/vantry-bench-in.wav";
}

// Records `seconds` of wall-clock time through ALSA (VANTRY_ALSA_DEVICE; "null" when
// unset, so it runs without a sound card) and reports the process's CPU share.
void BM_RealCaptureCpuShare(benchmark::State& state) {
    if (qgetenv("VANTRY_ALSA_DEVICE").isEmpty()) {
        qputenv("VANTRY_ALSA_DEVICE", "null");
    }
    const double seconds = static_cast<double>(state.range(0));
    double share = 0;
    for (auto _ : state) {
        auto device = CreateSystemWaveDevice();
        device->setFileName(TempWave());
        QFile::remove(TempWave());
        device->setCommand("open");
        if (device->setCommand("record") != 0) {
            state.SkipWithError("no capture device");
            return;
        }
        // Past the pacer's head start, so the figure is the steady state.
        std::this_thread::sleep_for(std::chrono::milliseconds(500));
        const double cpu0 = CpuSeconds();
        const auto wall0 = std::chrono::steady_clock::now();
        std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
        const double cpu = CpuSeconds() - cpu0;
        const double wall =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - wall0).count();
        device->setCommand("stop");
        device->setCommand("close");
        share = 100.0 * cpu / wall;
    }
    state.counters["cpu_share_percent"] = share;
}
BENCHMARK(BM_RealCaptureCpuShare)->Arg(5)->Iterations(1)->Unit(benchmark::kMillisecond);

// Ten minutes of 16 kHz mono through the device's store, in the 100 ms steps a
// capture delivers, then saved. Reports resident memory at the start, at the end and
// the peak.
void BM_TenMinuteRecordingMemory(benchmark::State& state) {
    long startKb = 0;
    long endKb = 0;
    long maxKb = 0;
    for (auto _ : state) {
        FakeWaveDevice device;
        device.setFileName(TempWave());
        QFile::remove(TempWave());
        device.setCommand("open");
        device.setCommand("record");
        device.advance(1000);
        startKb = StatusKb("VmRSS");
        maxKb = startKb;
        for (int step = 0; step < 10 * 60 * 10; ++step) {
            device.advance(100);
            if (step % 600 == 0) {
                maxKb = std::max(maxKb, StatusKb("VmRSS"));
            }
        }
        device.setCommand("stop");
        state.counters["recorded_ms"] = static_cast<double>(device.length());
        device.setCommand("save");
        maxKb = std::max(maxKb, StatusKb("VmRSS"));
        state.counters["saved_bytes"] = static_cast<double>(QFile(TempWave()).size());
        device.setCommand("close");
        endKb = StatusKb("VmRSS");
    }
    QFile::remove(TempWave());
    state.counters["rss_start_kb"] = static_cast<double>(startKb);
    state.counters["rss_max_kb"] = static_cast<double>(maxKb);
    state.counters["rss_end_kb"] = static_cast<double>(endKb);
    state.counters["rss_growth_kb"] = static_cast<double>(maxKb - startKb);
}
BENCHMARK(BM_TenMinuteRecordingMemory)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
