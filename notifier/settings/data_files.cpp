#include "data_files.h"

#include <cstdlib>
#include <filesystem>
#include <system_error>

namespace corvy::settings {

std::string UserDataFolder() {
    const char* config = std::getenv("XDG_CONFIG_HOME");
    if (config != nullptr && config[0] == '/') {
        return std::string(config) + "/corvy";
    }
    const char* home = std::getenv("HOME");
    return std::string(home != nullptr ? home : "") + "/.config/corvy";
}

std::string InstalledDataFolder(const std::string& programFolder) {
    const char* overridden = std::getenv("CORVY_DATA_DIR");
    if (overridden != nullptr && overridden[0] != '\0') {
        return overridden;
    }
    return (std::filesystem::path(programFolder) / ".." / "share" / "corvy")
        .lexically_normal()
        .string();
}

std::string ResolveDataFile(std::string_view name, const std::string& installedDataFolder) {
    if (!name.empty() && name.front() == '/') {
        return std::string(name);
    }
    const std::string own = UserDataFolder() + "/" + std::string(name);
    std::error_code ec;
    if (std::filesystem::is_regular_file(own, ec)) {
        return own;
    }
    return installedDataFolder + "/" + std::string(name);
}

}  // namespace corvy::settings
