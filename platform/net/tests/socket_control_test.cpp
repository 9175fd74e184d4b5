#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QSignalSpy>
#include <QTest>
#include <string>
#include <vector>

#include "loopback.h"
#include "net/socket_control.h"
#include "scripted_peer.h"

using namespace vantry::net;
using vantry::test::PeerStep;
using vantry::test::ScriptedPeer;

namespace {

void Aim(SocketControl& s, int port) {
    s.setRemoteHost("");
    s.setRemoteDotAddr("127.0.0.1");
    s.setRemotePort(port);
}

bool WaitFor(QSignalSpy& spy, int count = 1, int ms = 10000) {
    return QTest::qWaitFor([&] { return spy.size() >= count; }, ms);
}

// Runs the Qt loop until the peer has played its script to `count` clients;
// the control may still have bytes to send that only the loop moves.
bool WaitServed(const ScriptedPeer& peer, std::size_t count = 1) {
    return QTest::qWaitFor([&] { return peer.Served() >= count; }, 15000);
}

QByteArray Received(const ScriptedPeer& peer) {
    return QByteArray::fromStdString(peer.First().All());
}

// Runs what is already due (posted calls, ready sockets, deferred deletes),
// so a signal that was on its way has arrived before the test asserts none did.
void DrainEvents() {
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCoreApplication::processEvents();
}

// A control with a spy on every event it raises.
class SocketControlTest : public ::testing::Test {
protected:
    // Aims the control at 127.0.0.1:port and starts connecting.
    SocketError Connect(int port) {
        Aim(control_, port);
        return control_.setAction(kActionConnect);
    }

    SocketControl control_;
    QSignalSpy connected_{&control_, &SocketControl::Connect};
    QSignalSpy ready_{&control_, &SocketControl::SendReady};
    QSignalSpy lines_{&control_, &SocketControl::Receive};
    QSignalSpy failed_{&control_, &SocketControl::Exception};
    QSignalSpy closed_{&control_, &SocketControl::Close};
};

using SocketControlSend = SocketControlTest;
using SocketControlReceive = SocketControlTest;
using SocketControlFailures = SocketControlTest;
using SocketControlNames = SocketControlTest;

}  // namespace

TEST_F(SocketControlSend, EveryQueuedByteReachesThePeerBeforeTheGracefulShutdown) {
    ScriptedPeer peer({PeerStep::ReadToEnd()});
    ASSERT_FALSE(Connect(peer.Port()));
    EXPECT_EQ(connected_.size(), 0);  // never inside the call
    ASSERT_TRUE(WaitFor(connected_));
    EXPECT_TRUE(control_.isConnected());

    ASSERT_FALSE(control_.Send("POST /post/ HTTP/1.0\r\n"));
    EXPECT_EQ(ready_.size(), 0);
    ASSERT_TRUE(WaitFor(ready_));
    EXPECT_EQ(control_.bytesToWrite(), 0);

    // Far more than the kernel buffers hold, closed at once: the rest goes out after.
    QByteArray body(4 * 1024 * 1024, '\0');
    for (qsizetype i = 0; i < body.size(); ++i) {
        body[i] = static_cast<char>('a' + i % 26);
    }
    ASSERT_FALSE(control_.Send(body));
    ASSERT_FALSE(control_.setAction(kActionClose));
    EXPECT_FALSE(control_.isConnected());
    EXPECT_TRUE(control_.Send("late"));  // the control is free again

    ASSERT_TRUE(WaitServed(peer));
    const QByteArray received = Received(peer);
    EXPECT_EQ(received.size(), 22 + body.size());
    EXPECT_TRUE(received == "POST /post/ HTTP/1.0\r\n" + body);
    DrainEvents();
    EXPECT_EQ(closed_.size(), 0);
    EXPECT_EQ(failed_.size(), 0);
}

TEST_F(SocketControlSend, ControlDestroyedWithBytesQueuedStillDeliversThem) {
    ScriptedPeer peer({PeerStep::ReadToEnd()});
    auto* s = new SocketControl;
    QSignalSpy connected(s, &SocketControl::Connect);
    Aim(*s, peer.Port());
    ASSERT_FALSE(s->setAction(kActionConnect));
    ASSERT_TRUE(WaitFor(connected));
    const QByteArray data(1024 * 1024, 'z');
    ASSERT_FALSE(s->Send(data));
    delete s;
    ASSERT_TRUE(WaitServed(peer));
    EXPECT_EQ(Received(peer).size(), data.size());
}

