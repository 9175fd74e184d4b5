#pragma once
// File-backed registry store: one REGEDIT4-style text file per hive in the
// registry folder. Every call reads the hive anew and every write replaces
// the file atomically under an advisory lock, so two processes sharing the
// folder see each other's values and lose none.

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace vantry::registry {

enum class Hive { LocalMachine, CurrentUser, Users, ClassesRoot };

// Type numbers as the platform defines them.
enum class ValueType : uint32_t { String = 1, Binary = 3, Dword = 4 };

// Result codes as the platform defines them.
enum Status : long {
    kSuccess = 0,
    kNotFound = 2,           // key or value missing
    kAccessDenied = 5,       // file or folder not writable
    kWriteFault = 29,        // the hive file could not be written (disk full, I/O error)
    kInvalidParameter = 87,  // bad value name, or value or hive beyond the size limits
    kBadKey = 1010,          // malformed key path
};

// A value as stored: its type and its raw bytes. A string keeps its
// terminating zero; a DWORD is four little-endian bytes.
struct Value {
    ValueType type = ValueType::String;
    std::vector<std::byte> data;

    static Value String(std::string_view text);
    static Value Dword(uint32_t number);
    static Value Binary(std::vector<std::byte> bytes);

    // The data read as text up to the first zero byte.
    std::string Text() const;
    bool operator==(const Value&) const = default;
};

// "HKEY_LOCAL_MACHINE" and so on; ParseHive accepts the long names and the
// short forms HKLM, HKCU, HKU, HKCR, ignoring case.
std::string_view HiveName(Hive hive);
std::optional<Hive> ParseHive(std::string_view name);

class Store {
public:
    // $VANTRY_REGISTRY, else ${XDG_CONFIG_HOME:-~/.config}/vantry/registry.
    static std::filesystem::path DefaultFolder();

    explicit Store(std::filesystem::path folder = DefaultFolder());

    const std::filesystem::path& Folder() const { return folder_; }
    std::filesystem::path HiveFile(Hive hive) const;

    // Key paths use backslashes; names match ignoring case. An empty path is
    // the hive's root, which always exists. An empty value name is the key's
    // default value.
    bool KeyExists(Hive hive, std::string_view path) const;
    Status CreateKey(Hive hive, std::string_view path);  // makes missing parents
    Status DeleteKey(Hive hive, std::string_view path);  // with its subkeys

    // kNotFound when the key or the value is missing.
    Status QueryValue(Hive hive, std::string_view path, std::string_view name, Value* out) const;
    // kNotFound (and nothing written) when the key is missing.
    Status SetValue(Hive hive, std::string_view path, std::string_view name, const Value& value);
    Status DeleteValue(Hive hive, std::string_view path, std::string_view name);

    std::vector<std::string> SubKeys(Hive hive, std::string_view path) const;
    std::vector<std::pair<std::string, Value>> Values(Hive hive, std::string_view path) const;

private:
    std::filesystem::path folder_;
};

}  // namespace vantry::registry
