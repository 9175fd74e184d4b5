#include "registry/hive_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <ctime>
#include <string>

#include "base/atomic_file.h"
#include "registry/hive_text.h"

namespace vantry::registry {
namespace {

void (*g_beforeRename)() = nullptr;

Status FromErrno(int err) {
    return (err == EACCES || err == EPERM || err == EROFS) ? kAccessDenied : kWriteFault;
}

// Makes the folder and its missing parents; new folders are private.
int MakeFolder(const std::filesystem::path& folder) {
    std::filesystem::path partial;
    for (const auto& part : folder) {
        partial /= part;
        if (::mkdir(partial.c_str(), 0700) != 0 && errno != EEXIST) {
            return errno;
        }
    }
    struct stat st {};
    if (::stat(folder.c_str(), &st) != 0) {
        return errno;
    }
    return S_ISDIR(st.st_mode) ? 0 : ENOTDIR;
}

}  // namespace

namespace testing {
void SetBeforeRenameHook(void (*hook)()) {
    g_beforeRename = hook;
}
}  // namespace testing

HiveFile::HiveFile(std::filesystem::path folder, Hive hive)
    : folder_(std::move(folder)),
      hive_(hive),
      path_(folder_ / (std::string(HiveName(hive)) + ".reg")) {}

HiveSnapshot HiveFile::Read() const {
    HiveSnapshot snap;
    const FileDescriptor fd(::open(path_.c_str(), O_RDONLY | O_CLOEXEC));
    if (!fd.valid()) {
        snap.readable = errno == ENOENT;
        snap.complete = snap.readable;
        return snap;
    }
    snap.exists = true;
    // One byte beyond the limit tells an oversized file from a full one.
    std::string bytes;
    char buf[65536];
    while (bytes.size() <= kMaxHiveFileBytes) {
        const ssize_t n = ::read(fd.get(), buf, sizeof buf);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            snap.readable = false;
            snap.complete = false;
            return snap;
        }
        if (n == 0) {
            break;
        }
        bytes.append(buf, static_cast<std::size_t>(n));
    }
    auto parsed = ParseHiveText(bytes, hive_);
    snap.data = std::move(parsed.data);
    snap.complete = parsed.complete;
    return snap;
}

Status HiveFile::Update(const Edit& edit) {
    if (const int err = MakeFolder(folder_); err != 0) {
        return FromErrno(err);
    }
    const FileLock lock(folder_ / (std::string(HiveName(hive_)) + ".lock"));
    if (lock.error() != 0) {
        return FromErrno(lock.error());
    }
    HiveSnapshot old = Read();
    if (!old.readable) {
        // Writing now would replace values we could not even see.
        return kAccessDenied;
    }
    HiveData data = std::move(old.data);
    bool changed = false;
    const Status status = edit(data, &changed);
    if (status != kSuccess || !changed) {
        return status;
    }
    return WriteLocked(old, data);
}

Status HiveFile::WriteLocked(const HiveSnapshot& old, const HiveData& data) {
    const std::string text = SerializeHive(data, hive_);
    if (text.size() > kMaxHiveFileBytes) {
        return kInvalidParameter;
    }
    // Only a writer holding the lock has a temporary file, so any left
    // over belongs to a writer that died.
    RemoveStaleTemporaries();
    AtomicWriteOptions options;
    options.beforeRename = [&] {
        if (g_beforeRename != nullptr) {
            g_beforeRename();
        }
        if (old.exists && !old.complete) {
            KeepBackup();
        }
    };
    const int err = WriteFileAtomically(path_, text, options);
    return err == 0 ? kSuccess : FromErrno(err);
}

// Keeps the file that did not fully parse as NAME.reg.damaged-TIME[-N].
void HiveFile::KeepBackup() const {
    char stamp[32];
    const std::time_t now = std::time(nullptr);
    std::tm tm{};
    ::localtime_r(&now, &tm);
    std::strftime(stamp, sizeof stamp, "%Y%m%d-%H%M%S", &tm);
    const std::string base = path_.string() + ".damaged-" + stamp;
    for (int n = 0; n < 1000; ++n) {
        const std::string name = n == 0 ? base : base + "-" + std::to_string(n);
        if (::link(path_.c_str(), name.c_str()) == 0) {
            // The old name is about to be replaced, so this only narrows the backup.
            ::chmod(name.c_str(), 0600);
            return;
        }
        if (errno == EEXIST) {
            continue;
        }
        std::error_code ec;
        std::filesystem::copy_file(path_, name, ec);
        if (!ec) {
            ::chmod(name.c_str(), 0600);
            return;
        }
        if (!std::filesystem::exists(name)) {
            return;
        }
    }
}

void HiveFile::RemoveStaleTemporaries() const {
    const std::string prefix = AtomicTemporaryPrefix(path_);
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(folder_, ec)) {
        if (entry.path().filename().string().starts_with(prefix)) {
            std::error_code ignored;
            std::filesystem::remove(entry.path(), ignored);
        }
    }
}

}  // namespace vantry::registry