TEST_F(SocketControlSend, SendTheSystemCannotTakeIsRefusedUntilSendReady) {
    // A slow uplink: the peer takes little and reads nothing until released.
    ScriptedPeer peer({PeerStep::Hold(), PeerStep::ReadToEnd()}, {.receiveBuffer = 4096});
    ASSERT_FALSE(Connect(peer.Port()));
    ASSERT_TRUE(WaitFor(connected_));

    const QByteArray block(256 * 1024, 'b');
    qint64 accepted = 0;
    SocketError refused;
    for (int i = 0; i < 256 && !refused; ++i) {
        refused = control_.Send(block);
        if (!refused) {
            accepted += block.size();
        }
    }
    ASSERT_EQ(refused.code, kErrWouldBlock);
    EXPECT_GT(control_.bytesToWrite(), 0);
    ready_.clear();
    peer.Release();
    ASSERT_TRUE(WaitFor(ready_));
    EXPECT_EQ(control_.bytesToWrite(), 0);
    ASSERT_FALSE(control_.setAction(kActionClose));
    ASSERT_TRUE(WaitServed(peer));
    EXPECT_EQ(Received(peer).size(), accepted);
}

TEST_F(SocketControlSend, PeerEndingWithBytesUnsentIsAFailureNotAnOrderlyClose) {
    // The peer reads nothing more and says so; it closes once released.
    ScriptedPeer peer({PeerStep::ShutDownSend(), PeerStep::Hold(), PeerStep::Close()},
                      {.receiveBuffer = 4096});
    ASSERT_FALSE(Connect(peer.Port()));
    ASSERT_TRUE(WaitFor(connected_));
    ASSERT_FALSE(control_.Send(QByteArray(16 * 1024 * 1024, 'q')));
    ASSERT_TRUE(WaitFor(closed_));
    peer.Release();
    ASSERT_EQ(failed_.size(), 1);
    EXPECT_EQ(failed_[0][0].toInt(), kErrAborted);
    EXPECT_EQ(closed_[0][0].toInt(), kErrAborted);
    ASSERT_TRUE(WaitServed(peer));
}

TEST_F(SocketControlReceive, LinesArriveOneByOneWithTheirEndsThenCloseZero) {
    // The first line trickles in byte by byte, the control's loop running
    // between two bytes; the rest comes in one piece.
    const std::string first = "HTTP/1.1 304 Not Modified\r\n";
    std::vector<PeerStep> script;
    for (char c : first) {
        script.push_back(PeerStep::Send(std::string(1, c)));
        script.push_back(PeerStep::Await());
    }
    script.push_back(PeerStep::Send("Date: x\r\n\r\nno line end"));
    script.push_back(PeerStep::Close());
    ScriptedPeer peer(script);
    ASSERT_FALSE(Connect(peer.Port()));
    for (std::size_t i = 0; i < first.size(); ++i) {
        ASSERT_TRUE(peer.WaitAwaiting());
        DrainEvents();
        peer.Proceed();
    }
    ASSERT_TRUE(WaitFor(closed_));
    ASSERT_EQ(lines_.size(), 4);
    EXPECT_EQ(lines_[0][0].toByteArray(), "HTTP/1.1 304 Not Modified\r\n");
    EXPECT_EQ(lines_[1][0].toByteArray(), "Date: x\r\n");
    EXPECT_EQ(lines_[2][0].toByteArray(), "\r\n");
    EXPECT_EQ(lines_[3][0].toByteArray(), "no line end");
    EXPECT_EQ(closed_[0][0].toInt(), 0);
    EXPECT_EQ(failed_.size(), 0);
    EXPECT_FALSE(control_.isConnected());
}

TEST_F(SocketControlReceive, LineLongerThanTheBufferComesInBufferSizedPieces) {
    ScriptedPeer peer({PeerStep::Send(std::string(40, 'x') + "\n"), PeerStep::Close()});
    control_.setBufferSize(16);
    ASSERT_FALSE(Connect(peer.Port()));
    ASSERT_TRUE(WaitFor(closed_));
    ASSERT_EQ(lines_.size(), 3);
    EXPECT_EQ(lines_[0][0].toByteArray(), QByteArray(16, 'x'));
    EXPECT_EQ(lines_[1][0].toByteArray(), QByteArray(16, 'x'));
    EXPECT_EQ(lines_[2][0].toByteArray(), QByteArray(8, 'x') + "\n");
}

