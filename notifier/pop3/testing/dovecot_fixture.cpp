#include "dovecot_fixture.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <pwd.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "base/regular_file.h"
#include "pop3/testing/temp_folder.h"

namespace fs = std::filesystem;

namespace corvy::pop3::testing {
namespace {

// Waits until the child ends, at most `limit`; true when it ended. A pidfd
// turns the wait into an event instead of a polling loop.
bool WaitForExit(pid_t pid, std::chrono::milliseconds limit) {
    const vantry::FileDescriptor fd(static_cast<int>(::syscall(SYS_pidfd_open, pid, 0)));
    if (!fd.valid()) {
        return false;
    }
    pollfd p{fd.get(), POLLIN, 0};
    return ::poll(&p, 1, static_cast<int>(limit.count())) > 0;
}

int FreePort() {
    const vantry::FileDescriptor fd(::socket(AF_INET, SOCK_STREAM, 0));
    sockaddr_in sa{};
    sa.sin_family = AF_INET;
    sa.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof sa;
    int port = 0;
    if (::bind(fd.get(), reinterpret_cast<sockaddr*>(&sa), sizeof sa) == 0 &&
        ::getsockname(fd.get(), reinterpret_cast<sockaddr*>(&sa), &len) == 0) {
        port = ntohs(sa.sin_port);
    }
    return port;
}

bool Accepts(int port) {
    const vantry::FileDescriptor fd(::socket(AF_INET, SOCK_STREAM, 0));
    sockaddr_in sa{};
    sa.sin_family = AF_INET;
    sa.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    sa.sin_port = htons(static_cast<uint16_t>(port));
    return ::connect(fd.get(), reinterpret_cast<sockaddr*>(&sa), sizeof sa) == 0;
}

void WriteText(const fs::path& path, const std::string& text) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text;
}

}  // namespace

