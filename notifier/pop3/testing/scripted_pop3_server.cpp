#include "pop3/testing/scripted_pop3_server.h"

namespace corvy::pop3::testing {
namespace {

using vantry::test::PeerStep;

std::vector<PeerStep> PeerScript(const std::vector<ScriptStep>& script) {
    std::vector<PeerStep> steps;
    for (const ScriptStep& step : script) {
        switch (step.kind) {
            case ScriptStep::Kind::Send:
                steps.push_back(PeerStep::Send(step.bytes));
                break;
            case ScriptStep::Kind::Receive:
                steps.push_back(PeerStep::Expect("\n"));
                break;
            case ScriptStep::Kind::Close:
                steps.push_back(PeerStep::ShutDown());
                break;
            case ScriptStep::Kind::Hold:
                // The peer goes on recording after its script anyway.
                break;
        }
    }
    return steps;
}

}  // namespace

// After its script the server answers QUIT as a real server would.
ScriptedPop3Server::ScriptedPop3Server(std::vector<ScriptStep> script)
    : peer_(PeerScript(script), {.answers = {{"QUIT", "+OK bye\r\n"}}}) {}

std::vector<std::string> ScriptedPop3Server::Lines(std::chrono::milliseconds limit) {
    const auto connections = peer_.Finish(limit);
    return connections.empty() ? std::vector<std::string>{} : connections.front().Lines();
}

}  // namespace corvy::pop3::testing
