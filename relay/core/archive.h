#pragma once
// The recording's archive: it must hold exactly one wave file, and reading it
// may not expand beyond a limit, whatever the archive claims.

#include <cstdint>
#include <filesystem>
#include <string>

namespace murmel::relay {

struct ArchiveRegion {
    std::filesystem::path file;  // the archive lies inside this file
    std::uint64_t offset = 0;
    std::uint64_t size = 0;
};

// Reads the one wave entry through. With a non-empty out path its bytes are
// written there (created 0600). False, with a reason, for anything but one
// entry named *.wav that expands to at most maxEntryBytes.
bool ReadWaveEntry(const ArchiveRegion& archive, std::uint64_t maxEntryBytes,
                   const std::filesystem::path& out, std::string* error);

}  // namespace murmel::relay
