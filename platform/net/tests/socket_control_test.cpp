#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QSignalSpy>
#include <QTest>
#include <atomic>
#include <chrono>
#include <functional>
#include <future>
#include <thread>

#include "net/socket_control.h"

using namespace vantry::net;

namespace {

// A listening socket on 127.0.0.1 whose accepted connections are served by a script
// on a thread of their own, as a real server would.
class Peer {
public:
    explicit Peer(int backlog = 8) {
        fd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ::bind(fd_, reinterpret_cast<sockaddr*>(&a), sizeof a);
        ::listen(fd_, backlog);
        socklen_t len = sizeof a;
        ::getsockname(fd_, reinterpret_cast<sockaddr*>(&a), &len);
        port_ = ntohs(a.sin_port);
    }
    ~Peer() {
        if (thread_.joinable()) {
            thread_.join();
        }
        ::close(fd_);
    }
    int port() const { return port_; }
    int listenFd() const { return fd_; }
    // A slow uplink: accepted connections take little before the sender must wait.
    void SmallReceiveBuffer() {
        const int size = 4096;
        ::setsockopt(fd_, SOL_SOCKET, SO_RCVBUF, &size, sizeof size);
    }

    // Accepts `count` connections one after the other and runs `script` on each.
    void Serve(std::function<void(int fd, int index)> script, int count = 1) {
        thread_ = std::thread([this, script, count] {
            for (int i = 0; i < count; ++i) {
                sockaddr_in from{};
                socklen_t len = sizeof from;
                const int c = ::accept(fd_, reinterpret_cast<sockaddr*>(&from), &len);
                if (c < 0) {
                    return;
                }
                clientPort_ = ntohs(from.sin_port);
                script(c, i);
                ::close(c);
            }
            done_ = true;
        });
    }
    bool WaitDone() {
        return QTest::qWaitFor([this] { return done_.load(); }, 15000);
    }
    int clientPort() const { return clientPort_; }

private:
    int fd_ = -1;
    int port_ = 0;
    std::atomic<int> clientPort_{0};
    std::atomic<bool> done_{false};
    std::thread thread_;
};

// Holds a peer script until the test opens it (at the latest when the test ends).
class Gate {
public:
    ~Gate() { Open(); }
    void Open() {
        if (!open_) {
            open_ = true;
            promise_.set_value();
        }
    }
    void Wait() const { future_.wait(); }

private:
    bool open_ = false;
    std::promise<void> promise_;
    std::shared_future<void> future_ = promise_.get_future().share();
};

QByteArray ReadToEnd(int fd) {
    QByteArray all;
    char buf[65536];
    for (;;) {
        const ssize_t n = ::recv(fd, buf, sizeof buf, 0);
        if (n <= 0) {
            return all;
        }
        all.append(buf, n);
    }
}

void SendAll(int fd, const QByteArray& data) {
    qsizetype at = 0;
    while (at < data.size()) {
        const ssize_t n = ::send(fd, data.constData() + at, data.size() - at, MSG_NOSIGNAL);
        if (n <= 0) {
            return;
        }
        at += n;
    }
}

// A port nobody listens on (bound once, then released).
int FreePort() {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a);
    socklen_t len = sizeof a;
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len);
    ::close(fd);
    return ntohs(a.sin_port);
}

void Aim(SocketControl& s, int port) {
    s.setRemoteHost("");
    s.setRemoteDotAddr("127.0.0.1");
    s.setRemotePort(port);
}

bool WaitFor(QSignalSpy& spy, int count = 1, int ms = 10000) {
    return QTest::qWaitFor([&] { return spy.size() >= count; }, ms);
}

// Runs what is already due (posted calls, ready sockets, deferred deletes),
// so a signal that was on its way has arrived before the test asserts none did.
void DrainEvents() {
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCoreApplication::processEvents();
}

}  // namespace

