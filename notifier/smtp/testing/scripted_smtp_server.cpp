#include "smtp/testing/scripted_smtp_server.h"

#include <utility>

namespace corvy::smtp::testing {

ScriptedSmtpServer::ScriptedSmtpServer(std::vector<SmtpStep> script, bool smallReceiveBuffer)
    : peer_(std::move(script), {.receiveBuffer = smallReceiveBuffer ? 4096 : 0}) {}

std::string ScriptedSmtpServer::Received(std::chrono::milliseconds limit) {
    const auto connections = peer_.Finish(limit);
    return connections.empty() ? std::string{} : connections.front().All();
}

}  // namespace corvy::smtp::testing
