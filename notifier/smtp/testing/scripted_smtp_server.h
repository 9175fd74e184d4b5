#pragma once
// The shared scripted peer in the SMTP tests' terms: a fixed script played to
// one client, every byte it sent recorded, for the exact SMTP cases a real
// server will not produce (odd greetings, silence, a server that stops reading).

#include <chrono>
#include <string>
#include <vector>

#include "scripted_peer.h"

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

    int Port() const { return peer_.Port(); }
    // After the script: keeps reading until the client closed (at most
    // `limit`), then returns every byte received.
    std::string Received(std::chrono::milliseconds limit = std::chrono::seconds(10));

private:
    vantry::test::ScriptedPeer peer_;
};

}  // namespace corvy::smtp::testing
