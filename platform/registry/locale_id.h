#pragma once
// The user's locale as the 8-hex-digit locale identifier the platform keeps
// under HKEY_CURRENT_USER\Control Panel\International "Locale".

#include <string>
#include <string_view>

namespace vantry::registry {

// "de_CH.UTF-8" -> "00000807". A language without a known country gets its
// main country's identifier ("de_BE" -> "00000407"); an unknown language,
// "C" and "POSIX" give the empty string.
std::string LocaleIdFor(std::string_view posixLocale);

// From the first non-empty of LC_ALL, LC_MESSAGES, LANG.
std::string UserLocaleId();

}  // namespace vantry::registry
