#pragma once
// Guid (class, interface and type-library identifiers) with the registry's
// text form "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}".
//
//   constexpr Guid kClsid = MakeGuid("{82351441-9094-11D1-A24B-00A0C932C7DF}");
//   Guid g = *Guid::Parse(text);   // braces required, hex in either case
//   g.ToString();                  // upper-case hex, with braces

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "base/hex.h"

namespace vantry::automation {

struct Guid {
    uint32_t data1 = 0;
    uint16_t data2 = 0;
    uint16_t data3 = 0;
    std::array<uint8_t, 8> data4{};

    // Null for anything but the braced 38-character form.
    static constexpr std::optional<Guid> Parse(std::string_view text);
    std::string ToString() const;
    bool IsNull() const { return *this == Guid(); }

    bool operator==(const Guid&) const = default;
    auto operator<=>(const Guid&) const = default;
};

constexpr std::optional<Guid> Guid::Parse(std::string_view text) {
    // {XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}
    if (text.size() != 38 || text.front() != '{' || text.back() != '}' || text[9] != '-' ||
        text[14] != '-' || text[19] != '-' || text[24] != '-') {
        return std::nullopt;
    }
    uint8_t bytes[16] = {};
    size_t pos = 1;
    for (int i = 0; i < 16; ++i) {
        if (text[pos] == '-') {
            ++pos;
        }
        const int hi = vantry::HexDigit(text[pos]);
        const int lo = vantry::HexDigit(text[pos + 1]);
        if (hi < 0 || lo < 0) {
            return std::nullopt;
        }
        bytes[i] = static_cast<uint8_t>(hi * 16 + lo);
        pos += 2;
    }
    Guid g;
    g.data1 = (uint32_t{bytes[0]} << 24) | (uint32_t{bytes[1]} << 16) | (uint32_t{bytes[2]} << 8) |
              bytes[3];
    g.data2 = static_cast<uint16_t>((bytes[4] << 8) | bytes[5]);
    g.data3 = static_cast<uint16_t>((bytes[6] << 8) | bytes[7]);
    for (int i = 0; i < 8; ++i) {
        g.data4[i] = bytes[8 + i];
    }
    return g;
}

// For identifiers written in the source: a malformed literal fails to compile.
consteval Guid MakeGuid(const char* text) {
    return Guid::Parse(text).value();
}

using Clsid = Guid;
using Iid = Guid;

}  // namespace vantry::automation
