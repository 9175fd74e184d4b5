#include "smtp/testing/aiosmtpd_fixture.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <sstream>

#include "base/regular_file.h"
#include "test_env.h"

namespace corvy::smtp::testing {
namespace {

std::string Script(const char* name) {
    return (vantry::test::SourceDir() / "notifier/smtp/testing" / name).string();
}

// Runs Debian's Python with the arguments and returns what it printed.
std::string RunPython(const std::vector<std::string>& args) {
    std::string command = "/usr/bin/python3";
    for (const std::string& a : args) {
        command += " '" + a + "'";
    }
    std::string out;
    if (FILE* pipe = ::popen(command.c_str(), "r")) {
        char buf[4096];
        std::size_t n = 0;
        while ((n = std::fread(buf, 1, sizeof buf, pipe)) > 0) {
            out.append(buf, n);
        }
        ::pclose(pipe);
    }
    return out;
}

}  // namespace

AiosmtpdServer::AiosmtpdServer(const Submission& submission) {
    dir_ = vantry::test::FreshDir("smtp").string();
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0) {
        error_ = "pipe failed";
        return;
    }
    const vantry::FileDescriptor output(fds[0]);
    vantry::FileDescriptor sinkOutput(fds[1]);
    const std::string script = Script("smtp_sink.py");
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::dup2(sinkOutput.get(), STDOUT_FILENO);
        if (submission.mode == "plain") {
            ::execl("/usr/bin/python3", "python3", script.c_str(), dir_.c_str(),
                    static_cast<char*>(nullptr));
        } else {
            ::execl("/usr/bin/python3", "python3", script.c_str(), dir_.c_str(),
                    submission.mode.c_str(), submission.certFile.c_str(),
                    submission.keyFile.c_str(), submission.user.c_str(),
                    submission.password.c_str(), submission.loginOnly ? "login" : "plain",
                    static_cast<char*>(nullptr));
        }
        ::_exit(127);
    }
    sinkOutput.Reset();  // the sink's end: EOF once the sink exits
    if (pid < 0) {
        error_ = "fork failed";
        return;
    }
    pid_ = pid;
    // The sink prints its port once it listens.
    std::string line;
    pollfd p{output.get(), POLLIN, 0};
    while (line.find('\n') == std::string::npos && ::poll(&p, 1, 20000) > 0) {
        char buf[64];
        const ssize_t n = ::read(output.get(), buf, sizeof buf);
        if (n <= 0) {
            break;
        }
        line.append(buf, static_cast<std::size_t>(n));
    }
    port_ = std::atoi(line.c_str());
    if (port_ <= 0) {
        error_ = "aiosmtpd did not start (python3-aiosmtpd installed?)";
    }
}

AiosmtpdServer::~AiosmtpdServer() {
    if (pid_ > 0) {
        ::kill(pid_, SIGTERM);
        int status = 0;
        ::waitpid(pid_, &status, 0);
    }
}

std::string AiosmtpdServer::Envelope(int n) const {
    char name[16];
    std::snprintf(name, sizeof name, "/%04d.env", n);
    return vantry::test::ReadFile(dir_ + name);
}

ParsedMessage AiosmtpdServer::Message(int n) const {
    ParsedMessage m;
    char name[16];
    std::snprintf(name, sizeof name, "/%04d", n);
    const std::string base = dir_ + name;
    if (!std::filesystem::exists(base + ".eml")) {
        return m;
    }
    m.raw = vantry::test::ReadFile(base + ".eml");
    std::istringstream lines(RunPython({Script("parse_message.py"), base + ".eml", base}));
    for (std::string line; std::getline(lines, line);) {
        const std::size_t tab = line.find('\t');
        if (tab == std::string::npos) {
            continue;
        }
        const std::string key = line.substr(0, tab);
        const std::string value = line.substr(tab + 1);
        if (key == "defects") {
            m.defects = std::stoi(value);
        } else if (key == "attachment") {
            m.attachmentNames.push_back(value);
        } else {
            m.headers[key] = value;
        }
    }
    m.body = vantry::test::ReadFile(base + ".body");
    for (std::size_t i = 0; i < m.attachmentNames.size(); ++i) {
        m.attachments.push_back(vantry::test::ReadFile(base + ".att" + std::to_string(i)));
    }
    return m;
}

}  // namespace corvy::smtp::testing
