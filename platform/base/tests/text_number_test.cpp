#include <gtest/gtest.h>

#include <climits>
#include <cstdint>

#include "base/ascii.h"
#include "base/integer.h"
#include "base/little_endian.h"

namespace {

TEST(Ascii, TrimsOnlyTheBlanksAsked) {
    EXPECT_EQ(vantry::TrimAscii(" \t a b\t "), "a b");
    EXPECT_EQ(vantry::TrimAscii(" \t "), "");
    EXPECT_EQ(vantry::TrimAscii(""), "");
    EXPECT_EQ(vantry::TrimAscii("\va\f"), "\va\f");
    EXPECT_EQ(vantry::TrimAscii("\v a\f", " \t\v\f"), "a");
}

TEST(Ascii, FoldsOnlyAsciiLetters) {
    EXPECT_TRUE(vantry::EqualsIgnoreAsciiCase("Control Panel", "control PANEL"));
    EXPECT_FALSE(vantry::EqualsIgnoreAsciiCase("abc", "abcd"));
    EXPECT_FALSE(vantry::EqualsIgnoreAsciiCase("\xC4", "\xE4"));  // Latin-1 A/a umlaut stay apart
    EXPECT_FALSE(vantry::EqualsIgnoreAsciiCase("@", "`"));
    EXPECT_EQ(vantry::LowerAscii("REGEDIT4 \xC4"), "regedit4 \xC4");
    EXPECT_TRUE(vantry::StartsWithIgnoreAsciiCase("Mailto:x", "MAILTO:"));
    EXPECT_FALSE(vantry::StartsWithIgnoreAsciiCase("mail", "mailto:"));
}

TEST(Integer, WholeTextOrNothing) {
    EXPECT_EQ(vantry::ParseInteger<int>("42"), 42);
    EXPECT_EQ(vantry::ParseInteger<int>("-7"), -7);
    EXPECT_EQ(vantry::ParseInteger<unsigned>("0409", 16), 0x409u);
    for (const char* bad : {"", " 1", "1 ", "+1", "1x", "-", "0x10"}) {
        EXPECT_FALSE(vantry::ParseInteger<int>(bad)) << bad;
    }
    EXPECT_FALSE(vantry::ParseInteger<unsigned>("-1"));
    EXPECT_FALSE(vantry::ParseInteger<std::uint16_t>("65536"));
    EXPECT_EQ(vantry::ParseInteger<std::uint16_t>("65535"), 65535);
}

TEST(Integer, LeadingNumberReadsLikeProfilesAndSaturates) {
    EXPECT_EQ(vantry::ParseLeadingInt("42"), 42);
    EXPECT_EQ(vantry::ParseLeadingInt("  -1"), -1);
    EXPECT_EQ(vantry::ParseLeadingInt("12abc"), 12);
    EXPECT_EQ(vantry::ParseLeadingInt("abc"), 0);
    EXPECT_EQ(vantry::ParseLeadingInt(""), 0);
    EXPECT_EQ(vantry::ParseLeadingInt(" \t12abc"), 12);
    EXPECT_EQ(vantry::ParseLeadingInt("+5"), 5);
    EXPECT_EQ(vantry::ParseLeadingInt("-"), 0);
    EXPECT_EQ(vantry::ParseLeadingInt("x1"), 0);
    EXPECT_EQ(vantry::ParseLeadingInt("99999999999999999999999"), INT_MAX);
    EXPECT_EQ(vantry::ParseLeadingInt("-2147483648"), INT_MIN);
    EXPECT_EQ(vantry::ParseLeadingInt("-99999999999999999999999"), INT_MIN);
}

TEST(LittleEndian, ReadsInsideTheBytesOnly) {
    const std::string_view bytes("\x01\x02\x03\x04\xFF", 5);
    EXPECT_EQ(vantry::ReadLittleEndian(bytes, 0, 2), 0x0201u);
    EXPECT_EQ(vantry::ReadLittleEndian(bytes, 1, 4), 0xFF040302u);
    EXPECT_EQ(vantry::ReadLittleEndian(bytes, 4, 1), 0xFFu);
    EXPECT_FALSE(vantry::ReadLittleEndian(bytes, 2, 4));
    EXPECT_FALSE(vantry::ReadLittleEndian(bytes, 5, 1));
    EXPECT_FALSE(vantry::ReadLittleEndian(bytes, UINT64_MAX, 1));
    EXPECT_FALSE(vantry::ReadLittleEndian(bytes, 0, 0));
    EXPECT_FALSE(vantry::ReadLittleEndian(bytes, 0, 9));
}

TEST(LittleEndian, WritesInsideTheBytesOnly) {
    std::uint8_t bytes[5] = {};
    EXPECT_TRUE(vantry::WriteLittleEndian(bytes, 1, 4, 0x1122334455ull));
    EXPECT_EQ(vantry::ReadLittleEndian(std::string_view(reinterpret_cast<char*>(bytes), 5), 0, 5),
              0x2233445500u);
    EXPECT_FALSE(vantry::WriteLittleEndian(bytes, 2, 4, UINT64_MAX));
    EXPECT_FALSE(vantry::WriteLittleEndian(bytes, UINT64_MAX, 1, UINT64_MAX));
    EXPECT_FALSE(vantry::WriteLittleEndian(bytes, 0, 9, UINT64_MAX));
    EXPECT_EQ(bytes[0], 0u);  // a refused write leaves the bytes as they were
}

}  // namespace
