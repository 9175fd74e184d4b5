#include "profile/profile.h"

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "base/atomic_file.h"
#include "base/integer.h"
#include "profile/ini_document.h"

namespace vantry::profile {
namespace {

// Profiles are small; a larger file is read only up to this size so a
// damaged or hostile file cannot exhaust memory.
constexpr std::streamsize kMaxProfileBytes = 4 * 1024 * 1024;

std::string ReadAll(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        return {};
    }
    in.seekg(0, std::ios::end);
    const std::streamsize size = std::min<std::streamsize>(in.tellg(), kMaxProfileBytes);
    in.seekg(0);
    if (size <= 0) {
        return {};
    }
    std::string data(static_cast<std::size_t>(size), '\0');
    in.read(data.data(), size);
    data.resize(static_cast<std::size_t>(in.gcount()));
    return data;
}

}  // namespace

std::filesystem::path Profile::DefaultPath() {
    if (const char* env = std::getenv("CORVY_PROFILE"); env != nullptr && *env != '\0') {
        return env;
    }
    std::filesystem::path config;
    if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg != nullptr && *xdg != '\0') {
        config = xdg;
    } else if (const char* home = std::getenv("HOME"); home != nullptr) {
        config = std::filesystem::path(home) / ".config";
    } else {
        config = ".config";
    }
    return config / "corvy.ini";
}

Profile::Profile(std::filesystem::path path) : path_(std::move(path)) {}

int Profile::GetInt(std::string_view section, std::string_view key, int defaultValue) const {
    const auto value = IniDocument::Parse(ReadAll(path_)).Get(section, key);
    return value ? vantry::ParseLeadingInt(*value) : defaultValue;
}

std::string Profile::GetString(std::string_view section, std::string_view key,
                               std::string_view defaultValue) const {
    const auto value = IniDocument::Parse(ReadAll(path_)).Get(section, key);
    return value ? *value : std::string(defaultValue);
}

std::optional<std::string> Profile::Find(std::string_view section, std::string_view key) const {
    return IniDocument::Parse(ReadAll(path_)).Get(section, key);
}

template <typename Change>
bool Profile::Modify(Change change) {
    std::error_code ec;
    if (path_.has_parent_path()) {
        std::filesystem::create_directories(path_.parent_path(), ec);
    }
    // A lock on "<profile>.lock" keeps two writers in different processes from
    // losing each other's keys.
    const vantry::FileLock lock(path_.string() + ".lock");
    IniDocument doc = IniDocument::Parse(ReadAll(path_));
    change(doc);
    return vantry::WriteFileAtomically(path_, doc.Serialize()) == 0;
}

bool Profile::WriteInt(std::string_view section, std::string_view key, int value) {
    return WriteString(section, key, std::to_string(value));
}

bool Profile::WriteString(std::string_view section, std::string_view key, std::string_view value) {
    return Modify([&](IniDocument& doc) { doc.Set(section, key, value); });
}

bool Profile::RemoveKey(std::string_view section, std::string_view key) {
    return Modify([&](IniDocument& doc) { doc.Remove(section, key); });
}

}  // namespace vantry::profile
