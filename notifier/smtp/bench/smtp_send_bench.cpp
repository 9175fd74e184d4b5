// Sending one attachment to aiosmtpd on loopback: throughput, and the
// growth of the process's peak memory, which must not follow the size.
#include <benchmark/benchmark.h>

#include <fstream>
#include <string>

#include "smtp/smtp_client.h"
#include "smtp/testing/aiosmtpd_fixture.h"
#include "smtp/testing/fake_progress.h"
#include "test_env.h"

using namespace corvy::smtp;

namespace {

// Peak resident set so far, in kilobytes.
long PeakKb() {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);) {
        if (line.rfind("VmHWM:", 0) == 0) {
            return std::stol(line.substr(6));
        }
    }
    return 0;
}

void SendAttachment(benchmark::State& state) {
    static testing::AiosmtpdServer server;
    if (!server.Running()) {
        state.SkipWithError(server.Error().c_str());
        return;
    }
    const auto size = static_cast<std::size_t>(state.range(0));
    const auto path = vantry::test::FreshDir("bench") / "payload.bin";
    {
        std::ofstream out(path, std::ios::binary);
        std::string block(64 * 1024, '\0');
        for (std::size_t i = 0; i < block.size(); ++i) {
            block[i] = static_cast<char>(i * 131 + 7);
        }
        for (std::size_t done = 0; done < size; done += block.size()) {
            out.write(block.data(),
                      static_cast<std::streamsize>(std::min(block.size(), size - done)));
        }
    }
    const long before = PeakKb();
    for (auto _ : state) {
        testing::FakeProgress progress;
        SmtpOptions options;
        options.port = static_cast<uint16_t>(server.Port());
        int code = -1;
        CSmtpClient c("127.0.0.1", "Corvy v3.1a", code, progress, options);
        if (code == kSuccess) {
            code = c.SendMailWithAttachment("me@example.org", "Me", "Bench", "you@example.org",
                                            "payload", path.string());
        }
        c.Quit();
        if (code != kSuccess) {
            state.SkipWithError(c.ErrorText(code).c_str());
            return;
        }
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * size));
    state.counters["peak_growth_kb"] = static_cast<double>(PeakKb() - before);
}

}  // namespace

// Wall time: the server runs in another process.
BENCHMARK(SendAttachment)
    ->Arg(1 << 20)
    ->Arg(5 << 20)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3)
    ->UseRealTime();

int main(int argc, char** argv) {
    vantry::test::PrepareEnvironment();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    vantry::test::CleanEnvironment();
    return 0;
}
