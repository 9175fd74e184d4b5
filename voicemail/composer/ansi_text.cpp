#include "composer/ansi_text.h"

#include <iconv.h>

#include <algorithm>
#include <cerrno>
#include <string>

namespace murmel {

namespace {

// Windows' own assignment of code pages to primary languages (the low ten
// bits of the locale); everything else uses the Western European page.
int CodePageForLanguage(unsigned lcid) {
    const unsigned primary = lcid & 0x3FF;
    switch (primary) {
        case 0x05:
        case 0x0E:
        case 0x15:
        case 0x18:
        case 0x1B:
        case 0x1C:
        case 0x24:
            return 1250;  // Czech, Hungarian, Polish, Romanian, Slovak, Albanian, Slovenian
        case 0x1A:        // Croatian and Serbian: Cyrillic Serbian and Bosnian use 1251
            return (lcid == 0x0C1A || lcid == 0x201A || lcid == 0x1C1A) ? 1251 : 1250;
        case 0x02:
        case 0x19:
        case 0x22:
        case 0x23:
        case 0x2F:
        case 0x3F:
        case 0x40:
        case 0x44:
        case 0x50:
            return 1251;  // Bulgarian, Russian, Ukrainian, Belarusian, Macedonian, ...
        case 0x08:
            return 1253;  // Greek
        case 0x1F:
            return 1254;  // Turkish
        case 0x2C:
        case 0x43:  // Azeri and Uzbek: Latin 1254, Cyrillic 1251
            return (lcid >> 10) == 2 ? 1251 : 1254;
        case 0x0D:
            return 1255;  // Hebrew
        case 0x01:
        case 0x20:
        case 0x29:
            return 1256;  // Arabic, Urdu, Farsi
        case 0x25:
        case 0x26:
        case 0x27:
            return 1257;  // Estonian, Latvian, Lithuanian
        case 0x2A:
            return 1258;  // Vietnamese
        case 0x1E:
            return 874;  // Thai
        case 0x11:
            return 932;  // Japanese
        case 0x12:
            return 949;  // Korean
        case 0x04:       // Chinese: Taiwan, Hong Kong and Macao write traditional
            return (lcid == 0x0404 || lcid == 0x0C04 || lcid == 0x1404) ? 950 : 936;
        default:
            return 1252;
    }
}

// Bytes in a UTF-8 sequence that starts with `lead` (1 for a stray byte).
int Utf8Length(unsigned char lead) {
    if (lead >= 0xF0 && lead < 0xF8)
        return 4;
    if (lead >= 0xE0)
        return lead < 0xF0 ? 3 : 1;
    if (lead >= 0xC0)
        return 2;
    return 1;
}

}  // namespace

int CodePageForLocale(const QString& locale) {
    bool ok = false;
    const unsigned lcid = locale.trimmed().toUInt(&ok, 16);
    return ok && locale.trimmed().size() == 8 ? CodePageForLanguage(lcid & 0xFFFF) : 1252;
}

QByteArray EncodeAnsi(const QString& text, int codePage) {
    const std::string target = "CP" + std::to_string(codePage);
    iconv_t cd = iconv_open(target.c_str(), "UTF-8");
    if (cd == reinterpret_cast<iconv_t>(-1)) {
        cd = iconv_open("CP1252", "UTF-8");
    }
    const QByteArray in = text.toUtf8();
    QByteArray out;
    if (cd == reinterpret_cast<iconv_t>(-1)) {
        for (const QChar c : text) {
            out += c.unicode() < 0x100 ? static_cast<char>(c.unicode()) : '?';
        }
        return out;
    }
    out.resize(in.size() * 2 + 16);
    char* src = const_cast<char*>(in.constData());
    size_t srcLeft = static_cast<size_t>(in.size());
    char* dst = out.data();
    size_t dstLeft = static_cast<size_t>(out.size());
    while (srcLeft > 0) {
        if (iconv(cd, &src, &srcLeft, &dst, &dstLeft) != static_cast<size_t>(-1)) {
            break;
        }
        if (errno == E2BIG) {
            const qsizetype used = dst - out.data();
            out.resize(out.size() * 2);
            dst = out.data() + used;
            dstLeft = static_cast<size_t>(out.size() - used);
            continue;
        }
        // EILSEQ or EINVAL: the page has no such character.
        if (dstLeft == 0) {
            const qsizetype used = dst - out.data();
            out.resize(out.size() * 2);
            dst = out.data() + used;
            dstLeft = static_cast<size_t>(out.size() - used);
        }
        const size_t skip = std::min<size_t>(srcLeft, Utf8Length(static_cast<unsigned char>(*src)));
        src += skip;
        srcLeft -= skip;
        *dst++ = '?';
        --dstLeft;
    }
    iconv(cd, nullptr, nullptr, &dst, &dstLeft);  // a stateful page ends its last shift
    iconv_close(cd);
    out.truncate(dst - out.data());
    return out;
}

}  // namespace murmel