TEST_F(SocketControlFailures, RefusedConnectionIsReportedAsExceptionThenClose) {
    ASSERT_FALSE(Connect(ScriptedPeer::UnusedPort()));
    EXPECT_EQ(failed_.size(), 0);
    ASSERT_TRUE(WaitFor(closed_));
    ASSERT_EQ(failed_.size(), 1);
    EXPECT_EQ(failed_[0][0].toInt(), kErrRefused);
    EXPECT_EQ(failed_[0][1].toString(), "[25062] Connection refused");
    EXPECT_EQ(closed_[0][0].toInt(), kErrRefused);
    EXPECT_EQ(connected_.size(), 0);
    // The control can be used again after a failure.
    EXPECT_FALSE(control_.setAction(kActionConnect));
    ASSERT_TRUE(WaitFor(closed_, 2));
}

TEST_F(SocketControlFailures, BadSettingsFailAtOnceAndRaiseNoEvent) {
    control_.setRemoteDotAddr("127.0.0.1");
    control_.setRemotePort(0);
    EXPECT_EQ(control_.setAction(kActionConnect).code, kErrAddressNotAvailable);
    control_.setRemotePort(65536);
    EXPECT_EQ(control_.setAction(kActionConnect).code, kErrAddressNotAvailable);
    control_.setRemotePort(80);
    control_.setRemoteDotAddr("");
    EXPECT_EQ(control_.setAction(kActionConnect).code, kErrDestinationRequired);
    control_.setRemoteDotAddr("1.2.x.4");
    EXPECT_EQ(control_.setAction(kActionConnect).code, kErrInvalidArgument);
    EXPECT_EQ(control_.setAction(7).code, kErrInvalidArgument);
    const SocketError notConnected = control_.Send("x");
    EXPECT_EQ(notConnected.code, kErrNotConnected);
    EXPECT_EQ(notConnected.description, "[25058] Socket is not connected");
    EXPECT_FALSE(control_.setAction(kActionClose));  // closing an idle control is harmless
    DrainEvents();
    EXPECT_EQ(failed_.size(), 0);
    EXPECT_EQ(closed_.size(), 0);
}

TEST_F(SocketControlFailures, SecondConnectWhileBusyIsRefused) {
    ScriptedPeer peer({PeerStep::ReadToEnd()});
    ASSERT_FALSE(Connect(peer.Port()));
    EXPECT_EQ(control_.setAction(kActionConnect).code, kErrAlreadyConnected);
    ASSERT_TRUE(WaitFor(connected_));
    EXPECT_EQ(control_.setAction(kActionConnect).code, kErrAlreadyConnected);
    control_.setAction(kActionClose);
    EXPECT_TRUE(WaitServed(peer));
}

TEST_F(SocketControlFailures, ConnectThatNeverCompletesTimesOut) {
    // A listener whose accept queue is full drops further handshakes.
    std::uint16_t port = 0;
    const int listener = vantry::test::ListenOnLoopback(0, &port);
    int fillers[4];
    for (int& f : fillers) {
        f = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        a.sin_port = htons(port);
        ::connect(f, reinterpret_cast<sockaddr*>(&a), sizeof a);
    }
    control_.setConnectTimeout(300);
    ASSERT_FALSE(Connect(port));
    ASSERT_TRUE(WaitFor(closed_, 1, 5000));
    EXPECT_EQ(connected_.size(), 0);
    ASSERT_EQ(failed_.size(), 1);
    EXPECT_EQ(failed_[0][0].toInt(), kErrTimedOut);
    EXPECT_EQ(closed_[0][0].toInt(), kErrTimedOut);
    for (int f : fillers) {
        ::close(f);
    }
    ::close(listener);
}

