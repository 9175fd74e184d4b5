#include "core/code_page.h"

#include <iconv.h>

#include <cerrno>

#include "base/integer.h"

namespace murmel::relay {

namespace {

struct Mapping {
    unsigned primaryLanguage;  // low ten bits of the LCID
    const char* codePage;
};

// Primary languages whose ANSI code page is not 1252.
constexpr Mapping kCodePages[] = {
    {0x05, "CP1250"}, {0x0e, "CP1250"}, {0x15, "CP1250"}, {0x18, "CP1250"}, {0x1b, "CP1250"},
    {0x24, "CP1250"}, {0x1c, "CP1250"}, {0x02, "CP1251"}, {0x19, "CP1251"}, {0x22, "CP1251"},
    {0x23, "CP1251"}, {0x2f, "CP1251"}, {0x3f, "CP1251"}, {0x40, "CP1251"}, {0x44, "CP1251"},
    {0x08, "CP1253"}, {0x1f, "CP1254"}, {0x0d, "CP1255"}, {0x01, "CP1256"}, {0x29, "CP1256"},
    {0x20, "CP1256"}, {0x25, "CP1257"}, {0x26, "CP1257"}, {0x27, "CP1257"}, {0x2a, "CP1258"},
    {0x1e, "CP874"},  {0x11, "CP932"},  {0x12, "CP949"},
};

}  // namespace

std::string CodePageOfLocale(std::string_view lcid) {
    const auto parsed = vantry::ParseInteger<unsigned>(lcid, 16);
    if (lcid.size() != 8 || !parsed) {
        return "CP1252";
    }
    const unsigned value = *parsed;
    const unsigned primary = value & 0x3ff;
    const unsigned sub = (value >> 10) & 0x3f;
    if (primary == 0x04) {  // Chinese: Taiwan, Hong Kong and Macao write traditional
        return (sub == 1 || sub == 3 || sub == 5) ? "CP950" : "CP936";
    }
    if (primary == 0x1a) {  // Croatian, Bosnian, Serbian Latin; Serbian Cyrillic differs
        return (sub == 3 || sub == 7) ? "CP1251" : "CP1250";
    }
    for (const Mapping& m : kCodePages) {
        if (m.primaryLanguage == primary) {
            return m.codePage;
        }
    }
    return "CP1252";
}

std::string DecodeCodePage(std::string_view bytes, const std::string& codePage) {
    iconv_t cd = iconv_open("UTF-8", codePage.c_str());
    if (cd == reinterpret_cast<iconv_t>(-1)) {
        cd = iconv_open("UTF-8", "CP1252");
    }
    std::string out;
    out.reserve(bytes.size() + bytes.size() / 2);
    char* in = const_cast<char*>(bytes.data());
    std::size_t inLeft = bytes.size();
    char buffer[1024];
    while (inLeft > 0) {
        char* o = buffer;
        std::size_t oLeft = sizeof buffer;
        const std::size_t r = iconv(cd, &in, &inLeft, &o, &oLeft);
        out.append(buffer, static_cast<std::size_t>(o - buffer));
        if (r == static_cast<std::size_t>(-1)) {
            if (errno == E2BIG) {
                continue;
            }
            // An unmapped or cut-off byte: mark it and go on after it.
            out += "\xEF\xBF\xBD";
            ++in;
            --inLeft;
            iconv(cd, nullptr, nullptr, nullptr, nullptr);
        }
    }
    iconv_close(cd);
    return out;
}

}  // namespace murmel::relay
