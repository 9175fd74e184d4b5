#pragma once
// One hive's file in the registry folder: reads without a lock (writes
// replace the file by rename, so a reader sees the old or the new whole
// file) and read-modify-write under an exclusive lock on a lock file.

#include <filesystem>
#include <functional>

#include "registry/hive_data.h"

namespace vantry::registry {

struct HiveSnapshot {
    HiveData data;
    bool exists = false;   // the file was there
    bool readable = true;  // it could be opened and read
    bool complete = true;  // every line was understood
};

class HiveFile {
public:
    HiveFile(std::filesystem::path folder, Hive hive);

    const std::filesystem::path& Path() const { return path_; }
    HiveSnapshot Read() const;

    // Runs `edit` on the current contents under the lock and writes the
    // result atomically when it reports a change and success.
    using Edit = std::function<Status(HiveData& data, bool* changed)>;
    Status Update(const Edit& edit);

private:
    Status WriteLocked(const HiveSnapshot& old, const HiveData& data);
    void KeepBackup() const;
    void RemoveStaleTemporaries() const;

    std::filesystem::path folder_;
    Hive hive_;
    std::filesystem::path path_;
};

namespace testing {
// Called after the temporary file is written and synced, right before the
// rename; lets a test stop a writer at that point.
void SetBeforeRenameHook(void (*hook)());
}  // namespace testing

}  // namespace vantry::registry
