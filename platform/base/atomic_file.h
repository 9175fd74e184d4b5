#pragma once
// Writing a settings file so that readers and crashes see either the old or
// the new contents, never a mixture, and two writers do not lose each
// other's changes.

#include <sys/types.h>

#include <filesystem>
#include <functional>
#include <string>
#include <string_view>

#include "base/regular_file.h"

namespace vantry {

// Holds an exclusive advisory lock (flock) on LOCK_PATH, created 0600 when
// missing, until destroyed. Waits for another holder to let go.
class FileLock {
public:
    explicit FileLock(const std::filesystem::path& lockPath);
    // 0 once locked, else the errno of the open or the lock.
    int error() const { return error_; }

private:
    FileDescriptor fd_;
    int error_ = 0;
};

// Writes all of DATA to FD, resuming after signals. False on any error.
bool WriteFully(int fd, std::string_view data);

struct AtomicWriteOptions {
    mode_t mode = 0600;
    // Runs after the new contents are durable and before they replace PATH.
    std::function<void()> beforeRename;
};

// Replaces PATH by DATA: a temporary file beside it (named
// AtomicTemporaryPrefix(PATH) + 6 characters) is written, synced, given
// MODE and renamed over PATH, then the folder is synced. Returns 0 or the
// errno of the step that failed; the temporary file is then gone.
int WriteFileAtomically(const std::filesystem::path& path, std::string_view data,
                        const AtomicWriteOptions& options = {});

// The name prefix of WriteFileAtomically's temporary files for PATH, for
// removing those a killed writer left behind.
std::string AtomicTemporaryPrefix(const std::filesystem::path& path);

}  // namespace vantry
