#include "scripted_pop3_server.h"
#include "loopback.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <stdexcept>

namespace corvy::pop3::testing {

ScriptedPop3Server::ScriptedPop3Server(std::vector<ScriptStep> script)
    : script_(std::move(script)) {
    std::uint16_t port = 0;
    listenFd_ = vantry::test::ListenOnLoopback(4, &port);
    port_ = port;
    thread_ = std::thread([this] { Run(); });
}

ScriptedPop3Server::~ScriptedPop3Server() {
    stop_ = true;
    if (thread_.joinable()) {
        thread_.join();
    }
    if (fd_ >= 0) {
        ::close(fd_);
    }
    ::close(listenFd_);
}

bool ScriptedPop3Server::ReadLine(std::string& line, std::chrono::milliseconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    for (;;) {
        const auto nl = pending_.find('\n');
        if (nl != std::string::npos) {
            line = pending_.substr(0, nl);
            if (!line.empty() && line.back() == '\r') {
                line.pop_back();
            }
            pending_.erase(0, nl + 1);
            return true;
        }
        if (stop_ || std::chrono::steady_clock::now() >= deadline) {
            return false;
        }
        pollfd p{fd_, POLLIN, 0};
        if (::poll(&p, 1, 20) <= 0) {
            continue;
        }
        char buf[4096];
        const ssize_t n = ::recv(fd_, buf, sizeof buf, 0);
        if (n <= 0) {
            return false;
        }
        pending_.append(buf, static_cast<std::size_t>(n));
    }
}

void ScriptedPop3Server::Run() {
    RunScript();
    done_ = true;
}

void ScriptedPop3Server::RunScript() {
    while (!stop_) {
        pollfd p{listenFd_, POLLIN, 0};
        if (::poll(&p, 1, 20) > 0) {
            fd_ = ::accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC);
            break;
        }
    }
    if (fd_ < 0) {
        return;
    }
    connected_ = true;
    for (const ScriptStep& step : script_) {
        std::string line;
        switch (step.kind) {
            case ScriptStep::Kind::Send:
                ::send(fd_, step.bytes.data(), step.bytes.size(), MSG_NOSIGNAL);
                break;
            case ScriptStep::Kind::Receive:
                if (!ReadLine(line, std::chrono::seconds(10))) {
                    return;
                }
                lines_.push_back(line);
                break;
            case ScriptStep::Kind::Close:
                ::shutdown(fd_, SHUT_RDWR);
                return;
            case ScriptStep::Kind::Hold:
                break;
        }
    }
    // Record whatever else arrives until the client hangs up; QUIT is answered
    // as a real server would.
    std::string line;
    while (ReadLine(line, std::chrono::seconds(30))) {
        lines_.push_back(line);
        if (line == "QUIT") {
            ::send(fd_, "+OK bye\r\n", 9, MSG_NOSIGNAL);
        }
    }
}

std::vector<std::string> ScriptedPop3Server::Lines(std::chrono::milliseconds limit) {
    // The thread ends when the client hangs up; past the limit it is told to stop.
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!done_ && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    stop_ = true;
    if (thread_.joinable()) {
        thread_.join();
    }
    return lines_;
}

}  // namespace corvy::pop3::testing
