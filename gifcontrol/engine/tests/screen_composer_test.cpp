// Composition of frames on the logical screen: restore rule, transparency,
// mask picture, opaque bitmask and its run-rectangle region.

#include "engine/screen_composer.h"

#include <gtest/gtest.h>

#include <initializer_list>

#include "engine/gif_image.h"
#include "engine/tests/gif_builder.h"

namespace plimova {
namespace {

using test::Bytes;
using test::GifBuilder;
using test::ImageSpec;
using test::Solid;

constexpr Rgb kBack{0, 0, 200};

// Global table of 4 entries: index i is (7i, 13i, 255 - i).
std::uint32_t Colour(int i) {
    return PixelOf(Rgb{static_cast<std::uint8_t>(7 * i), static_cast<std::uint8_t>(13 * i),
                       static_cast<std::uint8_t>(255 - i)});
}

// The screen as characters: '.' background, digits for palette entries.
std::string Screen(const ScreenComposer& c) {
    std::string out;
    for (int y = 0; y < c.Screen().Height(); ++y) {
        for (int x = 0; x < c.Screen().Width(); ++x) {
            const std::uint32_t p = c.Screen().At(x, y);
            char ch = '?';
            if (p == PixelOf(kBack)) {
                ch = '.';
            }
            for (int i = 0; i < 4; ++i) {
                if (p == Colour(i)) {
                    ch = static_cast<char>('0' + i);
                }
            }
            out += ch;
        }
        out += '\n';
    }
    return out;
}

std::string Bits(const ScreenComposer& c) {
    std::string out;
    for (int y = 0; y < c.Bitmask().Height(); ++y) {
        for (int x = 0; x < c.Bitmask().Width(); ++x) {
            out += c.Bitmask().Get(x, y) ? '#' : '.';
        }
        out += '\n';
    }
    return out;
}

// Mask picture and bitmask must agree: black exactly where a bit is set.
void ExpectMaskMatchesBits(const ScreenComposer& c) {
    for (int y = 0; y < c.Mask().Height(); ++y) {
        for (int x = 0; x < c.Mask().Width(); ++x) {
            EXPECT_EQ(c.Mask().At(x, y) == 0, c.Bitmask().Get(x, y)) << x << "," << y;
        }
    }
}

TEST(ScreenComposer, CreateFillsAndComposeNeedsCreate) {
    GifImage image;
    ASSERT_TRUE(image.LoadFromData(GifBuilder(3, 2).Image(Solid(0, 0, 1, 1, 1)).Trailer().Span()));
    ScreenComposer c;
    EXPECT_FALSE(c.Compose(image, 0, kBack));
    c.Create(3, 2, kBack);
    EXPECT_EQ(Screen(c), "...\n...\n");
    EXPECT_EQ(c.Mask().At(2, 1), 0xFF);
    EXPECT_EQ(c.Previous(), -1);
    EXPECT_TRUE(c.OpaqueRegion().Empty());
    EXPECT_FALSE(c.Compose(image, 1, kBack));
    EXPECT_FALSE(c.Compose(image, -1, kBack));
    EXPECT_TRUE(c.Compose(image, 0, kBack));
    EXPECT_EQ(Screen(c), "1..\n...\n");
    c.Discard();
    EXPECT_FALSE(c.Exists());
}

// A GIF loaded and a composer created on its logical screen.
class ScreenComposerTest : public ::testing::Test {
protected:
    bool Load(const GifBuilder& b) {
        if (!image.LoadFromData(b.Span())) {
            return false;
        }
        c.Create(image.ScreenWidth(), image.ScreenHeight(), kBack);
        return true;
    }
    void Compose(std::initializer_list<int> frames) {
        for (int k : frames) {
            c.Compose(image, k, kBack);
        }
    }

