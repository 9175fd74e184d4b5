#include "engine/lzw_decoder.h"

#include <algorithm>
#include <bit>
#include <cstring>

namespace plimova {

namespace {

// The 64 bits from `at` on, little-endian.
inline std::uint64_t ReadBits(const std::uint8_t* at) {
    std::uint64_t word;
    std::memcpy(&word, at, 8);
    if constexpr (std::endian::native == std::endian::big) {
        word = __builtin_bswap64(word);
    }
    return word;
}

// Copies `len` bytes from earlier output; the source always ends at or before
// `dst`, so 16- and 8-byte steps may over-read but never read what they wrote.
inline void CopyEarlier(std::uint8_t* dst, const std::uint8_t* src, std::size_t len,
                        std::size_t room) {
    if (len + 16 <= room) {
        std::size_t i = 0;
        do {
            std::uint8_t chunk[16];
            std::memcpy(chunk, src + i, 16);
            std::memcpy(dst + i, chunk, 16);
            i += 16;
        } while (i < len);
    } else if (len + 8 <= room) {
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

// Feeds the code bytes into the decoder's window, either from one joined run
// or straight from the sub-blocks in the file.
class LzwDecoder::CodeInput {
public:
    CodeInput(const std::uint8_t* data, std::size_t size, bool chained)
        : data_(data), size_(size), chained_(chained), left_(chained ? 0 : size) {}

    bool Exhausted() const { return exhausted_; }

    // Copies up to `room` further code bytes to `to`; fewer only once the
    // data has ended.
    std::size_t Read(std::uint8_t* to, std::size_t room) {
        std::size_t got = 0;
        while (got < room && !exhausted_) {
            if (left_ == 0) {
                if (!chained_ || pos_ >= size_ || data_[pos_] == 0) {
                    exhausted_ = true;
                    break;
                }
                left_ = data_[pos_++];
            }
            const std::size_t take = std::min({left_, room - got, size_ - pos_});
            if (take == 0) {
                exhausted_ = true;  // a sub-block cut short by the end of the data
                break;
            }
            std::memcpy(to + got, data_ + pos_, take);
            got += take;
            pos_ += take;
            left_ -= take;
        }
        return got;
    }

private:
    const std::uint8_t* data_;
    std::size_t size_;
    bool chained_;
    std::size_t pos_ = 0;
    std::size_t left_;  // bytes left in the current sub-block
    bool exhausted_ = false;
};

bool LzwDecoder::Decode(std::span<const std::byte> data, int minCodeSize,
                        std::span<std::uint8_t> out) {
    CodeInput input(reinterpret_cast<const std::uint8_t*>(data.data()), data.size(), false);
    return Run(input, minCodeSize, out);
}

bool LzwDecoder::DecodeSubBlocks(std::span<const std::uint8_t> chain, int minCodeSize,
                                 std::span<std::uint8_t> out) {
    CodeInput input(chain.data(), chain.size(), true);
    return Run(input, minCodeSize, out);
}

bool LzwDecoder::Run(CodeInput& input, int minCodeSize, std::span<std::uint8_t> out) {
    if (minCodeSize < 0 || minCodeSize > 8) {
        return false;
    }
    // `bit` counts from the window's start; the window is refilled whenever
    // fewer than 8 of its bytes lie ahead, keeping the bytes not yet read.
    std::size_t valid = 0;
    std::uint64_t bit = 0;
    const auto refill = [&] {
        const std::size_t from = static_cast<std::size_t>(bit >> 3);
        std::memmove(window_, window_ + from, valid - from);
        valid -= from;
        bit &= 7;
        valid += input.Read(window_ + valid, kWindowBytes - valid);
        std::memset(window_ + valid, 0, 8);
    };
    refill();
    std::uint8_t* const o = out.data();
    const std::size_t outSize = out.size();

    const int clear = 1 << minCodeSize;
    const int end = clear + 1;
    const int initialWidth = minCodeSize + 1;
    const int initialLimit = 1 << initialWidth;

    int width = initialWidth;
    int limit = initialLimit;
    int nextFree = clear + 2;
    // Entries may be added while nextFree is below this: 0 until a code
    // follows the last clear, then the table size.
    int addLimit = 0;
    int prev = -1;
    // Where prev's string was written, kDetached when it was not.
    std::uint32_t prevOffset = kDetached;
    std::size_t pos = 0;

    for (int c = 0; c < clear; ++c) {
        table_[c] = Entry{kDetached, 1, static_cast<std::uint8_t>(c), 0};
    }

    bool ok = true;
    for (;;) {
        if ((bit >> 3) + 8 > valid && !input.Exhausted()) {
            refill();
        }
        if (bit >= std::uint64_t{valid} * 8) {
            break;
        }
        const int k = static_cast<int>((ReadBits(window_ + (bit >> 3)) >> (bit & 7)) &
                                       static_cast<std::uint64_t>(limit - 1));
        bit += static_cast<unsigned>(width);

        if (k == clear) {
            width = initialWidth;
            limit = initialLimit;
            nextFree = clear + 2;
            addLimit = 0;
            prev = -1;
            prevOffset = kDetached;
            continue;
        }
        if (k == end) {
            break;
        }
        std::uint32_t newOffset = prevOffset;
        if (k >= nextFree) {
            if (k > nextFree || prev < 0) {
                ok = false;
                break;
            }
            newOffset = kDetached;  // it ends in the byte k is about to write
        }
        int added = -1;
        if (nextFree < addLimit) {
            // prev's string followed by k's first byte (for the entry k is
            // about to name, prev's first byte). Written out, it is exactly
            // the bytes from prev's position on.
            added = nextFree;
            Entry& e = table_[nextFree];
            const Entry& p = table_[prev];
            e.first = p.first;
            e.suffix = table_[k].first;
            e.length = static_cast<std::uint16_t>(p.length + 1);
            prefix_[nextFree] = static_cast<std::uint16_t>(prev);
            e.offset = newOffset;
            ++nextFree;
        }
        // A full table keeps decoding at 12 bits and grows no more until the
        // next clear code, as encoders that defer the clear expect.
        addLimit = kMaxCodes;
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

        Entry& ke = table_[k];
        const std::size_t len = ke.length;
        if (len <= outSize - pos) {
            if (k < clear) {
                o[pos] = static_cast<std::uint8_t>(k);
            } else if (ke.offset != kDetached) {
                CopyEarlier(o + pos, o + ke.offset, len, outSize - pos);
            } else {
                // The longest prefix that lies in the output already is
                // copied first, so the copy may run over into what the
                // suffixes, put after it last first, then overwrite.
                int cur = k;
                while (cur >= clear && table_[cur].offset == kDetached) {
                    cur = prefix_[cur];
                }
                std::size_t head = 1;
                if (cur < clear) {
                    o[pos] = static_cast<std::uint8_t>(cur);
                } else {
                    head = table_[cur].length;
                    CopyEarlier(o + pos, o + table_[cur].offset, head, outSize - pos);
                }
                std::size_t q = pos + len;
                for (int c = k; q > pos + head; c = prefix_[c]) {
                    o[--q] = table_[c].suffix;
                }
                ke.offset = static_cast<std::uint32_t>(pos);
            }
            prevOffset = static_cast<std::uint32_t>(pos);
            pos += len;
        } else {
            prevOffset = kDetached;
            if (added >= 0) {
                table_[added].offset = kDetached;  // its last byte never got written
            }
        }
        prev = k;
    }
    if (pos < outSize) {
        std::memset(o + pos, 0, outSize - pos);
    }
    return ok;
}

}  // namespace plimova
