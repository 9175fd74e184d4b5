#include "lzw_decoder.h"

#include <cstring>

namespace plimova {

namespace {

// The code at bit position `bit`: the little-endian 32-bit word at bit / 8
// shifted right by bit % 8, as if four zero bytes followed the data.
inline std::uint32_t ReadWord(const std::uint8_t* data, std::size_t size, std::uint64_t bit) {
    const std::size_t at = static_cast<std::size_t>(bit >> 3);
    std::uint32_t word = 0;
    if (at + 4 <= size) {
        word = std::uint32_t{data[at]} | std::uint32_t{data[at + 1]} << 8 |
               std::uint32_t{data[at + 2]} << 16 | std::uint32_t{data[at + 3]} << 24;
    } else {
        for (std::size_t i = 0; i < 4 && at + i < size; ++i) {
            word |= std::uint32_t{data[at + i]} << (8 * i);
        }
    }
    return word >> (bit & 7);
}

// Copies `len` bytes from earlier output; the source always ends at or before
// `dst`, so 8-byte steps may over-read but never read what they wrote.
inline void CopyEarlier(std::uint8_t* dst, const std::uint8_t* src, std::size_t len,
                        std::size_t room) {
    if (len + 8 <= room) {
        for (std::size_t i = 0; i < len; i += 8) {
            std::uint64_t chunk;
            std::memcpy(&chunk, src + i, 8);
            std::memcpy(dst + i, &chunk, 8);
        }
    } else {
        for (std::size_t i = 0; i < len; ++i) {
            dst[i] = src[i];
        }
    }
}

}  // namespace

bool LzwDecoder::Decode(std::span<const std::byte> data, int minCodeSize,
                        std::span<std::uint8_t> out) {
    if (minCodeSize < 0 || minCodeSize > 8) {
        return false;
    }
    const auto* in = reinterpret_cast<const std::uint8_t*>(data.data());
    const std::size_t inSize = data.size();
    const std::uint64_t totalBits = static_cast<std::uint64_t>(inSize) * 8;
    std::uint8_t* const o = out.data();
    const std::size_t outSize = out.size();

    const int clear = 1 << minCodeSize;
    const int end = clear + 1;
    const int initialWidth = minCodeSize + 1;
    const int initialLimit = 1 << initialWidth;

    int width = initialWidth;
    int limit = initialLimit;
    int nextFree = clear + 2;
    int prev = -1;
    std::size_t prevPos = 0;  // where prev's string was written
    bool prevWritten = false;
    std::size_t pos = 0;
    std::uint64_t bit = 0;

    for (int c = 0; c < clear; ++c) {
        length_[c] = 1;
        first_[c] = static_cast<std::uint8_t>(c);
        offset_[c] = kDetached;
    }

    bool ok = true;
    while (bit < totalBits) {
        const int k = static_cast<int>(ReadWord(in, inSize, bit) & ((1u << width) - 1));
        bit += static_cast<unsigned>(width);

        if (k == clear) {
            width = initialWidth;
            limit = initialLimit;
            nextFree = clear + 2;
            prev = -1;
            prevWritten = false;
            continue;
        }
        if (k == end) {
            break;
        }
        {
            std::size_t len;
            int entry = -1;  // the entry made by this code, if any
            if (k >= nextFree) {
                if (k > nextFree || prev < 0) {
                    ok = false;
                    break;
                }
                entry = nextFree;
                first_[entry] = first_[prev];
                suffix_[entry] = first_[prev];
            } else if (prev >= 0) {
                entry = nextFree;
                first_[entry] = first_[prev];
                suffix_[entry] = first_[k];
            }
            if (entry >= kMaxCodes) {
                // A full table keeps decoding at 12 bits and grows no more
                // until the next clear code, as encoders that defer the
                // clear expect.
                entry = -1;
            }
            if (entry >= 0) {
                length_[entry] = static_cast<std::uint16_t>(length_[prev] + 1);
                prefix_[entry] = static_cast<std::uint16_t>(prev);
                offset_[entry] = kDetached;
                ++nextFree;
            }
            len = length_[k];

            const bool fits = len <= outSize - pos;
            if (fits) {
                if (len == 1 && k < clear) {
                    o[pos] = static_cast<std::uint8_t>(k);
                } else if (offset_[k] != kDetached) {
                    CopyEarlier(o + pos, o + offset_[k], len, outSize - pos);
                } else {
                    // Built backwards through the prefix chain until an entry
                    // whose string lies in the output already.
                    std::size_t q = pos + len;
                    int cur = k;
                    while (cur >= clear && offset_[cur] == kDetached) {
                        o[--q] = suffix_[cur];
                        cur = prefix_[cur];
                    }
                    if (cur < clear) {
                        o[--q] = static_cast<std::uint8_t>(cur);
                    } else {
                        q -= length_[cur];
                        CopyEarlier(o + q, o + offset_[cur], length_[cur], 0);
                    }
                }
                // The new entry is prev's string followed by k's first byte:
                // exactly the bytes from prev's position on.
                if (entry >= 0 && prevWritten) {
                    offset_[entry] = static_cast<std::uint32_t>(prevPos);
                }
                if (k >= clear && offset_[k] == kDetached) {
                    offset_[k] = static_cast<std::uint32_t>(pos);
                }
                prevPos = pos;
                pos += len;
            }
            prevWritten = fits;
            prev = k;
        }

        if (nextFree >= limit) {
            if (nextFree > limit) {
                ok = false;
                break;
            }
            if (width <= 11) {
                limit <<= 1;
                ++width;
            }
        }
    }
    if (pos < outSize) {
        std::memset(o + pos, 0, outSize - pos);
    }
    return ok;
}

}  // namespace plimova
