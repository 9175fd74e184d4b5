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

// Copies `len` bytes from earlier output when a whole 16-byte step more is
// known to fit; the source always ends at or before `dst`, so the steps may
// over-read but never read what they wrote.
inline void CopyShort(std::uint8_t* dst, const std::uint8_t* src, std::size_t len) {
    std::size_t i = 0;
    do {
        std::uint8_t chunk[16];
        std::memcpy(chunk, src + i, 16);
        std::memcpy(dst + i, chunk, 16);
        i += 16;
    } while (i < len);
}

// CopyShort with `room` bytes left at `dst`: smaller steps near the end.
inline void CopyEarlier(std::uint8_t* dst, const std::uint8_t* src, std::size_t len,
                        std::size_t room) {
    if (len + 16 <= room) {
        CopyShort(dst, src, len);
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

// The decoding state the fast and the careful loop hand to each other.
struct LzwDecoder::Progress {
    explicit Progress(int minCodeSize) : clear(1 << minCodeSize), initialWidth(minCodeSize + 1) {
        Reset();
    }
    // After a clear code.
    void Reset() {
        width = initialWidth;
        limit = 1 << initialWidth;
        nextFree = clear + 2;
        addLimit = 0;
        prev = -1;
        prevOffset = kDetached;
    }

    int clear;
    int initialWidth;
    int width = 0;
    int limit = 0;
    int nextFree = 0;
    // Entries may be added while nextFree is below this: 0 until a code
    // follows the last clear, then the table size.
    int addLimit = 0;
    int prev = -1;
    // Where prev's string was written, kDetached when it was not.
    std::uint32_t prevOffset = kDetached;
    std::size_t pos = 0;
    // `bit` counts from the window's start; at `checkBits` the window is
    // refilled, or, once the data has ended, decoding stops.
    std::uint64_t bit = 0;
    std::uint64_t checkBits = 0;
    std::size_t valid = 0;
};

std::size_t LzwDecoder::Refill(CodeInput& input, std::size_t from, std::size_t valid) {
    std::memmove(window_, window_ + from, valid - from);
    valid -= from;
    valid += input.Read(window_ + valid, kWindowBytes - valid);
    std::memset(window_ + valid, 0, 8);
    return valid;
}

// Refills the window when more data may follow; returns `bit` as counted from
// the window's new start. A code is read only with 8 valid bytes ahead of it
// until the data has ended, then up to the last valid bit.
std::uint64_t LzwDecoder::Restock(CodeInput& input, Progress& s, std::uint64_t bit) {
    if (!input.Exhausted()) {
        const std::size_t from = static_cast<std::size_t>(bit >> 3);
        s.valid = Refill(input, from, s.valid);
        bit -= std::uint64_t{from} * 8;
    }
    s.checkBits = std::uint64_t{s.valid} * 8;
    if (!input.Exhausted()) {
        s.checkBits -= 64;
    }
    return bit;
}

bool LzwDecoder::Run(CodeInput& input, int minCodeSize, std::span<std::uint8_t> out) {
    if (minCodeSize < 0 || minCodeSize > 8) {
        return false;
    }
    Progress s(minCodeSize);
    s.bit = Restock(input, s, 0);
    for (int c = 0; c < s.clear; ++c) {
        start_[c] = kDetached;
        length_[c] = 1;
        first_[c] = static_cast<std::uint8_t>(c);
    }
    // With a minimum code size of 0 the first code after a clear already
    // outgrows the table, which only the careful rules check.
    Outcome outcome =
        minCodeSize > 0 ? RunFast(input, s, out.data(), out.size()) : Outcome::kCareful;
    if (outcome == Outcome::kCareful) {
        outcome = RunCareful(input, s, out.data(), out.size()) ? Outcome::kEnd : Outcome::kFailed;
    }
    if (s.pos < out.size()) {
        std::memset(out.data() + s.pos, 0, out.size() - s.pos);
    }
    return outcome != Outcome::kFailed;
}

LzwDecoder::Outcome LzwDecoder::RunFast(CodeInput& input, Progress& s, std::uint8_t* const o,
                                        const std::size_t outSize) {
    // A copy the compiler keeps in registers; `s` itself goes to Restock,
    // so what Restock sets is copied back at once.
    Progress p = s;
    const int clear = p.clear;
    // One below the careful count until a code follows the clear: that
    // code records its position in start_[clear + 1] and adds no entry.
    p.nextFree = clear + 1;
    int k = 0;
    for (;;) {
        if (p.bit >= p.checkBits) {
            p.bit = Restock(input, s, p.bit);
            p.checkBits = s.checkBits;
            p.valid = s.valid;
            if (p.bit >= p.checkBits) {
                s.pos = p.pos;
                return Outcome::kEnd;
            }
        }
        k = static_cast<int>((ReadBits(window_ + (p.bit >> 3)) >> (p.bit & 7)) &
                             static_cast<std::uint64_t>(p.limit - 1));
        p.bit += static_cast<unsigned>(p.width);
        std::size_t len = 1;
        if (k < clear) {
            if (p.pos >= outSize) {
                break;
            }
            start_[p.nextFree] = static_cast<std::uint32_t>(p.pos);
            o[p.pos] = static_cast<std::uint8_t>(k);
        } else if (k < p.nextFree) {
            if (k <= clear + 1) {
                if (k == clear + 1) {
                    s.pos = p.pos;
                    return Outcome::kEnd;
                }
                p.Reset();
                p.nextFree = clear + 1;
                continue;
            }
            const std::uint32_t from = start_[k - 1];
            len = start_[k] - from + 1;
            if (len + 16 > outSize - p.pos) {
                break;
            }
            start_[p.nextFree] = static_cast<std::uint32_t>(p.pos);
            CopyShort(o + p.pos, o + from, len);
        } else {
            // Beyond the table, or the end code right after a clear.
            if (k != p.nextFree || k == clear + 1) {
                s.pos = p.pos;
                return k == clear + 1 ? Outcome::kEnd : Outcome::kFailed;
            }
            // The entry this code makes: prev's string and its first byte.
            const std::uint32_t from = p.prevOffset;
            len = p.pos - from + 1;
            if (len + 16 > outSize - p.pos) {
                break;
            }
            start_[p.nextFree] = static_cast<std::uint32_t>(p.pos);
            CopyShort(o + p.pos, o + from, len - 1);
            o[p.pos + len - 1] = o[from];
        }
        if (++p.nextFree >= p.limit) {
            if (p.width <= 11) {
                p.limit <<= 1;
                ++p.width;
            } else {
                p.nextFree = kMaxCodes;  // full: later codes overwrite start_[kMaxCodes]
            }
        }
        p.prev = k;
        p.prevOffset = static_cast<std::uint32_t>(p.pos);
        p.pos += len;
    }
    // The code at hand needs more room than is safe here: the careful rules
    // take over from it on.
    s = p;
    LeaveFast(s);
    return CarefulStep(s, k, o, outSize) ? Outcome::kCareful : Outcome::kFailed;
}

// Turns the positions into the careful form: each entry runs from the
// position before its own.
void LzwDecoder::LeaveFast(Progress& s) {
    if (s.nextFree == s.clear + 1) {
        s.Reset();  // no code since the clear
        return;
    }
    s.addLimit = kMaxCodes;
    for (int e = s.nextFree - 1; e >= s.clear + 2; --e) {
        length_[e] = static_cast<std::uint16_t>(start_[e] - start_[e - 1] + 1);
        start_[e] = start_[e - 1];
    }
}

bool LzwDecoder::RunCareful(CodeInput& input, Progress& s, std::uint8_t* const o,
                            const std::size_t outSize) {
    for (;;) {
        if (s.bit >= s.checkBits) {
            s.bit = Restock(input, s, s.bit);
            if (s.bit >= s.checkBits) {
                return true;
            }
        }
        const int k = static_cast<int>((ReadBits(window_ + (s.bit >> 3)) >> (s.bit & 7)) &
                                       static_cast<std::uint64_t>(s.limit - 1));
        s.bit += static_cast<unsigned>(s.width);
        if (k == s.clear) {
            s.Reset();
        } else if (k == s.clear + 1) {
            return true;
        } else if (!CarefulStep(s, k, o, outSize)) {
            return false;
        }
    }
}

// An entry written out starts with the byte at its position.
std::uint8_t LzwDecoder::FirstByte(int code, const std::uint8_t* out) const {
    return start_[code] != kDetached ? out[start_[code]] : first_[code];
}

bool LzwDecoder::CarefulStep(Progress& s, int k, std::uint8_t* const o, const std::size_t outSize) {
    std::uint32_t newOffset = s.prevOffset;
    if (k >= s.nextFree) {
        if (k > s.nextFree || s.prev < 0) {
            return false;
        }
        newOffset = kDetached;  // it ends in the byte k is about to write
    }
    int added = -1;
    if (s.nextFree < s.addLimit) {
        // prev's string followed by k's first byte (for the entry k is about
        // to name, prev's first byte). Written out, it is exactly the bytes
        // from prev's position on.
        added = s.nextFree;
        first_[added] = FirstByte(s.prev, o);
        suffix_[added] = k == added ? first_[added] : FirstByte(k, o);
        length_[added] = static_cast<std::uint16_t>(length_[s.prev] + 1);
        prefix_[added] = static_cast<std::uint16_t>(s.prev);
        start_[added] = newOffset;
        ++s.nextFree;
    }
    // A full table keeps decoding at 12 bits and grows no more until the
    // next clear code, as encoders that defer the clear expect.
    s.addLimit = kMaxCodes;
    if (s.nextFree >= s.limit) {
        if (s.nextFree > s.limit) {
            return false;
        }
        if (s.width <= 11) {
            s.limit <<= 1;
            ++s.width;
        }
    }
    s.prev = k;
    const std::size_t len = length_[k];
    const std::size_t pos = s.pos;
    if (len > outSize - pos) {
        s.prevOffset = kDetached;
        if (added >= 0) {
            start_[added] = kDetached;  // its last byte never got written
        }
        return true;
    }
    if (k < s.clear) {
        o[pos] = static_cast<std::uint8_t>(k);
    } else if (start_[k] != kDetached) {
        CopyEarlier(o + pos, o + start_[k], len, outSize - pos);
    } else {
        // The longest prefix that lies in the output already is copied
        // first, so the copy may run over into what the suffixes, put after
        // it last first, then overwrite.
        int cur = k;
        while (cur >= s.clear && start_[cur] == kDetached) {
            cur = prefix_[cur];
        }
        std::size_t head = 1;
        if (cur < s.clear) {
            o[pos] = static_cast<std::uint8_t>(cur);
        } else {
            head = length_[cur];
            CopyEarlier(o + pos, o + start_[cur], head, outSize - pos);
        }
        std::size_t q = pos + len;
        for (int c = k; q > pos + head; c = prefix_[c]) {
            o[--q] = suffix_[c];
        }
        start_[k] = static_cast<std::uint32_t>(pos);
    }
    s.prevOffset = static_cast<std::uint32_t>(pos);
    s.pos = pos + len;
    return true;
}

}  // namespace plimova