    GifImage image;
    ScreenComposer c;
};

TEST_F(ScreenComposerTest, TransparentPixelsKeepWhatWasThere) {
    ImageSpec over = Solid(1, 0, 2, 2, 2);
    over.indices = {3, 2, 2, 3};
    ASSERT_TRUE(
        Load(GifBuilder(4, 2).Image(Solid(0, 0, 4, 2, 1)).Control(0, 0, 3).Image(over).Trailer()));
    Compose({0, 1});
    EXPECT_EQ(Screen(c), "1121\n1211\n");
    ExpectMaskMatchesBits(c);
    // The stored table keeps black at the transparent index afterwards.
    const std::uint8_t* entry = image.Frame(1)->bitmap.data() + 40 + 12;
    EXPECT_EQ(entry[0] | entry[1] | entry[2], 0);
}

TEST_F(ScreenComposerTest, OnlyDisposalTwoRestoresThePreviousRectangle) {
    for (int disposal : {0, 1, 2, 3, 4, 7}) {
        ASSERT_TRUE(Load(GifBuilder(4, 1)
                             .Image(Solid(0, 0, 1, 1, 0))
                             .Control(disposal, 0)
                             .Image(Solid(1, 0, 2, 1, 1))
                             .Image(Solid(3, 0, 1, 1, 2))
                             .Trailer()));
        for (int k = 0; k < 3; ++k) {
            ASSERT_TRUE(c.Compose(image, k, kBack));
        }
        EXPECT_EQ(Screen(c), disposal == 2 ? "0..2\n" : "0112\n") << disposal;
        EXPECT_EQ(Bits(c), disposal == 2 ? "#..#\n" : "####\n") << disposal;
        ExpectMaskMatchesBits(c);
    }
}

TEST_F(ScreenComposerTest, AllFramesDisposalTwoShowEachFrameAlone) {
    GifBuilder b(3, 1);
    for (int i = 0; i < 3; ++i) {
        b.Control(2, 0).Image(Solid(i, 0, 1, 1, static_cast<std::uint8_t>(i + 1)));
    }
    ASSERT_TRUE(Load(b.Trailer()));
    const char* expected[] = {"1..\n", ".2.\n", "..3\n"};
    for (int round = 0; round < 2; ++round) {
        for (int k = 0; k < 3; ++k) {
            c.Compose(image, k, kBack);
            EXPECT_EQ(Screen(c), expected[k]);
        }
    }
}

TEST_F(ScreenComposerTest, FrameZeroClearsTheWholeScreen) {
    ASSERT_TRUE(
        Load(GifBuilder(3, 1).Image(Solid(0, 0, 1, 1, 1)).Image(Solid(2, 0, 1, 1, 2)).Trailer()));
    Compose({0, 1});
    EXPECT_EQ(Screen(c), "1.2\n");
    c.Compose(image, 0, Rgb{0, 0, 200});
    EXPECT_EQ(Screen(c), "1..\n");
    EXPECT_EQ(Bits(c), "#..\n");
}

TEST_F(ScreenComposerTest, ReverseOrderComposesOverWhatWasShown) {
    ASSERT_TRUE(Load(GifBuilder(3, 1)
                         .Image(Solid(0, 0, 1, 1, 1))
                         .Image(Solid(1, 0, 1, 1, 2))
                         .Image(Solid(2, 0, 1, 1, 3))
                         .Trailer()));
    Compose({0, 2});
    EXPECT_EQ(Screen(c), "1.3\n");
    Compose({1});
    EXPECT_EQ(Screen(c), "123\n");
}

TEST_F(ScreenComposerTest, FramesPartlyOffScreenAreClipped) {
    ImageSpec edge = Solid(2, 1, 3, 3, 1);  // runs two columns and two rows past
    ASSERT_TRUE(Load(GifBuilder(3, 2)
                         .Image(Solid(0, 0, 1, 1, 3))
                         .Control(2, 0)
                         .Image(edge)
                         .Image(Solid(60000, 60000, 2, 2, 2))
                         .Trailer()));
    Compose({0, 1});
    EXPECT_EQ(Screen(c), "3..\n..1\n");
    EXPECT_EQ(Bits(c), "#..\n..#\n");
    Compose({2});  // restore of the clipped rectangle, draw nowhere
    EXPECT_EQ(Screen(c), "3..\n...\n");
    EXPECT_EQ(Bits(c), "#..\n...\n");
    ExpectMaskMatchesBits(c);
}

TEST(ScreenComposer, RegionIsRunsPerRowTopToBottom) {
    BitPlane bits(20, 3, 8);
    for (int x : {0, 1, 2, 5, 8, 9, 10, 11, 12, 13, 14, 15, 16, 19}) {
        bits.Set(x, 0);
    }
    for (int x = 0; x < 20; ++x) {
        bits.Set(x, 2);
    }
    const Region r = ScreenComposer::BuildRegion(bits);
    const std::vector<Rect> expected = {
        {0, 0, 3, 1}, {5, 0, 6, 1}, {8, 0, 17, 1}, {19, 0, 20, 1}, {0, 2, 20, 3}};
    EXPECT_EQ(r.rects, expected);
    EXPECT_TRUE(ScreenComposer::BuildRegion(BitPlane(9, 9, 8)).Empty());
    EXPECT_TRUE(ScreenComposer::BuildRegion(BitPlane()).Empty());
}

TEST_F(ScreenComposerTest, RegionFollowsTheComposedFrames) {
    ImageSpec holes = Solid(0, 0, 4, 2, 1);
    holes.indices = {1, 0, 0, 1, 0, 1, 1, 1};
    ASSERT_TRUE(Load(GifBuilder(5, 2).Control(0, 0, 0).Image(holes).Trailer()));
    Compose({0});
    const std::vector<Rect> expected = {{0, 0, 1, 1}, {3, 0, 4, 1}, {1, 1, 4, 2}};
    EXPECT_EQ(c.OpaqueRegion().rects, expected);
    EXPECT_EQ(c.Previous(), 0);
}

}  // namespace
}  // namespace plimova
