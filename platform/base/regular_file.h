#pragma once

// Opening files whose paths come from settings, servers or users. A FIFO,
// device or folder under such a path must never block or be read: only
// regular files are opened, and the open itself cannot wait.

#include <cstddef>
#include <optional>
#include <string>

namespace vantry {

// Owns one file descriptor and closes it once.
class FileDescriptor {
public:
    FileDescriptor() = default;
    explicit FileDescriptor(int fd) : fd_(fd) {}
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    FileDescriptor(FileDescriptor&& other) noexcept : fd_(other.Release()) {}
    FileDescriptor& operator=(FileDescriptor&& other) noexcept;
    ~FileDescriptor();

    int get() const { return fd_; }
    bool valid() const { return fd_ >= 0; }
    int Release();
    void Reset(int fd = -1);

private:
    int fd_ = -1;
};

// Opens PATH read-only when it names a regular file (symbolic links are
// followed). The descriptor is in blocking mode once open. Returns an
// invalid descriptor, with errno set, for anything else.
FileDescriptor OpenRegularFile(const std::string& path);

// Reads a whole regular file of at most MAX_BYTES. Nothing for a missing,
// unreadable, non-regular or larger file.
std::optional<std::string> ReadRegularFile(const std::string& path, std::size_t maxBytes);

}  // namespace vantry
