// Reading the user-defined playback order.

#include "control/sequence.h"

#include <gtest/gtest.h>

namespace plimova {
namespace {

using List = std::vector<int16_t>;

TEST(ParseSequence, PiecesBetweenCommas) {
    EXPECT_EQ(ParseSequence(u""), List{});
    EXPECT_EQ(ParseSequence(u"2,,0,7"), (List{2, 0, 7}));
    EXPECT_EQ(ParseSequence(u",,,"), List{});
    EXPECT_EQ(ParseSequence(u"5"), List{5});
    EXPECT_EQ(ParseSequence(u"1,2,"), (List{1, 2}));
}

TEST(ParseSequence, EachPieceReadLikeADecimalNumber) {
    EXPECT_EQ(ParseSequence(u"  3, -2,+4"), (List{3, -2, 4}));
    EXPECT_EQ(ParseSequence(u"x,7x, 8 9"), (List{0, 7, 8}));
    EXPECT_EQ(ParseSequence(u" ,-,+"), (List{0, 0, 0}));
    EXPECT_EQ(ParseSequence(u"\t12"), List{12});
}

TEST(ParseSequence, LargeNumbersNarrowToSixteenBits) {
    EXPECT_EQ(ParseSequence(u"65537"), List{1});
    EXPECT_EQ(ParseSequence(u"32768"), List{-32768});
    // Far more digits than fit anywhere: no overflow, a fixed result.
    const List huge = ParseSequence(u"99999999999999999999999");
    ASSERT_EQ(huge.size(), 1u);
    EXPECT_EQ(huge[0], static_cast<int16_t>(static_cast<uint16_t>(INT32_MAX & 0xFFFF)));
}

}  // namespace
}  // namespace plimova