DovecotServer::DovecotServer(std::vector<User> users, Certificate tls) {
    // The server's own accounts must reach the folders, so they live in
    // /tmp with open search permissions rather than in the private test root.
    root_ = MakeServerFolder("corvy-dovecot");
    if (root_.empty()) {
        error_ = "mkdtemp failed";
        return;
    }

    std::string loginUser = "dovenull";
    std::string internalUser = "dovecot";
    if (::getuid() != 0) {
        // Without root the server runs everything as the current user.
        const passwd* me = ::getpwuid(::getuid());
        loginUser = internalUser = me != nullptr ? me->pw_name : "nobody";
    }
    const passwd* owner = ::getpwnam(internalUser.c_str());
    if (owner == nullptr) {
        error_ = "no account " + internalUser;
        return;
    }
    uid_ = static_cast<int>(owner->pw_uid);
    gid_ = static_cast<int>(owner->pw_gid);

    fs::create_directories(root_ + "/mail");
    ::chmod((root_ + "/mail").c_str(), 0755);
    std::string passwd;
    for (const User& u : users) {
        const std::string home = root_ + "/mail/" + u.name;
        for (const char* sub : {"", "/new", "/cur", "/tmp"}) {
            fs::create_directories(home + sub);
            ::chown((home + sub).c_str(), static_cast<uid_t>(uid_), static_cast<gid_t>(gid_));
        }
        ::chown((root_ + "/mail").c_str(), static_cast<uid_t>(uid_), static_cast<gid_t>(gid_));
        passwd += u.name + ":{PLAIN}" + u.password + ":" + std::to_string(uid_) + ":" +
                  std::to_string(gid_) + "::" + home + "::\n";
    }
    WriteText(root_ + "/passwd", passwd);
    ::chmod((root_ + "/passwd").c_str(), 0644);

    port_ = FreePort();
    const bool secure = !tls.certFile.empty();
    std::string ssl = "ssl = no\n";
    std::string pop3s;
    if (secure) {
        tlsPort_ = FreePort();
        ssl = "ssl = required\nssl_min_protocol = TLSv1.2\nssl_cert = <" + tls.certFile +
              "\nssl_key = <" + tls.keyFile + "\n";
        pop3s = "  inet_listener pop3s {\n    address = 127.0.0.1\n    port = " +
                std::to_string(tlsPort_) + "\n    ssl = yes\n  }\n";
    }
    const std::string conf = root_ + "/dovecot.conf";
    WriteText(conf,
              "base_dir = " + root_ +
                  "/run\n"
                  "state_dir = " +
                  root_ +
                  "/state\n"
                  "log_path = " +
                  root_ +
                  "/dovecot.log\n"
                  "instance_name = corvy-test-" +
                  std::to_string(port_) +
                  "\n"
                  "protocols = pop3\n"
                  "listen = 127.0.0.1\n" +
                  ssl + (secure ? "" : "disable_plaintext_auth = no\n") +
                  "auth_mechanisms = plain\n"
                  "default_login_user = " +
                  loginUser +
                  "\n"
                  "default_internal_user = " +
                  internalUser +
                  "\n"
                  "first_valid_uid = 1\n"
                  "mail_location = maildir:~\n"
                  "pop3_uidl_format = %08Xu%08Xv\n"
                  "auth_failure_delay = 0\n"
                  "service pop3-login {\n  inet_listener pop3 {\n    address = 127.0.0.1\n"
                  "    port = " +
                  std::to_string(port_) + "\n  }\n" + (secure ? pop3s : std::string()) + "}\n" +
                  "service imap-login {\n  inet_listener imap {\n    port = 0\n  }\n}\n"
                  "service anvil {\n  unix_listener anvil-auth-penalty {\n    mode = 0\n  }\n}\n"
                  "passdb {\n  driver = passwd-file\n  args = " +
                  root_ +
                  "/passwd\n}\n"
                  "userdb {\n  driver = passwd-file\n  args = " +
                  root_ + "/passwd\n}\n");

    const pid_t pid = ::fork();
    if (pid == 0) {
        ::execl("/usr/sbin/dovecot", "dovecot", "-F", "-c", conf.c_str(),
                static_cast<char*>(nullptr));
        ::_exit(127);
    }
    if (pid < 0) {
        error_ = "fork failed";
        return;
    }
    pid_ = pid;
    // Dovecot tells nobody when it listens: between tries the wait ends at
    // once should it exit instead.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(15);
    while (std::chrono::steady_clock::now() < deadline) {
        int status = 0;
        if (WaitForExit(pid_, std::chrono::milliseconds(50)) &&
            ::waitpid(pid_, &status, WNOHANG) == pid_) {
            pid_ = -1;
            std::ifstream log(root_ + "/dovecot.log");
            error_ = "dovecot ended: " + std::string(std::istreambuf_iterator<char>(log),
                                                     std::istreambuf_iterator<char>());
            return;
        }
        if (Accepts(port_)) {
            return;
        }
    }
    error_ = "dovecot did not listen";
}

DovecotServer::~DovecotServer() {
    if (pid_ > 0) {
        ::kill(pid_, SIGTERM);
        if (!WaitForExit(pid_, std::chrono::seconds(10))) {
            ::kill(pid_, SIGKILL);
        }
        int status = 0;
        ::waitpid(pid_, &status, 0);
    }
    if (!root_.empty()) {
        std::error_code ec;
        fs::remove_all(root_, ec);
    }
}

std::string DovecotServer::MailDir(const std::string& user) const {
    return root_ + "/mail/" + user;
}

void DovecotServer::Deliver(const std::string& user, const std::string& message) {
    // Names sort in delivery order, which is the order the server numbers them.
    char name[64];
    std::snprintf(name, sizeof name, "%010u.M%uP%d.corvytest", 1700000000u + serial_, serial_,
                  static_cast<int>(::getpid()));
    ++serial_;
    const std::string tmp = MailDir(user) + "/tmp/" + name;
    WriteText(tmp, message);
    ::chown(tmp.c_str(), static_cast<uid_t>(uid_), static_cast<gid_t>(gid_));
    fs::rename(tmp, MailDir(user) + "/new/" + name);
}

int DovecotServer::StoredCount(const std::string& user) const {
    int n = 0;
    for (const char* sub : {"/new", "/cur"}) {
        std::error_code ec;
        for (const auto& e : fs::directory_iterator(MailDir(user) + sub, ec)) {
            (void)e;
            ++n;
        }
    }
    return n;
}

void DovecotServer::Clear(const std::string& user) {
    for (const char* sub : {"/new", "/cur"}) {
        std::error_code ec;
        for (const auto& e : fs::directory_iterator(MailDir(user) + sub, ec)) {
            fs::remove(e.path(), ec);
        }
    }
}

}  // namespace corvy::pop3::testing
