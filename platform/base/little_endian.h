#pragma once
// Little-endian numbers inside binary files whose offsets come from the file.

#include <cstdint>
#include <optional>
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

}  // namespace vantry