TEST_F(SocketControlFailures, PeerResetIsAnExceptionWithTheResetCode) {
    ScriptedPeer peer({PeerStep::ReadBytes(1), PeerStep::Reset()});
    ASSERT_FALSE(Connect(peer.Port()));
    ASSERT_TRUE(WaitFor(connected_));
    control_.Send("x");
    ASSERT_TRUE(WaitFor(closed_));
    ASSERT_EQ(failed_.size(), 1);
    EXPECT_EQ(failed_[0][0].toInt(), kErrReset);
    EXPECT_EQ(closed_[0][0].toInt(), kErrReset);
}

TEST_F(SocketControlNames, HostNameIsLookedUpAndDottedAddressWins) {
    ScriptedPeer peer({PeerStep::Send("hello\r\n"), PeerStep::Close()}, {.everyConnection = true});
    control_.setRemoteHost("localhost");
    control_.setRemotePort(peer.Port());
    ASSERT_FALSE(control_.setAction(kActionConnect));
    ASSERT_TRUE(WaitFor(closed_));
    EXPECT_EQ(connected_.size(), 1);
    EXPECT_EQ(closed_[0][0].toInt(), 0);

    control_.setRemoteHost("no-such-host.invalid");
    control_.setRemoteDotAddr("127.0.0.1");
    ASSERT_FALSE(control_.setAction(kActionConnect));
    ASSERT_TRUE(WaitFor(closed_, 2));
    EXPECT_EQ(connected_.size(), 2);
    EXPECT_TRUE(WaitServed(peer, 2));
}

TEST_F(SocketControlNames, UnknownHostIsALookupFailure) {
    control_.setRemoteHost("no-such-host.invalid");
    control_.setRemotePort(80);
    ASSERT_FALSE(control_.setAction(kActionConnect));
    ASSERT_TRUE(WaitFor(closed_, 1, 20000));
    ASSERT_EQ(failed_.size(), 1);
    const int code = failed_[0][0].toInt();
    // Which look-up answer comes depends on the machine's resolver.
    EXPECT_TRUE(code == kErrHostNotFound || code == kErrTryAgain || code == kErrNoData) << code;
}

TEST_F(SocketControlNames, LocalPortIsBoundBeforeConnecting) {
    ScriptedPeer peer({PeerStep::ReadToEnd()});
    const int local = ScriptedPeer::UnusedPort();
    control_.setLocalPort(local);
    ASSERT_FALSE(Connect(peer.Port()));
    ASSERT_TRUE(WaitFor(connected_));
    // The peer's thread may accept only after our Connect has arrived.
    EXPECT_TRUE(QTest::qWaitFor([&] { return peer.Connected(); }, 10000));
    EXPECT_EQ(peer.First().clientPort, local);
    control_.setAction(kActionClose);
    EXPECT_TRUE(WaitServed(peer));
}

TEST(SocketControlHandlers, HandlerMayDestroyTheControlMidBurst) {
    ScriptedPeer peer({PeerStep::Send("one\r\ntwo\r\nthree\r\n"), PeerStep::Close()});
    auto* s = new SocketControl;
    int seen = 0;
    QObject::connect(s, &SocketControl::Receive, [&](const QByteArray&) {
        ++seen;
        delete s;
    });
    Aim(*s, peer.Port());
    ASSERT_FALSE(s->setAction(kActionConnect));
    ASSERT_TRUE(QTest::qWaitFor([&] { return seen > 0; }, 10000));
    DrainEvents();
    EXPECT_EQ(seen, 1);
    EXPECT_TRUE(WaitServed(peer));
}

TEST(SocketControlHandlers, CloseHandlerMayStartTheNextConnection) {
    ScriptedPeer peer({PeerStep::Send("0\n"), PeerStep::Close()},
                      {.later = {{PeerStep::Send("1\n"), PeerStep::Close()}}});
    SocketControl s;
    QList<QByteArray> got;
    int closes = 0;
    QObject::connect(&s, &SocketControl::Receive, [&](const QByteArray& l) { got.append(l); });
    QObject::connect(&s, &SocketControl::Close, [&](int) {
        if (++closes == 1) {
            EXPECT_FALSE(s.setAction(kActionConnect));
        }
    });
    Aim(s, peer.Port());
    ASSERT_FALSE(s.setAction(kActionConnect));
    ASSERT_TRUE(QTest::qWaitFor([&] { return closes == 2; }, 10000));
    EXPECT_EQ(got, (QList<QByteArray>{"0\n", "1\n"}));
    EXPECT_TRUE(WaitServed(peer, 2));
}
