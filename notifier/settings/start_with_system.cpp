#include "start_with_system.h"

#include "registry/autostart.h"

namespace corvy::settings {

using vantry::registry::Hive;

std::string InstallFolder(const vantry::profile::Profile& profile,
                          const std::string& programFolder) {
    const std::string installed = profile.GetString("Install", "Directory");
    return installed.empty() ? programFolder : installed;
}

std::string RunCommand(const std::string& installFolder) {
    std::string folder = installFolder;
    while (folder.size() > 1 && folder.back() == '/') {
        folder.pop_back();
    }
    const std::string path = folder + "/corvy";
    // A folder with blanks is quoted so the command line still names one program.
    return path.find(' ') == std::string::npos ? path : "\"" + path + "\"";
}

bool StartsWithSystem(const vantry::registry::Store& store, const std::string& command) {
    vantry::registry::Value value;
    if (store.QueryValue(Hive::LocalMachine, kRunKey, kRunValue, &value) !=
        vantry::registry::kSuccess) {
        return false;
    }
    return value.type == vantry::registry::ValueType::String && value.Text() == command;
}

std::string SetStartWithSystem(vantry::registry::Store& store, bool on,
                               const std::string& command) {
    if (on) {
        // Opening for writing creates the key: a fresh registry has no Run key yet.
        if (store.CreateKey(Hive::LocalMachine, kRunKey) != vantry::registry::kSuccess) {
            return "Error opening registry key";
        }
        if (store.SetValue(Hive::LocalMachine, kRunKey, kRunValue,
                           vantry::registry::Value::String(command)) !=
            vantry::registry::kSuccess) {
            return "Error setting registry key value";
        }
        vantry::registry::MirrorAutostart("corvy", command);
        return {};
    }
    if (store.DeleteValue(Hive::LocalMachine, kRunKey, kRunValue) != vantry::registry::kSuccess) {
        return "Error removing registry key value";
    }
    vantry::registry::MirrorAutostart("corvy", "");
    return {};
}

}  // namespace corvy::settings
