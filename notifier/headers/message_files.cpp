#include "headers/message_files.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <vector>

#include "base/regular_file.h"

namespace corvy::headers {
namespace {

constexpr const char* kPrefix = "msg-";
// A kept message is at most the peek limit (99 lines of 1 KB plus headers).
constexpr std::size_t kMaxKept = 1 << 20;

bool IsPrivateFolder(const std::string& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == ::geteuid() &&
           (st.st_mode & 077) == 0;
}

// Creates `path` 0700, or accepts it when it already is a private folder of
// ours. Anything else under that name (another user's folder, a link, a
// folder others may enter) is refused.
bool EnsurePrivateFolder(const std::string& path) {
    if (::mkdir(path.c_str(), 0700) == 0) {
        return IsPrivateFolder(path);
    }
    return errno == EEXIST && IsPrivateFolder(path);
}

std::string TempRoot() {
    const char* tmp = std::getenv("TMPDIR");
    return tmp != nullptr && tmp[0] == '/' ? tmp : "/tmp";
}

bool WriteAll(int fd, std::string_view text) {
    while (!text.empty()) {
        const ssize_t n = ::write(fd, text.data(), text.size());
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return false;
        }
        text.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

}  // namespace

std::string MessageFiles::DefaultFolder() {
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (runtime != nullptr && runtime[0] == '/') {
        return std::string(runtime) + "/corvy";
    }
    return TempRoot() + "/corvy-" + std::to_string(::geteuid());
}

MessageFiles::MessageFiles(std::string folder) : folder_(std::move(folder)) {
    if (EnsurePrivateFolder(folder_)) {
        return;
    }
    // Someone else holds the name: a fresh folder with a random name instead.
    std::string pattern = TempRoot() + "/corvy-XXXXXX";
    folder_ = ::mkdtemp(pattern.data()) != nullptr ? pattern : std::string();
}

std::optional<std::string> MessageFiles::Write(std::string_view text, std::string& path) const {
    std::string name = folder_ + "/" + kPrefix + "XXXXXX";
    path = name;
    if (folder_.empty()) {
        return std::nullopt;
    }
    // mkstemp creates the file 0600 and never opens an existing one.
    vantry::FileDescriptor fd(::mkostemp(name.data(), O_CLOEXEC));
    if (!fd.valid()) {
        return std::nullopt;
    }
    path = name;
    const bool written = WriteAll(fd.get(), text);
    if (::close(fd.Release()) != 0 || !written) {
        ::unlink(name.c_str());
        return std::nullopt;
    }
    return name;
}

std::optional<std::string> MessageFiles::Read(const std::string& path) {
    return vantry::ReadRegularFile(path, kMaxKept);
}

void MessageFiles::Remove(const std::string& path) {
    if (!path.empty()) {
        ::unlink(path.c_str());
    }
}

void MessageFiles::RemoveAll() const {
    if (folder_.empty()) {
        return;
    }
    std::error_code ec;
    std::vector<std::filesystem::path> found;
    for (const auto& entry : std::filesystem::directory_iterator(folder_, ec)) {
        if (entry.path().filename().string().rfind(kPrefix, 0) == 0) {
            found.push_back(entry.path());
        }
    }
    for (const auto& p : found) {
        std::filesystem::remove(p, ec);
    }
}

}  // namespace corvy::headers
