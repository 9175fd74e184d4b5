#pragma once
// The shared scripted peer in the SMTP tests' terms: a fixed script played to
// one client, every byte it sent recorded, for the exact SMTP cases a real
// server will not produce (odd greetings, silence, a server that stops reading).

#include <chrono>
#include <string>
#include <vector>

#include "scripted_peer.h"

namespace corvy::smtp::testing {

// The shared peer's steps serve as they are: send, expect (until "\r\n" by
// default), close, and hold until the server is destroyed.
using SmtpStep = vantry::test::PeerStep;

class ScriptedSmtpServer {
public:
    // `smallReceiveBuffer` shrinks the kernel's buffer, so a server that
    // holds fills up after a few kilobytes.
    explicit ScriptedSmtpServer(std::vector<SmtpStep> script, bool smallReceiveBuffer = false);

    int Port() const { return peer_.Port(); }
    // Lets a Hold go on, so Received() need not wait out its limit.
    void Release() { peer_.Release(); }
    // After the script: keeps reading until the client closed (at most
    // `limit`), then returns every byte received.
    std::string Received(std::chrono::milliseconds limit = std::chrono::seconds(10));

private:
    vantry::test::ScriptedPeer peer_;
};

}  // namespace corvy::smtp::testing
