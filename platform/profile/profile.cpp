#include "profile.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "ini_document.h"

namespace vantry::profile {
namespace {

// Profiles are small; a larger file is read only up to this size so a
// damaged or hostile file cannot exhaust memory.
constexpr std::streamsize kMaxProfileBytes = 4 * 1024 * 1024;

std::string ReadAll(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        return {};
    }
    in.seekg(0, std::ios::end);
    const std::streamsize size = std::min<std::streamsize>(in.tellg(), kMaxProfileBytes);
    in.seekg(0);
    if (size <= 0) {
        return {};
    }
    std::string data(static_cast<std::size_t>(size), '\0');
    in.read(data.data(), size);
    data.resize(static_cast<std::size_t>(in.gcount()));
    return data;
}

bool WriteAllAtomically(const std::filesystem::path& path, const std::string& data) {
    std::string tmp = path.string() + ".XXXXXX";
    const int fd = ::mkstemp(tmp.data());
    if (fd < 0) {
        return false;
    }
    ::fchmod(fd, 0600);
    std::size_t done = 0;
    bool ok = true;
    while (done < data.size()) {
        const ssize_t n = ::write(fd, data.data() + done, data.size() - done);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            ok = false;
            break;
        }
        done += static_cast<std::size_t>(n);
    }
    ok = ok && ::fsync(fd) == 0;
    ok = (::close(fd) == 0) && ok;
    ok = ok && ::rename(tmp.c_str(), path.c_str()) == 0;
    if (!ok) {
        ::unlink(tmp.c_str());
    }
    return ok;
}

// Holds an advisory lock on "<profile>.lock" so two writers in different
// processes do not lose each other's keys.
class LockFile {
public:
    explicit LockFile(const std::filesystem::path& profile) {
        const std::string name = profile.string() + ".lock";
        fd_ = ::open(name.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
        if (fd_ >= 0) {
            while (::flock(fd_, LOCK_EX) != 0 && errno == EINTR) {
            }
        }
    }
    ~LockFile() {
        if (fd_ >= 0) {
            ::close(fd_);
        }
    }
    LockFile(const LockFile&) = delete;
    LockFile& operator=(const LockFile&) = delete;

private:
    int fd_ = -1;
};

}  // namespace

int ParseProfileInt(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) {
        ++i;
    }
    bool negative = false;
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) {
        negative = text[i] == '-';
        ++i;
    }
    long long value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        value = value * 10 + (text[i] - '0');
        if (value > static_cast<long long>(INT_MAX) + 1) {
            value = static_cast<long long>(INT_MAX) + 1;  // saturate, never overflow
        }
    }
    if (negative) {
        value = -value;
    }
    if (value > INT_MAX) {
        value = INT_MAX;
    }
    return static_cast<int>(value);
}

std::filesystem::path Profile::DefaultPath() {
    if (const char* env = std::getenv("CORVY_PROFILE"); env != nullptr && *env != '\0') {
        return env;
    }
    std::filesystem::path config;
    if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg != nullptr && *xdg != '\0') {
        config = xdg;
    } else if (const char* home = std::getenv("HOME"); home != nullptr) {
        config = std::filesystem::path(home) / ".config";
    } else {
        config = ".config";
    }
    return config / "corvy.ini";
}

Profile::Profile(std::filesystem::path path) : path_(std::move(path)) {}

int Profile::GetInt(std::string_view section, std::string_view key, int defaultValue) const {
    const auto value = IniDocument::Parse(ReadAll(path_)).Get(section, key);
    return value ? ParseProfileInt(*value) : defaultValue;
}

std::string Profile::GetString(std::string_view section, std::string_view key,
                               std::string_view defaultValue) const {
    const auto value = IniDocument::Parse(ReadAll(path_)).Get(section, key);
    return value ? *value : std::string(defaultValue);
}

std::optional<std::string> Profile::Find(std::string_view section, std::string_view key) const {
    return IniDocument::Parse(ReadAll(path_)).Get(section, key);
}

template <typename Change>
bool Profile::Modify(Change change) {
    std::error_code ec;
    if (path_.has_parent_path()) {
        std::filesystem::create_directories(path_.parent_path(), ec);
    }
    LockFile lock(path_);
    IniDocument doc = IniDocument::Parse(ReadAll(path_));
    change(doc);
    return WriteAllAtomically(path_, doc.Serialize());
}

bool Profile::WriteInt(std::string_view section, std::string_view key, int value) {
    return WriteString(section, key, std::to_string(value));
}

bool Profile::WriteString(std::string_view section, std::string_view key, std::string_view value) {
    return Modify([&](IniDocument& doc) { doc.Set(section, key, value); });
}

bool Profile::RemoveKey(std::string_view section, std::string_view key) {
    return Modify([&](IniDocument& doc) { doc.Remove(section, key); });
}

}  // namespace vantry::profile
