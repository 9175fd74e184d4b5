#pragma once
// Murmel writes its item in the Windows code page of the sender's locale; the
// item names that locale in X-Language as an 8-hex-digit LCID.

#include <string>
#include <string_view>

namespace murmel::relay {

// The iconv name of the ANSI code page of an LCID ("00000407" -> "CP1252").
// Unknown or malformed locales give CP1252, the code page of English and German.
std::string CodePageOfLocale(std::string_view lcid);

// Text in that code page as UTF-8; bytes the code page does not map become U+FFFD.
std::string DecodeCodePage(std::string_view bytes, const std::string& codePage);

}  // namespace murmel::relay
