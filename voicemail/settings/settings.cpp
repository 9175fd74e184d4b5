#include "settings/settings.h"

namespace murmel {

std::string_view SettingName(SettingId id) {
    // clang-format off
#define MURMEL_SETTING_CASE(name) case SettingId::name: return #name;
    switch (id) {
        MURMEL_SETTINGS(MURMEL_SETTING_CASE, MURMEL_SETTING_CASE, MURMEL_SETTING_CASE)
    }
#undef MURMEL_SETTING_CASE
    // clang-format on
    return {};
}

}  // namespace murmel