TEST(SocketControlSend, EveryQueuedByteReachesThePeerBeforeTheGracefulShutdown) {
    Peer peer;
    QByteArray received;
    peer.Serve([&](int fd, int) { received = ReadToEnd(fd); });

    SocketControl s;
    QSignalSpy connected(&s, &SocketControl::Connect);
    QSignalSpy ready(&s, &SocketControl::SendReady);
    QSignalSpy closed(&s, &SocketControl::Close);
    QSignalSpy failed(&s, &SocketControl::Exception);
    Aim(s, peer.port());
    ASSERT_FALSE(s.setAction(kActionConnect));
    EXPECT_EQ(connected.size(), 0);  // never inside the call
    ASSERT_TRUE(WaitFor(connected));
    EXPECT_TRUE(s.isConnected());

    ASSERT_FALSE(s.Send("POST /post/ HTTP/1.0\r\n"));
    EXPECT_EQ(ready.size(), 0);
    ASSERT_TRUE(WaitFor(ready));
    EXPECT_EQ(s.bytesToWrite(), 0);

    // Far more than the kernel buffers hold, closed at once: the rest goes out after.
    QByteArray body(4 * 1024 * 1024, '\0');
    for (qsizetype i = 0; i < body.size(); ++i) {
        body[i] = static_cast<char>('a' + i % 26);
    }
    ASSERT_FALSE(s.Send(body));
    ASSERT_FALSE(s.setAction(kActionClose));
    EXPECT_FALSE(s.isConnected());
    EXPECT_TRUE(s.Send("late"));  // the control is free again

    ASSERT_TRUE(peer.WaitDone());
    EXPECT_EQ(received.size(), 22 + body.size());
    EXPECT_TRUE(received == "POST /post/ HTTP/1.0\r\n" + body);
    DrainEvents();
    EXPECT_EQ(closed.size(), 0);
    EXPECT_EQ(failed.size(), 0);
}

TEST(SocketControlSend, ControlDestroyedWithBytesQueuedStillDeliversThem) {
    Peer peer;
    QByteArray received;
    peer.Serve([&](int fd, int) { received = ReadToEnd(fd); });
    auto* s = new SocketControl;
    QSignalSpy connected(s, &SocketControl::Connect);
    Aim(*s, peer.port());
    ASSERT_FALSE(s->setAction(kActionConnect));
    ASSERT_TRUE(WaitFor(connected));
    const QByteArray data(1024 * 1024, 'z');
    ASSERT_FALSE(s->Send(data));
    delete s;
    ASSERT_TRUE(peer.WaitDone());
    EXPECT_EQ(received.size(), data.size());
}

TEST(SocketControlSend, SendTheSystemCannotTakeIsRefusedUntilSendReady) {
    Peer peer;
    peer.SmallReceiveBuffer();
    QByteArray received;
    Gate drain;  // opened before `received` goes
    peer.Serve([&](int fd, int) {
        drain.Wait();
        received = ReadToEnd(fd);
    });
    SocketControl s;
    QSignalSpy connected(&s, &SocketControl::Connect);
    QSignalSpy ready(&s, &SocketControl::SendReady);
    Aim(s, peer.port());
    ASSERT_FALSE(s.setAction(kActionConnect));
    ASSERT_TRUE(WaitFor(connected));

    const QByteArray block(256 * 1024, 'b');
    qint64 accepted = 0;
    SocketError refused;
    for (int i = 0; i < 256 && !refused; ++i) {
        refused = s.Send(block);
        if (!refused) {
            accepted += block.size();
        }
    }
    ASSERT_EQ(refused.code, kErrWouldBlock);
    EXPECT_GT(s.bytesToWrite(), 0);
    ready.clear();
    drain.Open();
    ASSERT_TRUE(WaitFor(ready));
    EXPECT_EQ(s.bytesToWrite(), 0);
    ASSERT_FALSE(s.setAction(kActionClose));
    ASSERT_TRUE(peer.WaitDone());
    EXPECT_EQ(received.size(), accepted);
}

