#pragma once
// Little-endian numbers inside binary files whose offsets come from the file.

#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

namespace vantry {

// The unsigned WIDTH-byte (1 to 8) little-endian number at OFFSET of BYTES;
// nothing when any of its bytes lies outside BYTES.
constexpr std::optional<std::uint64_t> ReadLittleEndian(std::string_view bytes,
                                                        std::uint64_t offset, int width) {
    if (width < 1 || width > 8 || offset > bytes.size() ||
        static_cast<std::uint64_t>(width) > bytes.size() - offset) {
        return std::nullopt;
    }
    std::uint64_t value = 0;
    for (int i = width - 1; i >= 0; --i) {
        value =
            (value << 8) | static_cast<std::uint8_t>(bytes[offset + static_cast<std::uint64_t>(i)]);
    }
    return value;
}

// Stores the low WIDTH bytes (1 to 8) of VALUE little-endian at OFFSET of
// BYTES; false, with BYTES untouched, when any of them would lie outside.
constexpr bool WriteLittleEndian(std::span<std::uint8_t> bytes, std::uint64_t offset, int width,
                                 std::uint64_t value) {
    if (width < 1 || width > 8 || offset > bytes.size() ||
        static_cast<std::uint64_t>(width) > bytes.size() - offset) {
        return false;
    }
    for (int i = 0; i < width; ++i, value >>= 8) {
        bytes[offset + static_cast<std::uint64_t>(i)] = static_cast<std::uint8_t>(value);
    }
    return true;
}

}  // namespace vantry
