#include "smtp/testing/scripted_smtp_server.h"

namespace corvy::smtp::testing {
namespace {

using vantry::test::PeerStep;

std::vector<PeerStep> PeerScript(const std::vector<SmtpStep>& script) {
    std::vector<PeerStep> steps;
    for (const SmtpStep& step : script) {
        switch (step.kind) {
            case SmtpStep::Kind::Send:
                steps.push_back(PeerStep::Send(step.bytes));
                break;
            case SmtpStep::Kind::Expect:
                steps.push_back(PeerStep::Expect(step.bytes));
                break;
            case SmtpStep::Kind::Close:
                steps.push_back(PeerStep::Close());
                break;
            case SmtpStep::Kind::Hold:
                steps.push_back(PeerStep::Hold());
                break;
        }
    }
    return steps;
}

}  // namespace

ScriptedSmtpServer::ScriptedSmtpServer(std::vector<SmtpStep> script, bool smallReceiveBuffer)
    : peer_(PeerScript(script), {.receiveBuffer = smallReceiveBuffer ? 4096 : 0}) {}

std::string ScriptedSmtpServer::Received(std::chrono::milliseconds limit) {
    const auto connections = peer_.Finish(limit);
    return connections.empty() ? std::string{} : connections.front().All();
}

}  // namespace corvy::smtp::testing
