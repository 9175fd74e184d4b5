// The control on a real (offscreen) event loop: one animation step of a
// transparent 2048 x 2048 one-pixel checkerboard, whose window region has
// two million run rectangles, and how long a 600 ms frame really lasts.
//
// Run with QT_QPA_PLATFORM=offscreen (the default here); compare the step
// time against 50 ms and the frame error against 5 ms.

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <QWidget>
#include <algorithm>
#include <cmath>
#include <ctime>
#include <memory>

#include "automation/events.h"
#include "control/plimova.h"
#include "control/plimova_ids.h"
#include "engine/tests/gif_builder.h"

namespace {

using plimova::Plimova;
using plimova::test::GifBuilder;
using plimova::test::ImageSpec;

std::u16string Widen(const GifBuilder& b) {
    return std::u16string(b.Data().begin(), b.Data().end());
}

// Two frames, each a one-pixel checkerboard (the second shifted by one),
// transparent index 0, disposed to the background after each step.
GifBuilder Checkerboard(int size) {
    GifBuilder b(size, size);
    for (int phase = 0; phase < 2; ++phase) {
        ImageSpec s;
        s.width = s.height = size;
        s.indices.resize(static_cast<std::size_t>(size) * size);
        for (int y = 0; y < size; ++y) {
            for (int x = 0; x < size; ++x) {
                s.indices[static_cast<std::size_t>(y) * size + x] =
                    static_cast<std::uint8_t>((x + y + phase) % 2);
            }
        }
        b.Control(2, 10, 0).Image(s);
    }
    b.Trailer();
    return b;
}

// CPU time of this thread: on a shared machine the wall clock also counts
// other processes.
double ThreadCpuMs() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) / 1e6;
}

// Quits a loop at every Step event.
class StepSink : public vantry::automation::IEventSink {
public:
    void Fire(vantry::automation::DispId id,
              const std::vector<vantry::automation::Variant*>&) override {
        if (id == plimova::ids::kStep && loop != nullptr) {
            loop->quit();
        }
    }
    QEventLoop* loop = nullptr;
};

void CheckerboardStep(benchmark::State& state) {
    static const std::u16string gif = Widen(Checkerboard(2048));
    QWidget host;
    host.resize(2048, 2048);
    auto control = std::make_shared<Plimova>();
    control->InPlaceActivate(&host)->resize(2048, 2048);
    host.show();
    control->SetGIF(gif);
    QCoreApplication::processEvents();
    control->Stop();  // steps are driven here, not by the timer
    double stepMs = 0;
    double stepCpuMs = 0;
    for (auto _ : state) {
        control->Play();
        QElapsedTimer clock;
        clock.start();
        const double cpu = ThreadCpuMs();
        control->TimerStep();  // compose, region, window shape
        stepCpuMs += ThreadCpuMs() - cpu;
        stepMs += static_cast<double>(clock.nsecsElapsed()) / 1e6;
        QCoreApplication::processEvents();  // the paint
    }
    state.counters["rects"] = static_cast<double>(control->Composer().OpaqueRegion().rects.size());
    state.counters["step_ms"] = stepMs / static_cast<double>(state.iterations());
    state.counters["step_cpu_ms"] = stepCpuMs / static_cast<double>(state.iterations());
}

void FrameOf600Ms(benchmark::State& state) {
    GifBuilder b(4, 4);
    ImageSpec s;
    s.width = s.height = 4;
    b.Control(0, 60).Image(s).Control(0, 60).Image(s).Trailer();
    QWidget host;
    auto control = std::make_shared<Plimova>();
    control->InPlaceActivate(&host)->resize(4, 4);
    host.show();
    auto sink = std::make_shared<StepSink>();
    control->Advise(sink);
    control->SetGIF(Widen(b));
    QEventLoop loop;
    sink->loop = &loop;
    loop.exec();  // settle on a step boundary
    double worst = 0;
    int phase = 0;
    for (auto _ : state) {
        // Each frame starts at another phase of the clock, where a coarse
        // timer would shift its end to a boundary.
        QEventLoop pause;
        phase = (phase + 17) % 50;
        QTimer::singleShot(phase + 1, Qt::PreciseTimer, &pause, &QEventLoop::quit);
        pause.exec();
        QElapsedTimer clock;
        clock.start();
        control->Play();
        loop.exec();
        const double ms = static_cast<double>(clock.nsecsElapsed()) / 1e6;
        worst = std::max(worst, std::abs(ms - 600.0));
        state.SetIterationTime(ms / 1e3);
    }
    state.counters["worst_error_ms"] = worst;
}

}  // namespace

BENCHMARK(CheckerboardStep)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(FrameOf600Ms)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(10);

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
