// A 100 MB GET from nginx on loopback: the fetchwire host program beside
// `curl -0` in the same run, and the lateness of a host's 10 ms timer while
// the control runs the same request in-process. The summary at the end
// gives the throughput ratio (best round of each) and the worst lateness.
//
// nginx and curl come from Debian (apt-get install -y nginx-light curl);
// the program starts its own nginx on a free loopback port with a
// configuration in a temporary folder.
//
// clang-format off
//   fetchwire_bench --benchmark_repetitions=3 --benchmark_enable_random_interleaving
// clang-format on

#include <benchmark/benchmark.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <string>

#include "automation/dispatch.h"
#include "control/http_ctrl.h"

namespace {

namespace va = vantry::automation;

constexpr qint64 kBodyBytes = 100LL * 1024 * 1024;
constexpr int kTimerMs = 10;

// A free loopback port, found by letting the system pick one.
uint16_t FreePort() {
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof a;
    uint16_t port = 0;
    if (bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0 &&
        getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len) == 0) {
        port = ntohs(a.sin_port);
    }
    close(fd);
    return port;
}

bool Accepts(uint16_t port) {
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(port);
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    const bool ok = ::connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
    close(fd);
    return ok;
}

// The nginx of this run, the tools compared and the best figures so far.
class Run {
public:
    QString nginx = QStandardPaths::findExecutable("nginx", {"/usr/sbin", "/usr/bin"});
    QString curl = QStandardPaths::findExecutable("curl");
    QString fetchwire = FETCHWIRE_EXE;
    QTemporaryDir dir;
    QProcess server;
    QString url;
    double bestCurl = 0;       // bytes per second
    double bestFetchwire = 0;  // bytes per second
    double bestControl = 0;    // bytes per second
    qint64 worstLateMs = 0;
    qint64 idleLateMs = 0;

    ~Run() {
        if (server.state() != QProcess::NotRunning) {
            server.terminate();
            if (!server.waitForFinished(5000)) {
                server.kill();
                server.waitForFinished();
            }
        }
    }

    // What is missing to run, or empty.
    QString Missing() const {
        QString missing;
        if (nginx.isEmpty()) {
            missing += "nginx (apt-get install -y nginx-light)\n";
        }
        if (curl.isEmpty()) {
            missing += "curl (apt-get install -y curl)\n";
        }
        if (!QFile::exists(fetchwire)) {
            missing += "the fetchwire program (build the fetchwire target)\n";
        }
        return missing;
    }

    bool Start() {
        if (!dir.isValid() || !WriteBody()) {
            return false;
        }
        const uint16_t port = FreePort();
        const QString root = dir.path();
        QFile conf(root + "/nginx.conf");
        if (!conf.open(QIODevice::WriteOnly)) {
            return false;
        }
        conf.write(QString("daemon off;\n"
                           "master_process off;\n"
                           "pid %1/nginx.pid;\n"
                           "error_log %1/error.log;\n"
                           "events { worker_connections 64; }\n"
                           "http {\n"
                           "  access_log off;\n"
                           "  client_body_temp_path %1/body;\n"
                           "  proxy_temp_path %1/proxy;\n"
                           "  fastcgi_temp_path %1/fastcgi;\n"
                           "  uwsgi_temp_path %1/uwsgi;\n"
                           "  scgi_temp_path %1/scgi;\n"
                           "  sendfile on;\n"
                           "  server { listen 127.0.0.1:%2; root %1/site; }\n"
                           "}\n")
                       .arg(root)
                       .arg(port)
                       .toUtf8());
        conf.close();
        server.setProcessChannelMode(QProcess::ForwardedChannels);
        server.start(nginx, {"-p", root, "-c", root + "/nginx.conf", "-e", root + "/error.log"});
        if (!server.waitForStarted(10000)) {
            return false;
        }
        // nginx has no readiness signal of its own; it is ready once it accepts.
        for (int i = 0; i < 500 && !Accepts(port); ++i) {
            QThread::msleep(10);
        }
        url = QString("http://127.0.0.1:%1/big.bin").arg(port);
        return Accepts(port);
    }

    // Runs one client to completion with its output discarded; its wall time.
    double RunClient(const QString& program, const QStringList& args, bool* ok) {
        QProcess p;
        p.setStandardOutputFile(QProcess::nullDevice());
        p.setStandardErrorFile(QProcess::nullDevice());
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        // fetchwire registers its control in this run's own registry.
        env.insert("VANTRY_REGISTRY", dir.path() + "/registry");
        p.setProcessEnvironment(env);
        QElapsedTimer clock;
        clock.start();
        p.start(program, args);
        *ok = p.waitForFinished(300000) && p.exitStatus() == QProcess::NormalExit &&
              p.exitCode() == 0;
        return clock.nsecsElapsed() / 1e9;
    }

private:
    bool WriteBody() {
        if (!QDir(dir.path()).mkpath("site")) {
            return false;
        }
        QFile body(dir.path() + "/site/big.bin");
        if (!body.open(QIODevice::WriteOnly)) {
            return false;
        }
        QByteArray block(1 << 20, '\0');
        for (int i = 0; i < block.size(); ++i) {
            block[i] = static_cast<char>((i * 7 + 3) % 251);
        }
        for (qint64 done = 0; done < kBodyBytes; done += block.size()) {
            if (body.write(block) != block.size()) {
                return false;
            }
        }
        return true;
    }
};

