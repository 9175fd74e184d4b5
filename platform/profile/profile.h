#pragma once
// The notifier's profile: an INI file read and written one key at a time
// with the platform's profile semantics (names match ignoring case, integers
// are decimal text, a missing key reads as the caller's default, the file is
// created by the first write). Every write re-reads the file and replaces it
// atomically with mode 0600 under an advisory lock.

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace vantry::profile {

class Profile {
public:
    // $CORVY_PROFILE, else ${XDG_CONFIG_HOME:-~/.config}/corvy.ini.
    static std::filesystem::path DefaultPath();

    explicit Profile(std::filesystem::path path = DefaultPath());

    const std::filesystem::path& Path() const { return path_; }

    // Leading blanks, an optional sign and decimal digits; a value without
    // digits reads as 0, a missing key as the default.
    int GetInt(std::string_view section, std::string_view key, int defaultValue) const;
    std::string GetString(std::string_view section, std::string_view key,
                          std::string_view defaultValue = {}) const;

    // The stored text, or nothing when the key is missing.
    std::optional<std::string> Find(std::string_view section, std::string_view key) const;

    // False when the file could not be written (nothing changed then).
    bool WriteInt(std::string_view section, std::string_view key, int value);
    bool WriteString(std::string_view section, std::string_view key, std::string_view value);
    bool RemoveKey(std::string_view section, std::string_view key);

private:
    template <typename Change>
    bool Modify(Change change);

    std::filesystem::path path_;
};

}  // namespace vantry::profile
