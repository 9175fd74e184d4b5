#pragma once
// The message texts kept while the header window is open, one file per
// listed message, in a folder only this user can enter. File names are
// random, so nobody can plant a file or link where the next one goes.

#include <optional>
#include <string>
#include <string_view>

namespace corvy::headers {

class MessageFiles {
public:
    // $XDG_RUNTIME_DIR/corvy, or a "corvy-<uid>" folder in the temporary
    // folder when there is no runtime folder.
    static std::string DefaultFolder();

    // Creates the folder (0700) when missing. A folder that is not ours or
    // that others may enter is not used, and a private one is made beside it.
    explicit MessageFiles(std::string folder = DefaultFolder());

    const std::string& Folder() const { return folder_; }

    // Writes a new 0600 file holding `text`; the path, or nothing when the
    // file could not be written (then `path` names what was tried).
    std::optional<std::string> Write(std::string_view text, std::string& path) const;
    // The text of a file written here; nothing when it cannot be read.
    static std::optional<std::string> Read(const std::string& path);
    static void Remove(const std::string& path);
    // Removes every message file in the folder, such as those a crash left.
    void RemoveAll() const;

private:
    std::string folder_;
};

}  // namespace corvy::headers