TEST(SocketControlSend, PeerEndingWithBytesUnsentIsAFailureNotAnOrderlyClose) {
    Peer peer;
    peer.SmallReceiveBuffer();
    Gate release;
    peer.Serve([&](int fd, int) {
        ::shutdown(fd, SHUT_WR);  // reads nothing more and says so
        release.Wait();
    });
    SocketControl s;
    QSignalSpy connected(&s, &SocketControl::Connect);
    QSignalSpy failed(&s, &SocketControl::Exception);
    QSignalSpy closed(&s, &SocketControl::Close);
    Aim(s, peer.port());
    ASSERT_FALSE(s.setAction(kActionConnect));
    ASSERT_TRUE(WaitFor(connected));
    ASSERT_FALSE(s.Send(QByteArray(16 * 1024 * 1024, 'q')));
    ASSERT_TRUE(WaitFor(closed));
    release.Open();
    ASSERT_EQ(failed.size(), 1);
    EXPECT_EQ(failed[0][0].toInt(), kErrAborted);
    EXPECT_EQ(closed[0][0].toInt(), kErrAborted);
    ASSERT_TRUE(peer.WaitDone());
}

TEST(SocketControlReceive, LinesArriveOneByOneWithTheirEndsThenCloseZero) {
    Peer peer;
    peer.Serve([](int fd, int) {
        const int one = 1;
        ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
        // The first line trickles in byte by byte, the rest comes in one piece.
        for (char c : QByteArray("HTTP/1.1 304 Not Modified\r\n")) {
            SendAll(fd, QByteArray(1, c));
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        SendAll(fd, "Date: x\r\n\r\nno line end");
    });
    SocketControl s;
    QSignalSpy lines(&s, &SocketControl::Receive);
    QSignalSpy closed(&s, &SocketControl::Close);
    QSignalSpy failed(&s, &SocketControl::Exception);
    Aim(s, peer.port());
    ASSERT_FALSE(s.setAction(kActionConnect));
    ASSERT_TRUE(WaitFor(closed));
    ASSERT_EQ(lines.size(), 4);
    EXPECT_EQ(lines[0][0].toByteArray(), "HTTP/1.1 304 Not Modified\r\n");
    EXPECT_EQ(lines[1][0].toByteArray(), "Date: x\r\n");
    EXPECT_EQ(lines[2][0].toByteArray(), "\r\n");
    EXPECT_EQ(lines[3][0].toByteArray(), "no line end");
    EXPECT_EQ(closed[0][0].toInt(), 0);
    EXPECT_EQ(failed.size(), 0);
    EXPECT_FALSE(s.isConnected());
}

TEST(SocketControlReceive, LineLongerThanTheBufferComesInBufferSizedPieces) {
    Peer peer;
    peer.Serve([](int fd, int) { SendAll(fd, QByteArray(40, 'x') + "\n"); });
    SocketControl s;
    s.setBufferSize(16);
    QSignalSpy lines(&s, &SocketControl::Receive);
    QSignalSpy closed(&s, &SocketControl::Close);
    Aim(s, peer.port());
    ASSERT_FALSE(s.setAction(kActionConnect));
    ASSERT_TRUE(WaitFor(closed));
    ASSERT_EQ(lines.size(), 3);
    EXPECT_EQ(lines[0][0].toByteArray(), QByteArray(16, 'x'));
    EXPECT_EQ(lines[1][0].toByteArray(), QByteArray(16, 'x'));
    EXPECT_EQ(lines[2][0].toByteArray(), QByteArray(8, 'x') + "\n");
}

TEST(SocketControlFailures, RefusedConnectionIsReportedAsExceptionThenClose) {
    SocketControl s;
    QSignalSpy failed(&s, &SocketControl::Exception);
    QSignalSpy closed(&s, &SocketControl::Close);
    QSignalSpy connected(&s, &SocketControl::Connect);
    Aim(s, FreePort());
    ASSERT_FALSE(s.setAction(kActionConnect));
    EXPECT_EQ(failed.size(), 0);
    ASSERT_TRUE(WaitFor(closed));
    ASSERT_EQ(failed.size(), 1);
    EXPECT_EQ(failed[0][0].toInt(), kErrRefused);
    EXPECT_EQ(failed[0][1].toString(), "[25062] Connection refused");
    EXPECT_EQ(closed[0][0].toInt(), kErrRefused);
    EXPECT_EQ(connected.size(), 0);
    // The control can be used again after a failure.
    EXPECT_FALSE(s.setAction(kActionConnect));
    ASSERT_TRUE(WaitFor(closed, 2));
}

TEST(SocketControlFailures, BadSettingsFailAtOnceAndRaiseNoEvent) {
    SocketControl s;
    QSignalSpy failed(&s, &SocketControl::Exception);
    QSignalSpy closed(&s, &SocketControl::Close);
    s.setRemoteDotAddr("127.0.0.1");
    s.setRemotePort(0);
    EXPECT_EQ(s.setAction(kActionConnect).code, kErrAddressNotAvailable);
    s.setRemotePort(65536);
    EXPECT_EQ(s.setAction(kActionConnect).code, kErrAddressNotAvailable);
    s.setRemotePort(80);
    s.setRemoteDotAddr("");
    EXPECT_EQ(s.setAction(kActionConnect).code, kErrDestinationRequired);
    s.setRemoteDotAddr("1.2.x.4");
    EXPECT_EQ(s.setAction(kActionConnect).code, kErrInvalidArgument);
    EXPECT_EQ(s.setAction(7).code, kErrInvalidArgument);
    const SocketError notConnected = s.Send("x");
    EXPECT_EQ(notConnected.code, kErrNotConnected);
    EXPECT_EQ(notConnected.description, "[25058] Socket is not connected");
    EXPECT_FALSE(s.setAction(kActionClose));  // closing an idle control is harmless
    DrainEvents();
    EXPECT_EQ(failed.size(), 0);
    EXPECT_EQ(closed.size(), 0);
}

TEST(SocketControlFailures, SecondConnectWhileBusyIsRefused) {
    Peer peer;
    peer.Serve([](int fd, int) { ReadToEnd(fd); });
    SocketControl s;
    QSignalSpy connected(&s, &SocketControl::Connect);
    Aim(s, peer.port());
    ASSERT_FALSE(s.setAction(kActionConnect));
    EXPECT_EQ(s.setAction(kActionConnect).code, kErrAlreadyConnected);
    ASSERT_TRUE(WaitFor(connected));
    EXPECT_EQ(s.setAction(kActionConnect).code, kErrAlreadyConnected);
    s.setAction(kActionClose);
    EXPECT_TRUE(peer.WaitDone());
}

TEST(SocketControlFailures, ConnectThatNeverCompletesTimesOut) {
    // A listener whose accept queue is full drops further handshakes.
    Peer peer(0);
    int fillers[4];
    for (int& f : fillers) {
        f = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        a.sin_port = htons(static_cast<uint16_t>(peer.port()));
        ::connect(f, reinterpret_cast<sockaddr*>(&a), sizeof a);
    }
    SocketControl s;
    s.setConnectTimeout(300);
    QSignalSpy failed(&s, &SocketControl::Exception);
    QSignalSpy closed(&s, &SocketControl::Close);
    QSignalSpy connected(&s, &SocketControl::Connect);
    Aim(s, peer.port());
    ASSERT_FALSE(s.setAction(kActionConnect));
    ASSERT_TRUE(WaitFor(closed, 1, 5000));
    EXPECT_EQ(connected.size(), 0);
    ASSERT_EQ(failed.size(), 1);
    EXPECT_EQ(failed[0][0].toInt(), kErrTimedOut);
    EXPECT_EQ(closed[0][0].toInt(), kErrTimedOut);
    for (int f : fillers) {
        ::close(f);
    }
}

TEST(SocketControlFailures, PeerResetIsAnExceptionWithTheResetCode) {
    Peer peer;
    peer.Serve([](int fd, int) {
        char c;
        ::recv(fd, &c, 1, 0);
        const linger hard{1, 0};
        ::setsockopt(fd, SOL_SOCKET, SO_LINGER, &hard, sizeof hard);
    });
    SocketControl s;
    QSignalSpy connected(&s, &SocketControl::Connect);
    QSignalSpy failed(&s, &SocketControl::Exception);
    QSignalSpy closed(&s, &SocketControl::Close);
    Aim(s, peer.port());
    ASSERT_FALSE(s.setAction(kActionConnect));
    ASSERT_TRUE(WaitFor(connected));
    s.Send("x");
    ASSERT_TRUE(WaitFor(closed));
    ASSERT_EQ(failed.size(), 1);
    EXPECT_EQ(failed[0][0].toInt(), kErrReset);
    EXPECT_EQ(closed[0][0].toInt(), kErrReset);
}

TEST(SocketControlNames, HostNameIsLookedUpAndDottedAddressWins) {
    Peer peer;
    peer.Serve([](int fd, int) { SendAll(fd, "hello\r\n"); }, 2);
    SocketControl s;
    QSignalSpy connected(&s, &SocketControl::Connect);
    QSignalSpy closed(&s, &SocketControl::Close);
    s.setRemoteHost("localhost");
    s.setRemotePort(peer.port());
    ASSERT_FALSE(s.setAction(kActionConnect));
    ASSERT_TRUE(WaitFor(closed));
    EXPECT_EQ(connected.size(), 1);
    EXPECT_EQ(closed[0][0].toInt(), 0);

    s.setRemoteHost("no-such-host.invalid");
    s.setRemoteDotAddr("127.0.0.1");
    ASSERT_FALSE(s.setAction(kActionConnect));
    ASSERT_TRUE(WaitFor(closed, 2));
    EXPECT_EQ(connected.size(), 2);
    EXPECT_TRUE(peer.WaitDone());
}

TEST(SocketControlNames, UnknownHostIsALookupFailure) {
    SocketControl s;
    QSignalSpy failed(&s, &SocketControl::Exception);
    QSignalSpy closed(&s, &SocketControl::Close);
    s.setRemoteHost("no-such-host.invalid");
    s.setRemotePort(80);
    ASSERT_FALSE(s.setAction(kActionConnect));
    ASSERT_TRUE(WaitFor(closed, 1, 20000));
    ASSERT_EQ(failed.size(), 1);
    const int code = failed[0][0].toInt();
    // Which look-up answer comes depends on the machine's resolver.
    EXPECT_TRUE(code == kErrHostNotFound || code == kErrTryAgain || code == kErrNoData) << code;
}

TEST(SocketControlNames, LocalPortIsBoundBeforeConnecting) {
    Peer peer;
    peer.Serve([](int fd, int) { ReadToEnd(fd); });
    SocketControl s;
    QSignalSpy connected(&s, &SocketControl::Connect);
    const int local = FreePort();
    s.setLocalPort(local);
    Aim(s, peer.port());
    ASSERT_FALSE(s.setAction(kActionConnect));
    ASSERT_TRUE(WaitFor(connected));
    // The peer's thread may accept only after our Connect has arrived.
    EXPECT_TRUE(QTest::qWaitFor([&] { return peer.clientPort() != 0; }, 10000));
    EXPECT_EQ(peer.clientPort(), local);
    s.setAction(kActionClose);
    EXPECT_TRUE(peer.WaitDone());
}

TEST(SocketControlHandlers, HandlerMayDestroyTheControlMidBurst) {
    Peer peer;
    peer.Serve([](int fd, int) { SendAll(fd, "one\r\ntwo\r\nthree\r\n"); });
    auto* s = new SocketControl;
    int seen = 0;
    QObject::connect(s, &SocketControl::Receive, [&](const QByteArray&) {
        ++seen;
        delete s;
    });
    Aim(*s, peer.port());
    ASSERT_FALSE(s->setAction(kActionConnect));
    ASSERT_TRUE(QTest::qWaitFor([&] { return seen > 0; }, 10000));
    DrainEvents();
    EXPECT_EQ(seen, 1);
    EXPECT_TRUE(peer.WaitDone());
}

TEST(SocketControlHandlers, CloseHandlerMayStartTheNextConnection) {
    Peer peer;
    peer.Serve([](int fd, int index) { SendAll(fd, QByteArray::number(index) + "\n"); }, 2);
    SocketControl s;
    QList<QByteArray> got;
    int closes = 0;
    QObject::connect(&s, &SocketControl::Receive, [&](const QByteArray& l) { got.append(l); });
    QObject::connect(&s, &SocketControl::Close, [&](int) {
        if (++closes == 1) {
            EXPECT_FALSE(s.setAction(kActionConnect));
        }
    });
    Aim(s, peer.port());
    ASSERT_FALSE(s.setAction(kActionConnect));
    ASSERT_TRUE(QTest::qWaitFor([&] { return closes == 2; }, 10000));
    EXPECT_EQ(got, (QList<QByteArray>{"0\n", "1\n"}));
    EXPECT_TRUE(peer.WaitDone());
}
