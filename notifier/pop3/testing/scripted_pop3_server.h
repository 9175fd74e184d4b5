#pragma once
// A loopback server that plays a fixed script to one client, byte for byte,
// and records every line the client sent. For exact POP3 cases that a real
// server will not produce.

#include <atomic>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

namespace corvy::pop3::testing {

struct ScriptStep {
    enum class Kind { Send, Receive, Close, Hold };
    Kind kind;
    std::string bytes;  // Send only

    static ScriptStep Send(std::string b) { return {Kind::Send, std::move(b)}; }
    // Reads one line from the client (recorded).
    static ScriptStep Receive() { return {Kind::Receive, {}}; }
    // Closes the connection at once.
    static ScriptStep Close() { return {Kind::Close, {}}; }
    // Says nothing more; keeps the connection open until the client closes
    // it (or the server is destroyed).
    static ScriptStep Hold() { return {Kind::Hold, {}}; }
};

class ScriptedPop3Server {
public:
    explicit ScriptedPop3Server(std::vector<ScriptStep> script);
    ~ScriptedPop3Server();

    int Port() const { return port_; }
    // Waits until the client closed the connection (at most `limit`), then
    // returns every line it sent, without line ends.
    std::vector<std::string> Lines(std::chrono::milliseconds limit = std::chrono::seconds(10));
    // True when a client connected at all.
    bool Connected() const { return connected_; }

private:
    void Run();
    void RunScript();
    bool ReadLine(std::string& line, std::chrono::milliseconds limit);

    std::vector<ScriptStep> script_;
    int listenFd_ = -1;
    int fd_ = -1;
    int port_ = 0;
    std::string pending_;
    std::vector<std::string> lines_;
    std::atomic<bool> stop_{false};
    std::atomic<bool> connected_{false};
    std::atomic<bool> done_{false};
    std::thread thread_;
};

}  // namespace corvy::pop3::testing
