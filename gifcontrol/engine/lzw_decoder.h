#pragma once
// The GIF flavour of LZW: variable code width from minimum code size + 1 up
// to 12 bits, clear and end codes, deferred table growth; a full table is
// used as it stands until a clear code. Pure: bytes in, palette indices out.

#include <cstddef>
#include <cstdint>
#include <span>

namespace plimova {

class LzwDecoder {
public:
    // Decodes `data` (the code bytes of one image, joined) into `out`.
    // Strings that would run past the end of `out` are skipped; pixels no
    // code reached are set to 0. Returns false when the stream is invalid
    // (minimum code size above 8, a code beyond the table). Reaching the end
    // of the data without an end code is success.
    bool Decode(std::span<const std::byte> data, int minCodeSize, std::span<std::uint8_t> out);
    // The same over data sub-blocks as they lie in the file: a length byte,
    // that many bytes, and so on up to a zero length or the end of `chain`.
    bool DecodeSubBlocks(std::span<const std::uint8_t> chain, int minCodeSize,
                         std::span<std::uint8_t> out);

private:
    class CodeInput;
    bool Run(CodeInput& input, int minCodeSize, std::span<std::uint8_t> out);

    static constexpr int kTableSize = 4097;
    static constexpr int kMaxCodes = 4096;  // what 12-bit codes can name
    static constexpr std::uint32_t kDetached = 0xFFFFFFFFu;

    // An entry's string either sits contiguously in the output at `offset`
    // (the usual case, copied from there), or, when it never got written
    // whole, is its `prefix_` entry's string followed by `suffix`. The fields
    // every code reads fit in 8 bytes.
    struct Entry {
        std::uint32_t offset;
        std::uint16_t length;
        std::uint8_t first;
        std::uint8_t suffix;
    };
    Entry table_[kTableSize];
    std::uint16_t prefix_[kTableSize];
    // Codes are read from this window, refilled a piece at a time, so the
    // image's data is never copied whole. Eight zero bytes follow the valid
    // ones so that every code is one 64-bit load.
    static constexpr std::size_t kWindowBytes = 4096;
    std::uint8_t window_[kWindowBytes + 8];
};

}  // namespace plimova
