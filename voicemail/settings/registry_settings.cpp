#include "settings/registry_settings.h"

#include <array>

namespace murmel {

namespace {

struct Accessors {
    QString (cRegistry::*get)() const;
    void (cRegistry::*set)(const QString&);
};

// One row per setting, in SettingId order, from the same list as the ids.
// clang-format off
#define MURMEL_ROW_BOTH(name) Accessors{&cRegistry::name, &cRegistry::set##name},
#define MURMEL_ROW_GET(name) Accessors{&cRegistry::name, nullptr},
#define MURMEL_ROW_SET(name) Accessors{nullptr, &cRegistry::set##name},
constexpr std::array kAccessors{MURMEL_SETTINGS(MURMEL_ROW_BOTH, MURMEL_ROW_GET, MURMEL_ROW_SET)};
#undef MURMEL_ROW_BOTH
#undef MURMEL_ROW_GET
#undef MURMEL_ROW_SET
// clang-format on

const Accessors& Row(SettingId id) {
    return kAccessors[static_cast<std::size_t>(id)];
}

}  // namespace

RegistrySettings::RegistrySettings(std::unique_ptr<cRegistry> registry)
    : registry_(std::move(registry)) {}

QString RegistrySettings::Read(SettingId id) const {
    const auto get = Row(id).get;
    return get ? (registry_.get()->*get)() : QString();
}

void RegistrySettings::Write(SettingId id, const QString& value) {
    if (const auto set = Row(id).set) {
        (registry_.get()->*set)(value);
    }
}

}  // namespace murmel
