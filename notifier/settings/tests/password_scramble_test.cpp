// Stored password scrambling: exact bytes, length, round trip.
#include <gtest/gtest.h>

#include "settings/password_scramble.h"

using namespace corvy::settings;

TEST(PasswordScramble, ExactBytesAndRoundTrip) {
    EXPECT_EQ(ScramblePassword("abc"), std::string("`ca"
                                                   "d"
                                                   "be"));
    EXPECT_EQ(UnscramblePassword("`cadbe"), "abc");
    EXPECT_EQ(ScramblePassword(""), "");
    EXPECT_EQ(UnscramblePassword(""), "");
    const std::string every = [] {
        std::string s;
        for (int c = 1; c < 256; ++c) {
            s.push_back(static_cast<char>(c));
        }
        return s;
    }();
    const std::string stored = ScramblePassword(every);
    EXPECT_EQ(stored.size(), every.size() * 2);
    EXPECT_EQ(UnscramblePassword(stored), every);
}

TEST(PasswordScramble, ByteArithmeticWrapsAndOddLengthIsTolerated) {
    // 0xFF + 2 wraps to 0x01; 0x00 - 1 wraps to 0xFF.
    EXPECT_EQ(ScramblePassword("\xff"), std::string("\xfe\x01", 2));
    // A damaged stored text of odd length still reads its even positions.
    EXPECT_EQ(UnscramblePassword("`ca"), "ab");
}
