#include "base/atomic_file.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

namespace vantry {
namespace {

void SyncFolder(const std::filesystem::path& folder) {
    const FileDescriptor fd(
        ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (fd.valid()) {
        ::fsync(fd.get());
    }
}

}  // namespace

FileLock::FileLock(const std::filesystem::path& lockPath)
    : fd_(::open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600)) {
    if (!fd_.valid()) {
        error_ = errno;
        return;
    }
    while (::flock(fd_.get(), LOCK_EX) != 0) {
        if (errno != EINTR) {
            error_ = errno;
            return;
        }
    }
}

bool WriteFully(int fd, std::string_view data) {
    std::size_t done = 0;
    while (done < data.size()) {
        const ssize_t n = ::write(fd, data.data() + done, data.size() - done);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    return true;
}

std::string AtomicTemporaryPrefix(const std::filesystem::path& path) {
    return path.filename().string() + ".tmp-";
}

int WriteFileAtomically(const std::filesystem::path& path, std::string_view data,
                        const AtomicWriteOptions& options) {
    std::string temp = (path.parent_path() / (AtomicTemporaryPrefix(path) + "XXXXXX")).string();
    FileDescriptor fd(::mkstemp(temp.data()));
    if (!fd.valid()) {
        return errno;
    }
    const auto fail = [&temp](int err) {
        ::unlink(temp.c_str());
        return err != 0 ? err : EIO;
    };
    if (::fchmod(fd.get(), options.mode) != 0 || !WriteFully(fd.get(), data) ||
        ::fsync(fd.get()) != 0 || ::close(fd.Release()) != 0) {
        return fail(errno);
    }
    if (options.beforeRename) {
        options.beforeRename();
    }
    if (::rename(temp.c_str(), path.c_str()) != 0) {
        return fail(errno);
    }
    SyncFolder(path.parent_path());
    return 0;
}

}  // namespace vantry