void ClientProcess(benchmark::State& state, Run& run, const QString& program,
                   const QStringList& args, double* best) {
    for (auto _ : state) {
        bool ok = false;
        const double seconds = run.RunClient(program, args, &ok);
        if (!ok) {
            state.SkipWithError("the client failed");
            return;
        }
        state.SetIterationTime(seconds);
        *best = std::max(*best, kBodyBytes / seconds);
    }
    state.SetBytesProcessed(state.iterations() * kBodyBytes);
}

// Counts body bytes as a host would take them.
class CountingSink : public va::IEventSink {
public:
    qint64 bytes = 0;
    void Fire(va::DispId id, const std::vector<va::Variant*>& a) override {
        if (id == fetchwire::http_event::kTransfer) {
            bytes += static_cast<qint64>(va::NarrowBytes(a[1]->ToString()).size());
        }
    }
};

// A host's precise timer of kTimerMs; the worst lateness of its ticks goes
// into `worstLate`, which outlives it.
class LateTicks {
public:
    explicit LateTicks(qint64& worstLate) {
        tick_.setInterval(kTimerMs);
        tick_.setTimerType(Qt::PreciseTimer);
        QObject::connect(&tick_, &QTimer::timeout, [this, &worstLate] {
            worstLate = std::max(worstLate, sinceTick_.restart() - kTimerMs);
        });
    }
    void Start() {
        sinceTick_.start();
        tick_.start();
    }
    void Stop() { tick_.stop(); }

private:
    QElapsedTimer sinceTick_;
    QTimer tick_;
};

// The control in this process, with a 10 ms precise timer running beside
// the request: how late did a tick come at worst?
void ControlWithTimer(benchmark::State& state, Run& run) {
    qint64 worstLate = 0;
    for (auto _ : state) {
        auto ctl = std::make_shared<fetchwire::CHTTPCtrl>();
        auto sink = std::make_shared<CountingSink>();
        ctl->Advise(sink);
        va::PutProperty(*ctl, "WinsockLoaded", va::Variant(true));
        va::PutProperty(*ctl, "URL", va::Variant(run.url.toStdU16String()));
        LateTicks tick(worstLate);
        QElapsedTimer clock;
        clock.start();
        tick.Start();
        try {
            va::PutProperty(*ctl, "Action", va::Variant(int32_t{1}));
        } catch (const va::AutomationError& e) {
            state.SkipWithError(e.Description().c_str());
            return;
        }
        const double seconds = clock.nsecsElapsed() / 1e9;
        tick.Stop();
        if (sink->bytes != kBodyBytes) {
            state.SkipWithError("short body");
            return;
        }
        state.SetIterationTime(seconds);
        run.bestControl = std::max(run.bestControl, kBodyBytes / seconds);
    }
    state.counters["timer_late_max_ms"] = static_cast<double>(worstLate);
    run.worstLateMs = std::max(run.worstLateMs, worstLate);
    state.SetBytesProcessed(state.iterations() * kBodyBytes);
}

// The same timer with nothing else running: the machine's own share of the
// lateness.
void IdleTimer(benchmark::State& state, Run& run) {
    qint64 worstLate = 0;
    for (auto _ : state) {
        LateTicks tick(worstLate);
        QEventLoop loop;
        QTimer::singleShot(1000, &loop, &QEventLoop::quit);
        tick.Start();
        loop.exec();
        state.SetIterationTime(1.0);
    }
    state.counters["timer_late_max_ms"] = static_cast<double>(worstLate);
    run.idleLateMs = std::max(run.idleLateMs, worstLate);
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    Run run;
    const QString missing = run.Missing();
    if (!missing.isEmpty()) {
        std::fprintf(stderr, "fetchwire_bench needs:\n%s", qPrintable(missing));
        return 1;
    }
    if (!run.Start()) {
        std::fprintf(stderr, "fetchwire_bench: nginx did not start (see %s/error.log)\n",
                     qPrintable(run.dir.path()));
        return 1;
    }
    auto configure = [](benchmark::internal::Benchmark* b) {
        b->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);
    };
    configure(benchmark::RegisterBenchmark("Get100MB/curl_0", [&run](benchmark::State& s) {
        ClientProcess(s, run, run.curl, {"-0", "-s", "-o", "/dev/null", run.url}, &run.bestCurl);
    }));
    configure(benchmark::RegisterBenchmark("Get100MB/fetchwire", [&run](benchmark::State& s) {
        ClientProcess(s, run, run.fetchwire, {run.url}, &run.bestFetchwire);
    }));
    configure(
        benchmark::RegisterBenchmark("Get100MB/control_with_10ms_timer",
                                     [&run](benchmark::State& s) { ControlWithTimer(s, run); }));
    configure(benchmark::RegisterBenchmark("Idle1s/10ms_timer",
                                           [&run](benchmark::State& s) { IdleTimer(s, run); }));
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    if (run.bestCurl > 0 && run.bestFetchwire > 0) {
        std::printf(
            "best rounds: curl -0 %.0f MB/s, fetchwire %.0f MB/s, ratio %.2f (goal >= 0.5)\n",
            run.bestCurl / 1048576, run.bestFetchwire / 1048576, run.bestFetchwire / run.bestCurl);
    }
    if (run.bestControl > 0) {
        std::printf(
            "control in-process %.0f MB/s; 10 ms timer at worst %lld ms late (goal <= 20)\n",
            run.bestControl / 1048576, static_cast<long long>(run.worstLateMs));
        std::printf("the same timer on the idle host: at worst %lld ms late\n",
                    static_cast<long long>(run.idleLateMs));
    }
    return 0;
}
