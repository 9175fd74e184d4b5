// Throughput of a large GET through the control next to a minimal blocking
// client with the same 2048-byte socket buffers, and the longest stall of a
// 10 ms host timer while the control's request runs. Prints figures; it is
// not a test.
//
// usage: fetchwire_bench [megabytes] [rounds]

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QProcess>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <string>

#include "automation/dispatch.h"
#include "http_ctrl.h"

namespace {

namespace va = vantry::automation;

uint16_t StartPeer(QProcess& peer, std::size_t bytes) {
    peer.start("/usr/bin/python3",
               {FETCHWIRE_PEER_SCRIPT, "big", "/dev/null", QString::number(bytes)});
    if (!peer.waitForStarted(10000) || !peer.waitForReadyRead(10000)) {
        return 0;
    }
    return static_cast<uint16_t>(peer.readLine().trimmed().toUInt());
}

// The minimal blocking client: same buffers, no event loop, no events.
double BlockingClient(uint16_t port, std::size_t* received) {
    QElapsedTimer clock;
    clock.start();
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    const int size = 2048;
    setsockopt(fd, SOL_SOCKET, SO_SNDBUF, &size, sizeof size);
    setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &size, sizeof size);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(port);
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    *received = 0;
    if (connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0) {
        const char request[] = "GET /big HTTP/1.0\r\n\r\n";
        send(fd, request, sizeof request - 1, 0);
        char buf[2048];
        for (ssize_t n; (n = recv(fd, buf, sizeof buf, 0)) > 0;) {
            *received += static_cast<std::size_t>(n);
        }
    }
    close(fd);
    return clock.nsecsElapsed() / 1e9;
}

class CountingSink : public va::IEventSink {
public:
    std::size_t bytes = 0;
    // Longest pause between two body pieces: when it is as long as the
    // timer's gap, the whole process was waiting, not the loop.
    qint64 worstPieceGapMs = 0;
    QElapsedTimer sincePiece;
    void Fire(va::DispId id, const std::vector<va::Variant*>& a) override {
        if (id == fetchwire::http_event::kTransfer) {
            if (sincePiece.isValid()) {
                worstPieceGapMs = std::max(worstPieceGapMs, sincePiece.restart());
            } else {
                sincePiece.start();
            }
            // What a host does with the piece: take its bytes.
            bytes += va::NarrowBytes(a[1]->ToString()).size();
        }
    }
};

double ThroughControl(uint16_t port, std::size_t* received, qint64* worstGapMs,
                      qint64* worstPieceGapMs) {
    auto ctl = std::make_shared<fetchwire::CHTTPCtrl>();
    auto sink = std::make_shared<CountingSink>();
    ctl->Advise(sink);
    va::PutProperty(*ctl, "WinsockLoaded", va::Variant(true));
    va::PutProperty(*ctl, "URL",
                    va::Variant::FromUtf8("http://127.0.0.1:" + std::to_string(port) + "/big"));
    QElapsedTimer sinceTick;
    qint64 worst = 0;
    QTimer tick;
    tick.setInterval(10);
    tick.setTimerType(Qt::PreciseTimer);
    QObject::connect(&tick, &QTimer::timeout,
                     [&] { worst = std::max(worst, sinceTick.restart()); });
    QElapsedTimer clock;
    clock.start();
    sinceTick.start();
    tick.start();
    try {
        va::PutProperty(*ctl, "Action", va::Variant(int32_t{1}));
    } catch (const va::AutomationError& e) {
        std::fprintf(stderr, "request failed: %d %s\n", e.Number(), e.Description().c_str());
    }
    const double seconds = clock.nsecsElapsed() / 1e9;
    tick.stop();
    *received = sink->bytes;
    *worstGapMs = worst;
    *worstPieceGapMs = sink->worstPieceGapMs;
    return seconds;
}

// The same timer with nothing else running, for the machine's own share
// of the stalls.
qint64 IdleTimerGap(int milliseconds) {
    QElapsedTimer sinceTick;
    qint64 worst = 0;
    QTimer tick;
    tick.setInterval(10);
    tick.setTimerType(Qt::PreciseTimer);
    QObject::connect(&tick, &QTimer::timeout,
                     [&] { worst = std::max(worst, sinceTick.restart()); });
    QEventLoop loop;
    QTimer::singleShot(milliseconds, &loop, &QEventLoop::quit);
    sinceTick.start();
    tick.start();
    loop.exec();
    return worst;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const std::size_t megabytes = argc > 1 ? std::stoul(argv[1]) : 100;
    const int rounds = argc > 2 ? std::stoi(argv[2]) : 3;
    const std::size_t bytes = megabytes * 1024 * 1024;
    QProcess peer;
    const uint16_t port = StartPeer(peer, bytes);
    if (port == 0) {
        std::fprintf(stderr, "could not start the peer\n");
        return 1;
    }
    std::printf("GET of %zu MB over loopback, 2048-byte socket buffers\n", megabytes);
    double bestClient = 0;
    double bestControl = 0;
    qint64 worstGap = 0;
    for (int round = 1; round <= rounds; ++round) {
        std::size_t got = 0;
        const double c = BlockingClient(port, &got);
        const double clientRate = got / 1048576.0 / c;
        qint64 gap = 0;
        qint64 pieceGap = 0;
        std::size_t body = 0;
        const double t = ThroughControl(port, &body, &gap, &pieceGap);
        const double controlRate = body / 1048576.0 / t;
        std::printf(
            "round %d: blocking client %.1f MB/s (%zu bytes), control %.1f MB/s (%zu body "
            "bytes), ratio %.2f, longest timer gap %lld ms, longest pause between pieces %lld ms\n",
            round, clientRate, got, controlRate, body, controlRate / clientRate,
            static_cast<long long>(gap), static_cast<long long>(pieceGap));
        bestClient = std::max(bestClient, clientRate);
        bestControl = std::max(bestControl, controlRate);
        worstGap = std::max(worstGap, gap);
    }
    std::printf(
        "best: blocking client %.1f MB/s, control %.1f MB/s, ratio %.2f; "
        "worst timer gap %lld ms\n",
        bestClient, bestControl, bestControl / bestClient, static_cast<long long>(worstGap));
    std::printf("idle host, same timer for 3 s: longest gap %lld ms\n",
                static_cast<long long>(IdleTimerGap(3000)));
    peer.kill();
    peer.waitForFinished();
    return 0;
}
