#include "automation/variant.h"

#include <cstdint>
#include <limits>
#include <optional>

namespace vantry::automation {
namespace {

[[noreturn]] void TypeMismatch() {
    throw AutomationError(errors::kTypeMismatch);
}

[[noreturn]] void Overflow() {
    throw AutomationError(errors::kOverflow);
}

// n as an N when it lies within [low, high], else the overflow error.
template <class N>
N Fit(int64_t n, int64_t low = std::numeric_limits<N>::min(),
      int64_t high = std::numeric_limits<N>::max()) {
    if (n < low || n > high) {
        Overflow();
    }
    return static_cast<N>(n);
}

bool IsBlank(char16_t c) {
    return c == u' ' || c == u'\t';
}

char16_t Lower(char16_t c) {
    return (c >= u'A' && c <= u'Z') ? static_cast<char16_t>(c - u'A' + u'a') : c;
}

bool EqualsIgnoringCase(std::u16string_view a, std::u16string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (size_t i = 0; i < a.size(); ++i) {
        if (Lower(a[i]) != Lower(b[i])) {
            return false;
        }
    }
    return true;
}

std::u16string_view Trim(std::u16string_view s) {
    while (!s.empty() && IsBlank(s.front())) {
        s.remove_prefix(1);
    }
    while (!s.empty() && IsBlank(s.back())) {
        s.remove_suffix(1);
    }
    return s;
}

// Beyond every target range, so anything at or past it is an overflow.
constexpr int64_t kHuge = int64_t{1} << 40;

// A string read as a whole number, or nullopt when it is not a number.
// Magnitudes past kHuge are clamped to kHuge (still an overflow later).
std::optional<int64_t> ParseNumber(std::u16string_view text) {
    std::u16string_view s = Trim(text);
    if (s.size() >= 2 && s[0] == u'&' && (Lower(s[1]) == u'h' || Lower(s[1]) == u'o')) {
        const unsigned base = Lower(s[1]) == u'h' ? 16 : 8;
        s.remove_prefix(2);
        if (s.empty()) {
            return std::nullopt;
        }
        uint64_t v = 0;
        for (char16_t c : s) {
            unsigned d;
            if (c >= u'0' && c <= u'9') {
                d = c - u'0';
            } else if (base == 16 && Lower(c) >= u'a' && Lower(c) <= u'f') {
                d = Lower(c) - u'a' + 10;
            } else {
                return std::nullopt;
            }
            if (d >= base) {
                return std::nullopt;
            }
            v = v * base + d;
            if (v > 0xFFFFFFFFu) {
                return kHuge;
            }
        }
        // Hex and octal forms give the 32 bits of a Long.
        return static_cast<int64_t>(static_cast<int32_t>(static_cast<uint32_t>(v)));
    }
    bool negative = false;
    if (!s.empty() && (s[0] == u'+' || s[0] == u'-')) {
        negative = s[0] == u'-';
        s.remove_prefix(1);
        while (!s.empty() && IsBlank(s.front())) {
            s.remove_prefix(1);
        }
    }
    int64_t whole = 0;
    size_t i = 0;
    size_t digits = 0;
    for (; i < s.size() && s[i] >= u'0' && s[i] <= u'9'; ++i, ++digits) {
        if (whole < kHuge) {
            whole = whole * 10 + (s[i] - u'0');
        }
    }
    // Fraction: decide rounding from its digits, half to even.
    int cmpHalf = -1;  // fraction <, ==, > one half
    if (i < s.size() && s[i] == u'.') {
        ++i;
        size_t first = i;
        for (; i < s.size() && s[i] >= u'0' && s[i] <= u'9'; ++i, ++digits) {
        }
        std::u16string_view frac = s.substr(first, i - first);
        if (!frac.empty()) {
            if (frac[0] > u'5') {
                cmpHalf = 1;
            } else if (frac[0] == u'5') {
                cmpHalf = 0;
                for (size_t k = 1; k < frac.size(); ++k) {
                    if (frac[k] != u'0') {
                        cmpHalf = 1;
                        break;
                    }
                }
            }
        }
    }
    if (digits == 0 || i != s.size()) {
        return std::nullopt;
    }
    if (cmpHalf > 0 || (cmpHalf == 0 && (whole % 2) != 0)) {
        if (whole < kHuge) {
            ++whole;
        }
    }
    if (whole > kHuge) {
        whole = kHuge;
    }
    return negative ? -whole : whole;
}

std::u16string Ascii(const std::string& s) {
    return std::u16string(s.begin(), s.end());
}

}  // namespace

std::string_view TypeName(VariantType type) {
    switch (type) {
        case VariantType::Empty:
            return "Empty";
        case VariantType::Bool:
            return "Boolean";
        case VariantType::Int16:
            return "Integer";
        case VariantType::Int32:
            return "Long";
        case VariantType::Color:
            return "OLE_COLOR";
        case VariantType::String:
            return "String";
        case VariantType::Object:
            return "Object";
    }
    return "Unknown";
}

Variant::Variant(const char* utf8)
    : value_(automation::FromUtf8(utf8 ? std::string_view(utf8) : "")) {}

Variant Variant::FromUtf8(std::string_view utf8) {
    return Variant(automation::FromUtf8(utf8));
}

// The value as a wide integer for the numeric targets.
static int64_t WideNumber(const Variant& v) {
    switch (v.Type()) {
        case VariantType::Empty:
            return 0;
        case VariantType::Bool:
            return *v.IfBool() ? -1 : 0;
        case VariantType::Int16:
            return *v.IfInt16();
        case VariantType::Int32:
            return *v.IfInt32();
        case VariantType::Color:
            return v.IfColor()->value;
        case VariantType::String: {
            std::u16string_view s = *v.IfString();
            if (EqualsIgnoringCase(Trim(s), u"True")) {
                return -1;
            }
            if (EqualsIgnoringCase(Trim(s), u"False")) {
                return 0;
            }
            if (auto n = ParseNumber(s)) {
                return *n;
            }
            TypeMismatch();
        }
        case VariantType::Object:
            TypeMismatch();
    }
    TypeMismatch();
}

bool Variant::ToBool() const {
    return WideNumber(*this) != 0;
}

int16_t Variant::ToInt16() const {
    return Fit<int16_t>(WideNumber(*this));
}

int32_t Variant::ToInt32() const {
    if (const OleColor* c = IfColor()) {
        return static_cast<int32_t>(c->value);
    }
    return Fit<int32_t>(WideNumber(*this));
}

OleColor Variant::ToColor() const {
    if (const OleColor* c = IfColor()) {
        return *c;
    }
    // Negative Longs stand for the colours with the top bit set.
    return OleColor{Fit<uint32_t>(WideNumber(*this), std::numeric_limits<int32_t>::min())};
}

std::u16string Variant::ToString() const {
    switch (Type()) {
        case VariantType::Empty:
            return std::u16string();
        case VariantType::Bool:
            return *IfBool() ? u"True" : u"False";
        case VariantType::Int16:
            return Ascii(std::to_string(*IfInt16()));
        case VariantType::Int32:
            return Ascii(std::to_string(*IfInt32()));
        case VariantType::Color:
            return Ascii(std::to_string(IfColor()->value));
        case VariantType::String:
            return *IfString();
        case VariantType::Object:
            break;
    }
    TypeMismatch();
}

std::string Variant::ToUtf8() const {
    return Utf8(ToString());
}

ObjectPtr Variant::ToObject() const {
    if (const ObjectPtr* o = IfObject()) {
        return *o;
    }
    TypeMismatch();
}

Variant ChangeType(const Variant& value, VariantType type) {
    switch (type) {
        case VariantType::Empty:
            return Variant();
        case VariantType::Bool:
            return Variant(value.ToBool());
        case VariantType::Int16:
            return Variant(value.ToInt16());
        case VariantType::Int32:
            return Variant(value.ToInt32());
        case VariantType::Color:
            return Variant(value.ToColor());
        case VariantType::String:
            return Variant(value.ToString());
        case VariantType::Object:
            return Variant(value.ToObject());
    }
    TypeMismatch();
}

std::u16string FromUtf8(std::string_view utf8) {
    std::u16string out;
    out.reserve(utf8.size());
    size_t i = 0;
    const size_t n = utf8.size();
    auto cont = [&](size_t k) {
        return k < n && (static_cast<unsigned char>(utf8[k]) & 0xC0) == 0x80;
    };
    while (i < n) {
        const unsigned char b = static_cast<unsigned char>(utf8[i]);
        char32_t cp = 0xFFFD;
        size_t len = 1;
        if (b < 0x80) {
            cp = b;
        } else if (b >= 0xC2 && b <= 0xDF && cont(i + 1)) {
            cp = ((b & 0x1Fu) << 6) | (utf8[i + 1] & 0x3F);
            len = 2;
        } else if (b >= 0xE0 && b <= 0xEF && cont(i + 1) && cont(i + 2)) {
            cp = ((b & 0x0Fu) << 12) | ((utf8[i + 1] & 0x3Fu) << 6) | (utf8[i + 2] & 0x3F);
            len = 3;
            if (cp < 0x800 || (cp >= 0xD800 && cp <= 0xDFFF)) {
                cp = 0xFFFD;
            }
        } else if (b >= 0xF0 && b <= 0xF4 && cont(i + 1) && cont(i + 2) && cont(i + 3)) {
            cp = ((b & 0x07u) << 18) | ((utf8[i + 1] & 0x3Fu) << 12) |
                 ((utf8[i + 2] & 0x3Fu) << 6) | (utf8[i + 3] & 0x3F);
            len = 4;
            if (cp < 0x10000 || cp > 0x10FFFF) {
                cp = 0xFFFD;
            }
        }
        if (cp >= 0x10000) {
            cp -= 0x10000;
            out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
            out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
        } else {
            out.push_back(static_cast<char16_t>(cp));
        }
        i += len;
    }
    return out;
}

std::string Utf8(std::u16string_view utf16) {
    std::string out;
    out.reserve(utf16.size());
    for (size_t i = 0; i < utf16.size(); ++i) {
        char32_t cp = utf16[i];
        if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < utf16.size() && utf16[i + 1] >= 0xDC00 &&
            utf16[i + 1] <= 0xDFFF) {
            cp = 0x10000 + ((cp - 0xD800) << 10) + (utf16[i + 1] - 0xDC00);
            ++i;
        } else if (cp >= 0xD800 && cp <= 0xDFFF) {
            cp = 0xFFFD;
        }
        if (cp < 0x80) {
            out.push_back(static_cast<char>(cp));
        } else if (cp < 0x800) {
            out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
            out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
        } else if (cp < 0x10000) {
            out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
            out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
        } else {
            out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
            out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
        }
    }
    return out;
}

std::u16string WidenBytes(std::string_view bytes) {
    std::u16string out;
    out.reserve(bytes.size());
    for (char c : bytes) {
        out.push_back(static_cast<char16_t>(static_cast<unsigned char>(c)));
    }
    return out;
}

namespace {

// Body data of a download passes here piece by piece. Blocks of a fixed
// length over non-aliasing pointers are what the compiler vectorises at
// the optimisation level of the build.
void NarrowUnits(char* __restrict out, const char16_t* __restrict in, std::size_t n) {
    constexpr std::size_t kBlock = 16;
    auto narrow = [](char16_t u) { return static_cast<char>(u <= 0xFF ? u : u'?'); };
    std::size_t i = 0;
    for (; i + kBlock <= n; i += kBlock) {
        for (std::size_t k = 0; k < kBlock; ++k) {
            out[i + k] = narrow(in[i + k]);
        }
    }
    for (; i < n; ++i) {
        out[i] = narrow(in[i]);
    }
}

}  // namespace

std::string NarrowBytes(std::u16string_view units) {
    std::string out(units.size(), '\0');
    NarrowUnits(out.data(), units.data(), units.size());
    return out;
}

}  // namespace vantry::automation
