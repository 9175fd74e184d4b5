#pragma once
// A loopback server that plays a fixed script to one client and records
// every byte it received, for the exact SMTP cases a real server will not
// produce (odd greetings, silence, a server that stops reading).

#include <atomic>
#include <chrono>
#include <limits>
#include <string>
#include <thread>
#include <vector>

namespace corvy::smtp::testing {

struct SmtpStep {
    enum class Kind { Send, Expect, Close, Hold };
    Kind kind;
    std::string bytes;

    static SmtpStep Send(std::string b) { return {Kind::Send, std::move(b)}; }
    // Reads until the bytes received since the last Expect end with `until`.
    static SmtpStep Expect(std::string until = "\r\n") { return {Kind::Expect, std::move(until)}; }
    static SmtpStep Close() { return {Kind::Close, {}}; }
    // Neither reads nor writes any more until the server is destroyed.
    static SmtpStep Hold() { return {Kind::Hold, {}}; }
};

class ScriptedSmtpServer {
public:
    // `smallReceiveBuffer` shrinks the kernel's buffer, so a server that
    // holds fills up after a few kilobytes.
    explicit ScriptedSmtpServer(std::vector<SmtpStep> script, bool smallReceiveBuffer = false);
    ~ScriptedSmtpServer();

    int Port() const { return port_; }
    // After the script: keeps reading until the client closed (at most
    // `limit`), then returns every byte received.
    std::string Received(std::chrono::milliseconds limit = std::chrono::seconds(10));

private:
    void Run();
    bool ReadUntil(const std::string& until);
    bool Stopping() const;

    std::vector<SmtpStep> script_;
    int listenFd_ = -1;
    int fd_ = -1;
    int port_ = 0;
    std::string received_;
    std::size_t mark_ = 0;
    std::atomic<bool> stop_{false};
    std::atomic<long long> deadline_{std::numeric_limits<long long>::max()};
    std::atomic<bool> peerClosed_{false};
    std::thread thread_;
};

}  // namespace corvy::smtp::testing
