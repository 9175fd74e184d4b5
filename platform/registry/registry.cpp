#include "registry/registry.h"

#include "base/ascii.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>

#include "registry/hive_data.h"
#include "registry/hive_file.h"
#include "registry/locale_id.h"

namespace vantry::registry {
namespace {

constexpr std::string_view kLocaleValue = "Locale";

// Runs `look` on the key at `path` as the hive holds it now; nothing when
// the path is malformed or the key missing.
template <class F>
void LookAtKey(const std::filesystem::path& folder, Hive hive, std::string_view path, F look) {
    const auto parts = SplitKeyPath(path);
    if (!parts) {
        return;
    }
    const auto snap = HiveFile(folder, hive).Read();
    if (const KeyNode* key = snap.data.Find(*parts)) {
        look(*key);
    }
}

struct HiveNames {
    Hive hive;
    std::string_view longName;
    std::string_view shortName;
};

constexpr HiveNames kHives[] = {
    {Hive::LocalMachine, "HKEY_LOCAL_MACHINE", "HKLM"},
    {Hive::CurrentUser, "HKEY_CURRENT_USER", "HKCU"},
    {Hive::Users, "HKEY_USERS", "HKU"},
    {Hive::ClassesRoot, "HKEY_CLASSES_ROOT", "HKCR"},
};

std::filesystem::path HomeFolder() {
    if (const char* home = std::getenv("HOME"); home != nullptr && *home != '\0') {
        return home;
    }
    if (const passwd* pw = ::getpwuid(::getuid()); pw != nullptr && pw->pw_dir != nullptr) {
        return pw->pw_dir;
    }
    return "/";
}

// The locale is the one system value we can present; it shows only where
// the international key exists and nobody stored a value of that name.
bool IsLocaleValue(Hive hive, const std::vector<std::string>& parts, std::string_view name) {
    return hive == Hive::CurrentUser && parts.size() == 2 &&
           vantry::EqualsIgnoreAsciiCase(parts[0], "Control Panel") &&
           vantry::EqualsIgnoreAsciiCase(parts[1], "International") &&
           vantry::EqualsIgnoreAsciiCase(name, kLocaleValue);
}

}  // namespace

Value Value::String(std::string_view text) {
    Value v;
    v.type = ValueType::String;
    v.data.resize(text.size() + 1);
    for (std::size_t i = 0; i < text.size(); ++i) {
        v.data[i] = static_cast<std::byte>(text[i]);
    }
    return v;
}

Value Value::Dword(uint32_t number) {
    Value v;
    v.type = ValueType::Dword;
    for (int i = 0; i < 4; ++i) {
        v.data.push_back(static_cast<std::byte>((number >> (8 * i)) & 0xff));
    }
    return v;
}

Value Value::Binary(std::vector<std::byte> bytes) {
    Value v;
    v.type = ValueType::Binary;
    v.data = std::move(bytes);
    return v;
}

std::string Value::Text() const {
    std::string out;
    for (std::byte b : data) {
        if (b == std::byte{0}) {
            break;
        }
        out.push_back(static_cast<char>(b));
    }
    return out;
}

std::string_view HiveName(Hive hive) {
    for (const auto& h : kHives) {
        if (h.hive == hive) {
            return h.longName;
        }
    }
    return {};
}

std::optional<Hive> ParseHive(std::string_view name) {
    for (const auto& h : kHives) {
        if (vantry::EqualsIgnoreAsciiCase(name, h.longName) ||
            vantry::EqualsIgnoreAsciiCase(name, h.shortName)) {
            return h.hive;
        }
    }
    return std::nullopt;
}

std::filesystem::path Store::DefaultFolder() {
    if (const char* dir = std::getenv("VANTRY_REGISTRY"); dir != nullptr && *dir != '\0') {
        return dir;
    }
    const char* config = std::getenv("XDG_CONFIG_HOME");
    const std::filesystem::path base = (config != nullptr && config[0] == '/')
                                           ? std::filesystem::path(config)
                                           : HomeFolder() / ".config";
    return base / "vantry" / "registry";
}

Store::Store(std::filesystem::path folder) : folder_(std::move(folder)) {}

std::filesystem::path Store::HiveFile(Hive hive) const {
    return registry::HiveFile(folder_, hive).Path();
}

bool Store::KeyExists(Hive hive, std::string_view path) const {
    const auto parts = SplitKeyPath(path);
    if (!parts) {
        return false;
    }
    if (parts->empty()) {
        return true;
    }
    return registry::HiveFile(folder_, hive).Read().data.Find(*parts) != nullptr;
}

Status Store::CreateKey(Hive hive, std::string_view path) {
    const auto parts = SplitKeyPath(path);
    if (!parts) {
        return kBadKey;
    }
    return registry::HiveFile(folder_, hive).Update([&](HiveData& data, bool* changed) {
        data.Create(*parts, changed);
        return kSuccess;
    });
}

Status Store::DeleteKey(Hive hive, std::string_view path) {
    const auto parts = SplitKeyPath(path);
    if (!parts) {
        return kBadKey;
    }
    if (parts->empty()) {
        return kAccessDenied;  // a hive's root cannot go
    }
    return registry::HiveFile(folder_, hive).Update([&](HiveData& data, bool* changed) {
        *changed = data.Remove(*parts);
        return *changed ? kSuccess : kNotFound;
    });
}

Status Store::QueryValue(Hive hive, std::string_view path, std::string_view name,
                         Value* out) const {
    const auto parts = SplitKeyPath(path);
    if (!parts) {
        return kBadKey;
    }
    const auto snap = registry::HiveFile(folder_, hive).Read();
    const KeyNode* key = snap.data.Find(*parts);
    if (key == nullptr) {
        return kNotFound;
    }
    if (const NamedValue* nv = key->FindValue(name)) {
        if (out != nullptr) {
            *out = nv->value;
        }
        return kSuccess;
    }
    if (IsLocaleValue(hive, *parts, name)) {
        const std::string id = UserLocaleId();
        if (!id.empty()) {
            if (out != nullptr) {
                *out = Value::String(id);
            }
            return kSuccess;
        }
    }
    return kNotFound;
}

Status Store::SetValue(Hive hive, std::string_view path, std::string_view name,
                       const Value& value) {
    const auto parts = SplitKeyPath(path);
    if (!parts) {
        return kBadKey;
    }
    if (!ValidValueName(name) || value.data.size() > kMaxValueDataBytes) {
        return kInvalidParameter;
    }
    return registry::HiveFile(folder_, hive).Update([&](HiveData& data, bool* changed) {
        KeyNode* key = data.Find(*parts);
        if (key == nullptr) {
            return kNotFound;
        }
        *changed = key->SetValue(name, value);
        return kSuccess;
    });
}

Status Store::DeleteValue(Hive hive, std::string_view path, std::string_view name) {
    const auto parts = SplitKeyPath(path);
    if (!parts) {
        return kBadKey;
    }
    return registry::HiveFile(folder_, hive).Update([&](HiveData& data, bool* changed) {
        KeyNode* key = data.Find(*parts);
        if (key == nullptr) {
            return kNotFound;
        }
        *changed = key->RemoveValue(name);
        return *changed ? kSuccess : kNotFound;
    });
}

std::vector<std::string> Store::SubKeys(Hive hive, std::string_view path) const {
    std::vector<std::string> out;
    LookAtKey(folder_, hive, path, [&](const KeyNode& key) {
        for (const auto& [folded, child] : key.Children()) {
            out.push_back(child->Name());
        }
    });
    return out;
}

std::vector<std::pair<std::string, Value>> Store::Values(Hive hive, std::string_view path) const {
    std::vector<std::pair<std::string, Value>> out;
    LookAtKey(folder_, hive, path, [&](const KeyNode& key) {
        for (const auto& [folded, nv] : key.Values()) {
            out.emplace_back(nv.name, nv.value);
        }
    });
    return out;
}

}  // namespace vantry::registry
