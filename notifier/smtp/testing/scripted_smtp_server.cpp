#include "smtp/testing/scripted_smtp_server.h"
#include "loopback.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <stdexcept>

namespace corvy::smtp::testing {

ScriptedSmtpServer::ScriptedSmtpServer(std::vector<SmtpStep> script, bool smallReceiveBuffer)
    : script_(std::move(script)) {
    std::uint16_t port = 0;
    listenFd_ = vantry::test::ListenOnLoopback(4, &port, smallReceiveBuffer ? 4096 : 0);
    port_ = port;
    thread_ = std::thread([this] { Run(); });
}

ScriptedSmtpServer::~ScriptedSmtpServer() {
    stop_ = true;
    if (thread_.joinable()) {
        thread_.join();
    }
    if (fd_ >= 0) {
        ::close(fd_);
    }
    ::close(listenFd_);
}

bool ScriptedSmtpServer::ReadUntil(const std::string& until) {
    for (;;) {
        const std::size_t found = received_.find(until, mark_);
        if (found != std::string::npos) {
            mark_ = found + until.size();
            return true;
        }
        if (Stopping()) {
            return false;
        }
        pollfd p{fd_, POLLIN, 0};
        if (::poll(&p, 1, 20) <= 0) {
            continue;
        }
        char buf[65536];
        const ssize_t n = ::recv(fd_, buf, sizeof buf, 0);
        if (n <= 0) {
            peerClosed_ = true;
            return false;
        }
        received_.append(buf, static_cast<std::size_t>(n));
    }
}

void ScriptedSmtpServer::Run() {
    while (!stop_ && fd_ < 0) {
        pollfd p{listenFd_, POLLIN, 0};
        if (::poll(&p, 1, 20) > 0) {
            fd_ = ::accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC);
        }
    }
    for (const SmtpStep& step : script_) {
        if (stop_ || fd_ < 0) {
            break;
        }
        switch (step.kind) {
            case SmtpStep::Kind::Send:
                ::send(fd_, step.bytes.data(), step.bytes.size(), MSG_NOSIGNAL);
                break;
            case SmtpStep::Kind::Expect:
                if (!ReadUntil(step.bytes)) {
                    return;
                }
                break;
            case SmtpStep::Kind::Close:
                ::close(fd_);
                fd_ = -1;
                peerClosed_ = true;
                break;
            case SmtpStep::Kind::Hold:
                while (!Stopping()) {
                    pollfd p{listenFd_, 0, 0};
                    ::poll(&p, 1, 20);
                }
                break;
        }
    }
    // Whatever the client still sends is recorded until it closes.
    while (fd_ >= 0 && !peerClosed_ && !Stopping()) {
        ReadUntil(std::string(1, '\0') + "never");
    }
}

bool ScriptedSmtpServer::Stopping() const {
    return stop_ || std::chrono::steady_clock::now().time_since_epoch().count() > deadline_;
}

std::string ScriptedSmtpServer::Received(std::chrono::milliseconds limit) {
    deadline_ = (std::chrono::steady_clock::now() + limit).time_since_epoch().count();
    if (thread_.joinable()) {
        thread_.join();
    }
    return received_;
}

}  // namespace corvy::smtp::testing
