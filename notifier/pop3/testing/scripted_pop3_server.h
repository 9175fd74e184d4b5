#pragma once
// The shared scripted peer in the POP3 tests' terms: a fixed script played to
// one client byte for byte, every line the client sent recorded. For exact
// POP3 cases that a real server will not produce.

#include <chrono>
#include <string>
#include <vector>

#include "scripted_peer.h"

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

    int Port() const { return peer_.Port(); }
    // Waits until the client closed the connection (at most `limit`), then
    // returns every line it sent, without line ends.
    std::vector<std::string> Lines(std::chrono::milliseconds limit = std::chrono::seconds(10));
    // True when a client connected at all.
    bool Connected() const { return peer_.Connected(); }
    // The lines the client sent so far, while the conversation goes on.
    std::vector<std::string> LinesSoFar() const { return peer_.First().Lines(); }

private:
    vantry::test::ScriptedPeer peer_;
};

}  // namespace corvy::pop3::testing
