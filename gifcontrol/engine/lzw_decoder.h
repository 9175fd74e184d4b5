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
    struct Progress;
    enum class Outcome { kEnd, kFailed, kCareful };

    bool Run(CodeInput& input, int minCodeSize, std::span<std::uint8_t> out);
    // Decodes while every string fits with room to spare; the first that
    // does not goes to CarefulStep, with the table turned into the careful
    // form, and kCareful is returned.
    Outcome RunFast(CodeInput& input, Progress& s, std::uint8_t* out, std::size_t outSize);
    void LeaveFast(Progress& s);
    // Decodes the rest one code at a time through CarefulStep.
    bool RunCareful(CodeInput& input, Progress& s, std::uint8_t* out, std::size_t outSize);
    // One code `k` under every rule, including strings that do not fit.
    bool CarefulStep(Progress& s, int k, std::uint8_t* out, std::size_t outSize);
    std::uint8_t FirstByte(int code, const std::uint8_t* out) const;
    // Keeps the window's unread bytes from `from` on, tops it up; returns the
    // count of bytes it now holds.
    std::size_t Refill(CodeInput& input, std::size_t from, std::size_t valid);
    std::uint64_t Restock(CodeInput& input, Progress& s, std::uint64_t bit);

    static constexpr int kTableSize = 4097;
    static constexpr int kMaxCodes = 4096;  // what 12-bit codes can name
    static constexpr std::uint32_t kDetached = 0xFFFFFFFFu;

    // While every string is written whole, the entry a code makes is the
    // output from the previous code's position up to and including its own
    // first byte, so one output position per code is all the table needs:
    // entry e runs from start_[e - 1] to start_[e], and start_[clear + 1]
    // holds where the first code after a clear went.
    //
    // In the careful form, entry e's string sits contiguously in the output
    // at start_[e] with length_[e] bytes, or, when it never got written
    // whole (start_[e] == kDetached), is its prefix_ entry's string
    // followed by suffix_[e], beginning with first_[e].
    std::uint32_t start_[kTableSize];
    std::uint16_t length_[kTableSize];
    std::uint16_t prefix_[kTableSize];
    std::uint8_t first_[kTableSize];
    std::uint8_t suffix_[kTableSize];
    // Codes are read from this window, refilled a piece at a time, so the
    // image's data is never copied whole. Eight zero bytes follow the valid
    // ones so that every code is one 64-bit load.
    static constexpr std::size_t kWindowBytes = 4096;
    std::uint8_t window_[kWindowBytes + 8];
};

}  // namespace plimova
