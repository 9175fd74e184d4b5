#pragma once
// One loopback peer for every exact exchange the tests need: a server on
// 127.0.0.1 that plays a script of sends, expectations, holds and closes to
// its client, on a thread of its own, and records every byte it received
// with the time it came. Real servers stay for what only they exercise.

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace vantry::test {

// One thing the peer does, in script order.
struct PeerStep {
    enum class Kind {
        Send,
        Expect,
        ReadBytes,
        ReadToEnd,
        Hold,
        Await,
        Close,
        Reset,
        ShutDown,
        ShutDownSend,
        Linger
    };
    Kind kind;
    std::string bytes;
    std::size_t count = 0;

    static PeerStep Send(std::string b) { return {Kind::Send, std::move(b)}; }
    // Reads until the bytes received since the last Expect contain `until`.
    static PeerStep Expect(std::string until = "\r\n") { return {Kind::Expect, std::move(until)}; }
    // Reads until `n` bytes of this connection have arrived.
    static PeerStep ReadBytes(std::size_t n) { return {Kind::ReadBytes, {}, n}; }
    // Reads until the client closes its side.
    static PeerStep ReadToEnd() { return {Kind::ReadToEnd, {}}; }
    // Neither reads nor writes until Release() or the peer stops.
    static PeerStep Hold() { return {Kind::Hold, {}}; }
    // Waits for the test's next Proceed(): one call lets one Await go on, so
    // the test can run its client between two sends.
    static PeerStep Await() { return {Kind::Await, {}}; }
    // Closes at once; bytes left unread make it a reset.
    static PeerStep Close() { return {Kind::Close, {}}; }
    // Closes at once with a reset, even when everything was read.
    static PeerStep Reset() { return {Kind::Reset, {}}; }
    // Ends both directions with a clean close; the script ends.
    static PeerStep ShutDown() { return {Kind::ShutDown, {}}; }
    // Ends the sending direction only (the client reads its end); the peer
    // may still read and the script goes on.
    static PeerStep ShutDownSend() { return {Kind::ShutDownSend, {}}; }
    // Keeps the connection open and unread until the peer is destroyed.
    static PeerStep Linger() { return {Kind::Linger, {}}; }
};

// An HTTP exchange: the request read up to its empty line, then `reply`
// played, then the connection closed.
std::vector<PeerStep> AnswerRequest(std::vector<PeerStep> reply);

struct PeerOptions {
    // Non-zero: the kernel's receive buffer of accepted connections, so a
    // peer that holds fills up after a few kilobytes.
    int receiveBuffer = 0;
    // Serve every connection with the script, one after the other, instead
    // of only the first.
    bool everyConnection = false;
    // Once the script is through, whatever the client still sends is recorded
    // until it closes; a whole line listed here is answered with its reply.
    std::vector<std::pair<std::string, std::string>> answers = {};
    // Scripts for the connections after the first, one each, in order: the
    // peer accepts as many more as listed (with everyConnection, the main
    // script serves those that come after).
    std::vector<std::vector<PeerStep>> later = {};
};

class ScriptedPeer {
public:
    using Clock = std::chrono::steady_clock;
    struct Piece {
        std::string bytes;
        Clock::time_point at;
    };
    struct Connection {
        std::vector<Piece> pieces;
        bool ended = false;  // the client closed its side
        int clientPort = 0;  // the port the client connected from

        std::string All() const;
        // Pieces joined while they arrive less than `gap` apart: one per send burst.
        std::vector<std::string> Bursts(std::chrono::milliseconds gap) const;
        // Every whole line received, without its line end.
        std::vector<std::string> Lines() const;
    };

    explicit ScriptedPeer(std::vector<PeerStep> script, PeerOptions options = {});
    ~ScriptedPeer();
    ScriptedPeer(const ScriptedPeer&) = delete;
    ScriptedPeer& operator=(const ScriptedPeer&) = delete;

    int Port() const { return port_; }
    // Lets every Hold go on.
    void Release();
    // Lets the next Await go on.
    void Proceed();
    // Waits (at most `limit`) until the peer stands at an Await that no
    // Proceed() has let go yet; false when it does not get there.
    bool WaitAwaiting(std::chrono::milliseconds limit = std::chrono::seconds(10));
    // True once a client connected.
    bool Connected() const;
    // True once the script of the first connection is through.
    bool Done() const;
    // How many connections have been through their whole script.
    std::size_t Served() const;
    // What arrived so far, one entry per accepted connection.
    std::vector<Connection> Connections() const;
    // The first connection (empty when none came).
    Connection First() const;
    // Waits until the first connection's script and its client are through (at
    // most `limit`), then stops the peer and returns what arrived.
    std::vector<Connection> Finish(std::chrono::milliseconds limit = std::chrono::seconds(10));

    // A loopback port on which nothing listens.
    static int UnusedPort();

private:
    void Run();
    void Serve(int fd, std::size_t index);
    // Waits until fd is readable; false when the peer stops first.
    bool WaitReadable(int fd);
    // Reads once, at most `most` bytes, into the connection; false at its end
    // or when stopping.
    bool ReadSome(int fd, std::size_t index, std::string& buffer,
                  std::size_t most = static_cast<std::size_t>(-1));
    void MarkDone();
    // Blocks in an Await step until Proceed() or the peer stops.
    void Await();
    const std::vector<PeerStep>& ScriptFor(std::size_t index) const;

    std::vector<PeerStep> script_;
    PeerOptions options_;
    int listenFd_ = -1;
    int stopFd_ = -1;     // readable once the peer stops
    int releaseFd_ = -1;  // readable once the test released the holds
    int proceedFd_ = -1;  // counts the Proceed() calls no Await has taken yet
    int port_ = 0;
    std::vector<int> kept_;  // lingering connections, closed at destruction

    mutable std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<Connection> connections_;
    bool done_ = false;
    std::size_t served_ = 0;
    std::size_t awaitsReached_ = 0;
    std::size_t proceeds_ = 0;
    std::thread thread_;
};

}  // namespace vantry::test
