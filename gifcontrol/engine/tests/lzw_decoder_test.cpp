// The code-stream decoder on hand-packed streams: widths, clear and end
// codes, the full table, strings that would overflow the output.

#include "engine/lzw_decoder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <ostream>
#include <random>
#include <string>
#include <vector>

#include "engine/tests/gif_builder.h"

namespace plimova {
namespace {

using test::Bytes;
using test::CodeWriter;

std::span<const std::byte> AsBytes(const Bytes& b) {
    return {reinterpret_cast<const std::byte*>(b.data()), b.size()};
}

// Tracks the code width a decoder expects, so tests can pack any code
// sequence with the widths it will be read with.
struct WidthTracker {
    explicit WidthTracker(int b) : initial(b + 1), clear(1 << b) { Reset(); }
    void Reset() {
        width = initial;
        limit = 1 << initial;
        nextFree = clear + 2;
        hasPrev = false;
    }
    // Width to write `code` with; updates the state as the decoder will.
    int Put(CodeWriter& w, int code) {
        const int used = width;
        w.Put(static_cast<unsigned>(code), used);
        if (code == clear) {
            Reset();
            return used;
        }
        if (hasPrev) {
            ++nextFree;
        }
        hasPrev = true;
        if (nextFree >= limit && width <= 11) {
            limit <<= 1;
            ++width;
        }
        return used;
    }
    int initial, clear, width = 0, limit = 0, nextFree = 0;
    bool hasPrev = false;
};

TEST(LzwDecoder, RoundTripsEveryCodeSize) {
    std::mt19937 rng(7);
    LzwDecoder lzw;
    for (int b = 1; b <= 8; ++b) {
        for (std::size_t size : {1u, 2u, 17u, 1000u, 70000u}) {
            Bytes indices(size);
            // Runs make long strings and a full table; noise makes short ones.
            for (std::size_t i = 0; i < size; ++i) {
                indices[i] =
                    static_cast<std::uint8_t>((i % 97 < 50 ? (i / 13) : rng()) & ((1u << b) - 1));
            }
            const Bytes codes = test::LzwEncode(indices, b);
            std::vector<std::uint8_t> out(size, 0xAA);
            ASSERT_TRUE(lzw.Decode(AsBytes(codes), b, out)) << "b=" << b << " size=" << size;
            EXPECT_EQ(out, indices) << "b=" << b << " size=" << size;
        }
    }
}

// The parser hands the decoder the sub-blocks as they lie in the file; codes
// straddle block borders and the decoder's window refills many times.
TEST(LzwDecoder, SubBlocksDecodeLikeTheJoinedData) {
    std::mt19937 rng(11);
    Bytes indices(60000);
    for (auto& i : indices) {
        i = static_cast<std::uint8_t>(rng());
    }
    const Bytes codes = test::LzwEncode(indices, 8);
    ASSERT_GT(codes.size(), 3u * 4096);
    for (std::size_t piece : {1u, 2u, 7u, 254u, 255u}) {
        Bytes chain;
        for (std::size_t at = 0; at < codes.size(); at += piece) {
            const std::size_t n = std::min(piece, codes.size() - at);
            chain.push_back(static_cast<std::uint8_t>(n));
            chain.insert(chain.end(), codes.begin() + static_cast<std::ptrdiff_t>(at),
                         codes.begin() + static_cast<std::ptrdiff_t>(at + n));
        }
        chain.push_back(0);
        chain.push_back(0x55);  // past the terminator: never read
        LzwDecoder lzw;
        std::vector<std::uint8_t> out(indices.size(), 0xAA);
        ASSERT_TRUE(lzw.DecodeSubBlocks(chain, 8, out)) << "piece " << piece;
        EXPECT_EQ(out, indices) << "piece " << piece;

        // Cut inside a sub-block: decodes what the joined bytes up to the cut
        // give, and stops there.
        const std::size_t cut = chain.size() / 2;
        const std::size_t dataBytes = cut - (cut + piece) / (piece + 1);
        std::vector<std::uint8_t> joined(indices.size());
        ASSERT_TRUE(lzw.Decode(
            AsBytes(Bytes(codes.begin(), codes.begin() + static_cast<std::ptrdiff_t>(dataBytes))),
            8, joined));
        std::vector<std::uint8_t> chained(indices.size());
        ASSERT_TRUE(lzw.DecodeSubBlocks({chain.data(), cut}, 8, chained));
        EXPECT_EQ(chained, joined) << "piece " << piece;
    }
}

TEST(LzwDecoder, CodeSizeAboveEightFails) {
    LzwDecoder lzw;
    std::vector<std::uint8_t> out(4);
    CodeWriter w;
    w.Put(512, 10);
    w.Put(0, 10);
    w.Put(513, 10);
    const Bytes codes = w.Finish();
    EXPECT_FALSE(lzw.Decode(AsBytes(codes), 9, out));

    const Bytes ok = test::LzwEncode(Bytes{1, 2, 255, 0}, 8);
    EXPECT_TRUE(lzw.Decode(AsBytes(ok), 8, out));
    EXPECT_EQ(out, (std::vector<std::uint8_t>{1, 2, 255, 0}));
}

// A code stream at code size 2, packed with the widths the decoder reads,
// decoded into `outSize` bytes.
struct CodeStreamCase {
    const char* name;
    std::vector<int> codes;
    std::size_t outSize;
    bool decodes;
    std::vector<std::uint8_t> expected;  // checked when it decodes
};

void PrintTo(const CodeStreamCase& c, std::ostream* os) {
    *os << c.name;
}

// clang-format off
const CodeStreamCase kCodeStreams[] = {
    // Sixteen bits, no end code: decoding stops at the end of the data.
    {"MissingEndCodeDecodesToEndOfData", {4, 1, 2, 3, 1}, 6, true, {1, 2, 3, 1, 0, 0}},
    // Unreached pixels become 0.
    {"EndCodeStopsBeforeLaterData", {4, 1, 5, 2, 2, 2}, 4, true, {1, 0, 0, 0}},
    // 1, then 6 = "1"+"1", then 7 = "11"+"1".
    {"CodeEqualToNextFreeRepeatsPrevious", {4, 1, 6, 7, 5}, 6, true, {1, 1, 1, 1, 1, 1}},
    {"CodeBeyondNextFreeFails", {4, 1, 7}, 8, false, {}},
    {"NextFreeWithNoPreviousCodeFails", {4, 6}, 8, false, {}},
    {"NextFreeWithNoPreviousCodeAfterMidStreamClearFails", {4, 1, 2, 4, 6}, 8, false, {}},
    // 0, 1, then 6 = "01" (two bytes, one left: skipped), then 2 fits.
    {"StringThatWouldOverflowIsSkipped", {4, 0, 1, 6, 2, 5}, 3, true, {0, 1, 2}},
    // With room for 3 bytes: 0, 1 (entry 6 = "01"), 6 skipped (entry 7 =
    // "1" + "0"), 3 written; then code 7 must be "10" and 8 "01"+"3".
    {"SkippedStringsStillGrowTheTable", {4, 0, 1, 6, 3, 5}, 3, true, {0, 1, 3}},
    // An entry made while its string is skipped is still right when a
    // later, shorter use of it fits: 0, 6="00", 7="000", 8="0000" fill 10
    // bytes, 1 leaves room 3, 8 is skipped (making 10 = "1"+"0"), 10 fits.
    {"SkippedEntryIsRightWhenAShorterUseFits", {4, 0, 6, 7, 8, 1, 8, 10, 2, 5}, 14, true,
     {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 0, 2}},
};
// clang-format on

class LzwCodeStream : public ::testing::TestWithParam<CodeStreamCase> {};

TEST_P(LzwCodeStream, DecodesAsListed) {
    const CodeStreamCase& c = GetParam();
    CodeWriter w;
    WidthTracker t(2);
    for (int code : c.codes) {
        t.Put(w, code);
    }
    const Bytes codes = w.Finish();
    LzwDecoder lzw;
    std::vector<std::uint8_t> out(c.outSize, 0xAA);
    if (!c.decodes) {
        EXPECT_FALSE(lzw.Decode(AsBytes(codes), 2, out));
        return;
    }
    ASSERT_TRUE(lzw.Decode(AsBytes(codes), 2, out));
    EXPECT_EQ(out, c.expected);
}

INSTANTIATE_TEST_SUITE_P(Cases, LzwCodeStream, ::testing::ValuesIn(kCodeStreams),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(LzwDecoder, FullTableKeepsDecodingAtTwelveBitsUntilClear) {
    LzwDecoder lzw;
    // After the clear, code 0 repeated: every code but the first adds an
    // entry; 4091 codes fill entries 6 .. 4095 ("00" each).
    CodeWriter w;
    WidthTracker t(2);
    t.Put(w, 4);
    for (int i = 0; i < 4091; ++i) {
        t.Put(w, 0);
    }
    ASSERT_EQ(t.nextFree, 4096);
    // Coding goes on at 12 bits on the full table, then a clear starts over.
    for (int c : {1, 2, 4095}) {
        EXPECT_EQ(t.Put(w, c), 12);
    }
    t.Put(w, 4);
    EXPECT_EQ(t.Put(w, 3), 3);
    t.Put(w, 5);
    const Bytes codes = w.Finish();
    std::vector<std::uint8_t> out(4097, 0xAA);
    ASSERT_TRUE(lzw.Decode(AsBytes(codes), 2, out));
    std::vector<std::uint8_t> expected(4097, 0);
    expected[4091] = 1;
    expected[4092] = 2;
    expected[4095] = 3;
    EXPECT_EQ(out, expected);
}

TEST(LzwDecoder, ClearResetsWidth) {
    LzwDecoder lzw;
    CodeWriter w;
    WidthTracker t(2);
    t.Put(w, 4);
    for (int i = 0; i < 10; ++i) {  // grows to width 4
        t.Put(w, 1);
    }
    EXPECT_EQ(t.width, 4);
    t.Put(w, 4);
    EXPECT_EQ(t.width, 3);
    t.Put(w, 2);
    t.Put(w, 5);
    const Bytes codes = w.Finish();
    std::vector<std::uint8_t> out(11, 0xAA);
    ASSERT_TRUE(lzw.Decode(AsBytes(codes), 2, out));
    EXPECT_EQ(out, (std::vector<std::uint8_t>{1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 2}));
}

TEST(LzwDecoder, EmptyDataSucceedsWithZeroedOutput) {
    LzwDecoder lzw;
    std::vector<std::uint8_t> out(5, 0xAA);
    EXPECT_TRUE(lzw.Decode({}, 2, out));
    EXPECT_EQ(out, (std::vector<std::uint8_t>(5, 0)));
}

// Once the output is full, every later code is still read and checked, over
// more code data than the decoder's window holds at once.
TEST(LzwDecoder, CodesPastAFullOutputAreStillChecked) {
    const auto stream = [](int lastCode) {
        CodeWriter w;
        WidthTracker t(8);
        t.Put(w, 256);
        for (int i = 0; i < 8000; ++i) {  // fills the table, then runs on at 12 bits
            t.Put(w, i % 256);
        }
        t.Put(w, 256);
        t.Put(w, 7);
        t.Put(w, lastCode);
        return w.Finish();
    };
    LzwDecoder lzw;
    const Bytes valid = stream(258);  // "7" + "7"
    const Bytes invalid = stream(259);
    ASSERT_GT(valid.size(), 2u * 4096);
    std::vector<std::uint8_t> out(3, 0xAA);
    EXPECT_TRUE(lzw.Decode(AsBytes(valid), 8, out));
    EXPECT_EQ(out, (std::vector<std::uint8_t>{0, 1, 2}));
    EXPECT_FALSE(lzw.Decode(AsBytes(invalid), 8, out));
}

// The output fills up in the last window of a long stream without an end
// code: decoding stops where the data ends, not at the window's size.
TEST(LzwDecoder, OutputFillingNearTheDataEndStopsThere) {
    CodeWriter w;
    WidthTracker t(8);
    Bytes expected;
    t.Put(w, 256);
    for (int i = 0; i < 6000; ++i) {
        t.Put(w, (i * 7) % 256);
        expected.push_back(static_cast<std::uint8_t>((i * 7) % 256));
    }
    t.Put(w, 256);
    for (int c : {1, 2, 3}) {
        t.Put(w, c);
    }
    expected.push_back(1);
    const Bytes codes = w.Finish();
    ASSERT_GT(codes.size(), 4096u + 8);
    LzwDecoder lzw;
    std::vector<std::uint8_t> out(expected.size(), 0xAA);
    ASSERT_TRUE(lzw.Decode(AsBytes(codes), 8, out));
    EXPECT_EQ(out, expected);
}

// A minimum code size of 0 gives no room for any entry: only clear codes
// decode.
TEST(LzwDecoder, CodeSizeZeroFailsOnTheFirstPixel) {
    LzwDecoder lzw;
    std::vector<std::uint8_t> out(4, 0xAA);
    // One-bit codes: eight clears; seven clears, then a 0.
    const Bytes onlyClears{0xFF};
    const Bytes pixel{0x7F};
    EXPECT_TRUE(lzw.Decode(AsBytes(onlyClears), 0, out));
    EXPECT_EQ(out, (std::vector<std::uint8_t>(4, 0)));
    EXPECT_FALSE(lzw.Decode(AsBytes(pixel), 0, out));
}

}  // namespace
}  // namespace plimova
