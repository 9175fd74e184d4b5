#pragma once
// In-memory tree of one hive: keys with their subkeys and values, names
// matched ignoring (ASCII) case but kept as first written.

#include <cstddef>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "registry/registry.h"

namespace vantry::registry {

// Limits that keep a hostile file or caller from growing memory without bound.
inline constexpr std::size_t kMaxKeyPathBytes = 1024;     // whole path below the hive
inline constexpr std::size_t kMaxKeyDepth = 512;          // nesting levels
inline constexpr std::size_t kMaxKeyNameBytes = 255;      // one path component
inline constexpr std::size_t kMaxValueNameBytes = 16383;  // one value name
inline constexpr std::size_t kMaxValueDataBytes = 1 << 20;
inline constexpr std::size_t kMaxHiveFileBytes = 16 << 20;

// Splits "A\B\C" into its components; a single trailing backslash is
// allowed. Empty when the path is the root. nullopt for a malformed path
// (empty component, control character, beyond the limits).
std::optional<std::vector<std::string>> SplitKeyPath(std::string_view path);

// True when a value name can be stored (no control characters, within limits).
bool ValidValueName(std::string_view name);

struct NamedValue {
    std::string name;
    Value value;
    bool operator==(const NamedValue&) const = default;
};

// One key: its own name (not the path), its values and its subkeys.
class KeyNode {
public:
    explicit KeyNode(std::string name = {}) : name_(std::move(name)) {}

    const std::string& Name() const { return name_; }

    KeyNode* Child(std::string_view name);
    const KeyNode* Child(std::string_view name) const;
    // The existing child, or a new one. Sets *created when it was made.
    KeyNode* AddChild(std::string_view name, bool* created = nullptr);
    bool RemoveChild(std::string_view name);
    const std::map<std::string, std::unique_ptr<KeyNode>>& Children() const { return children_; }

    const NamedValue* FindValue(std::string_view name) const;
    // Returns true when something changed.
    bool SetValue(std::string_view name, const Value& value);
    bool RemoveValue(std::string_view name);
    const std::map<std::string, NamedValue>& Values() const { return values_; }

    bool operator==(const KeyNode& other) const;

private:
    std::string name_;
    std::map<std::string, std::unique_ptr<KeyNode>> children_;  // by folded name
    std::map<std::string, NamedValue> values_;                  // by folded name
};

// A whole hive: the root key and helpers working on component lists.
class HiveData {
public:
    KeyNode& Root() { return root_; }
    const KeyNode& Root() const { return root_; }

    KeyNode* Find(const std::vector<std::string>& path);
    const KeyNode* Find(const std::vector<std::string>& path) const;
    // Creates missing keys along the path; *created tells whether any was made.
    KeyNode* Create(const std::vector<std::string>& path, bool* created = nullptr);
    // Removes the key with its subkeys; false when it was missing. The root stays.
    bool Remove(const std::vector<std::string>& path);

    bool operator==(const HiveData& other) const { return root_ == other.root_; }

private:
    KeyNode root_;
};

}  // namespace vantry::registry
