#pragma once
// In-memory form of an INI profile: sections of key=value lines, parsed from
// any bytes (a damaged file yields what can be read) and written back with
// comments and unknown lines kept in place.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vantry::profile {

class IniDocument {
public:
    // Never fails: lines that are neither a section header nor key=value are
    // kept verbatim; entries before the first section header are unreachable,
    // as with the platform's profile functions.
    static IniDocument Parse(std::string_view text);

    std::string Serialize() const;

    // Section and key names match ignoring ASCII case. The first matching
    // section and the first matching key in it win.
    std::optional<std::string> Get(std::string_view section, std::string_view key) const;

    // Replaces the value of an existing key or appends the key to the section
    // (created at the end when missing).
    void Set(std::string_view section, std::string_view key, std::string_view value);

    // Removes the key; no-op when it is missing.
    void Remove(std::string_view section, std::string_view key);

private:
    struct Line {
        bool isEntry = false;
        std::string key;    // entry only, trimmed
        std::string value;  // entry only, decoded
        std::string raw;    // non-entry lines, stored as read
    };
    struct Section {
        std::string name;  // empty for the lines before the first header
        bool hasHeader = false;
        std::vector<Line> lines;
    };

    Section* FindSection(std::string_view name);
    const Section* FindSection(std::string_view name) const;

    std::vector<Section> sections_;
};

}  // namespace vantry::profile
