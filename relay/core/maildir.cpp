#include "core/maildir.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "base/regular_file.h"
#include "core/spool.h"

namespace murmel::relay {

namespace fs = std::filesystem;

std::string MaildirName(std::int64_t received, const std::string& itemId,
                        const std::string& hostName) {
    std::string host;
    for (char c : hostName) {
        if (c == '/') {
            host += "\\057";
        } else if (c == ':') {
            host += "\\072";
        } else {
            host += c;
        }
    }
    return std::to_string(received) + "." + itemId + "." + (host.empty() ? "localhost" : host);
}

Maildir::Maildir(fs::path root) : root_(std::move(root)) {}

bool Maildir::Prepare(std::string* error) {
    std::error_code ec;
    for (const char* sub : {"tmp", "new", "cur"}) {
        fs::create_directories(root_ / sub, ec);
        if (ec) {
            *error = "cannot create " + (root_ / sub).string() + ": " + ec.message();
            return false;
        }
        ::chmod((root_ / sub).c_str(), 0700);
    }
    ::chmod(root_.c_str(), 0700);
    return true;
}

bool Maildir::Has(const std::string& name) const {
    std::error_code ec;
    if (fs::exists(root_ / "new" / name, ec)) {
        return true;
    }
    for (const auto& entry : fs::directory_iterator(root_ / "cur", ec)) {
        const std::string seen = entry.path().filename().string();
        if (seen == name || seen.starts_with(name + ":")) {
            return true;
        }
    }
    return false;
}

bool Maildir::Deliver(const std::string& name,
                      const std::function<bool(int fd, std::string* error)>& write,
                      std::string* error) {
    const fs::path temp = root_ / "tmp" / name;
    vantry::FileDescriptor fd(
        ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW, 0600));
    if (!fd.valid()) {
        *error = "cannot create " + temp.string() + ": " + std::strerror(errno);
        return false;
    }
    if (!write(fd.get(), error)) {
        ::unlink(temp.c_str());
        return false;
    }
    if (::fsync(fd.get()) != 0) {
        *error = std::string("fsync of the message: ") + std::strerror(errno);
        ::unlink(temp.c_str());
        return false;
    }
    fd.Reset();
    if (::rename(temp.c_str(), (root_ / "new" / name).c_str()) != 0) {
        *error = std::string("cannot move the message into new/: ") + std::strerror(errno);
        ::unlink(temp.c_str());
        return false;
    }
    SyncDir(root_ / "new");
    return true;
}

}  // namespace murmel::relay
