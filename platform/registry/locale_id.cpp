#include "registry/locale_id.h"

#include "base/ascii.h"

#include <cstdio>
#include <cstdlib>

#include "registry/hive_data.h"

namespace vantry::registry {
namespace {

struct LocaleEntry {
    const char* name;  // language_COUNTRY; the first entry of a language is its default
    unsigned id;
};

constexpr LocaleEntry kLocales[] = {
    {"en_US", 0x0409}, {"en_GB", 0x0809}, {"en_AU", 0x0C09}, {"en_CA", 0x1009}, {"en_NZ", 0x1409},
    {"en_IE", 0x1809}, {"en_ZA", 0x1C09}, {"en_IN", 0x4009}, {"en_SG", 0x4809}, {"de_DE", 0x0407},
    {"de_CH", 0x0807}, {"de_AT", 0x0C07}, {"de_LU", 0x1007}, {"de_LI", 0x1407}, {"fr_FR", 0x040C},
    {"fr_BE", 0x080C}, {"fr_CA", 0x0C0C}, {"fr_CH", 0x100C}, {"fr_LU", 0x140C}, {"it_IT", 0x0410},
    {"it_CH", 0x0810}, {"es_ES", 0x0C0A}, {"es_MX", 0x080A}, {"es_AR", 0x2C0A}, {"es_CO", 0x240A},
    {"es_CL", 0x340A}, {"es_US", 0x540A}, {"pt_BR", 0x0416}, {"pt_PT", 0x0816}, {"nl_NL", 0x0413},
    {"nl_BE", 0x0813}, {"sv_SE", 0x041D}, {"sv_FI", 0x081D}, {"da_DK", 0x0406}, {"nb_NO", 0x0414},
    {"no_NO", 0x0414}, {"nn_NO", 0x0814}, {"fi_FI", 0x040B}, {"is_IS", 0x040F}, {"pl_PL", 0x0415},
    {"cs_CZ", 0x0405}, {"sk_SK", 0x041B}, {"hu_HU", 0x040E}, {"ro_RO", 0x0418}, {"bg_BG", 0x0402},
    {"hr_HR", 0x041A}, {"sl_SI", 0x0424}, {"sr_RS", 0x241A}, {"ru_RU", 0x0419}, {"uk_UA", 0x0422},
    {"be_BY", 0x0423}, {"et_EE", 0x0425}, {"lv_LV", 0x0426}, {"lt_LT", 0x0427}, {"el_GR", 0x0408},
    {"tr_TR", 0x041F}, {"he_IL", 0x040D}, {"ar_SA", 0x0401}, {"ar_EG", 0x0C01}, {"fa_IR", 0x0429},
    {"hi_IN", 0x0439}, {"th_TH", 0x041E}, {"vi_VN", 0x042A}, {"id_ID", 0x0421}, {"ms_MY", 0x043E},
    {"ja_JP", 0x0411}, {"ko_KR", 0x0412}, {"zh_CN", 0x0804}, {"zh_TW", 0x0404}, {"zh_HK", 0x0C04},
    {"zh_SG", 0x1004}, {"ca_ES", 0x0403}, {"eu_ES", 0x042D}, {"gl_ES", 0x0456},
};

std::string Format(unsigned id) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%08X", id);
    return buf;
}

}  // namespace

std::string LocaleIdFor(std::string_view locale) {
    // language[_COUNTRY][.encoding][@modifier]
    locale = locale.substr(0, locale.find_first_of(".@"));
    const std::size_t underscore = locale.find('_');
    const std::string_view language = locale.substr(0, underscore);
    if (language.size() < 2 || language.size() > 3) {
        return {};
    }
    const std::string_view country =
        underscore == std::string_view::npos ? std::string_view{} : locale.substr(underscore + 1);
    const LocaleEntry* fallback = nullptr;
    for (const auto& entry : kLocales) {
        const std::string_view name(entry.name);
        if (!vantry::EqualsIgnoreAsciiCase(name.substr(0, 2), language) || language.size() != 2) {
            continue;
        }
        if (fallback == nullptr) {
            fallback = &entry;
        }
        if (vantry::EqualsIgnoreAsciiCase(name.substr(3), country)) {
            return Format(entry.id);
        }
    }
    return fallback ? Format(fallback->id) : std::string{};
}

std::string UserLocaleId() {
    for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const char* value = std::getenv(name);
        if (value != nullptr && *value != '\0') {
            return LocaleIdFor(value);
        }
    }
    return {};
}

}  // namespace vantry::registry
