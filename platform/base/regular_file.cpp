#include "base/regular_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>

namespace vantry {

FileDescriptor& FileDescriptor::operator=(FileDescriptor&& other) noexcept {
    if (this != &other) {
        Reset(other.Release());
    }
    return *this;
}

FileDescriptor::~FileDescriptor() {
    Reset();
}

int FileDescriptor::Release() {
    int fd = fd_;
    fd_ = -1;
    return fd;
}

void FileDescriptor::Reset(int fd) {
    if (fd_ >= 0) {
        ::close(fd_);
    }
    fd_ = fd;
}

FileDescriptor OpenRegularFile(const std::string& path) {
    // O_NONBLOCK keeps the open of a FIFO without a writer from waiting;
    // the type check then refuses it before a single read.
    FileDescriptor fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
    if (!fd.valid()) {
        return fd;
    }
    struct stat st {};
    if (::fstat(fd.get(), &st) != 0) {
        return FileDescriptor();
    }
    if (!S_ISREG(st.st_mode)) {
        errno = S_ISDIR(st.st_mode) ? EISDIR : EINVAL;
        return FileDescriptor();
    }
    int flags = ::fcntl(fd.get(), F_GETFL);
    if (flags < 0 || ::fcntl(fd.get(), F_SETFL, flags & ~O_NONBLOCK) < 0) {
        return FileDescriptor();
    }
    return fd;
}

std::optional<std::string> ReadRegularFile(const std::string& path, std::size_t maxBytes) {
    FileDescriptor fd = OpenRegularFile(path);
    if (!fd.valid()) {
        return std::nullopt;
    }
    struct stat st {};
    if (::fstat(fd.get(), &st) != 0 || static_cast<unsigned long long>(st.st_size) > maxBytes) {
        return std::nullopt;
    }
    std::string data;
    data.reserve(static_cast<std::size_t>(st.st_size));
    char buffer[65536];
    for (;;) {
        ssize_t n = ::read(fd.get(), buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0) {
            return std::nullopt;
        }
        if (n == 0) {
            break;
        }
        // A file that grows while it is read is still held to the bound.
        if (data.size() + static_cast<std::size_t>(n) > maxBytes) {
            return std::nullopt;
        }
        data.append(buffer, static_cast<std::size_t>(n));
    }
    return data;
}

}  // namespace vantry
