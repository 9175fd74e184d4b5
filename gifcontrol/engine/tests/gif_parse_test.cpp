// Block-level parse, frame queries and the bitmap block, on hand-built files.

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <ostream>

#include "engine/gif_image.h"
#include "engine/tests/gif_builder.h"
#include "test_env.h"

namespace plimova {

void PrintTo(const FrameInfo& f, std::ostream* os) {
    *os << "{left " << f.left << ", top " << f.top << ", " << f.width << "x" << f.height
        << ", delay " << f.delay << ", transparent " << f.transparent << ", disposal " << f.disposal
        << "}";
}

namespace {

using test::Bytes;
using test::GifBuilder;
using test::ImageSpec;

ImageSpec Img(int w, int h, int left = 0, int top = 0) {
    ImageSpec s;
    s.width = w;
    s.height = h;
    s.left = left;
    s.top = top;
    return s;
}

bool Load(GifImage& image, const GifBuilder& b) {
    return image.LoadFromData(b.Span());
}

std::uint32_t Le32(const std::uint8_t* p) {
    return p[0] | p[1] << 8 | p[2] << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

// ---- header, screen descriptor, trailer -------------------------------------

TEST(GifParseHeader, AcceptsOnlyTheTwoVersions) {
    GifImage image;
    for (const char* v : {"GIF87a", "GIF89a"}) {
        EXPECT_TRUE(Load(image, GifBuilder(4, 4, 2, v).Image(Img(4, 4)).Trailer())) << v;
    }
    for (const char* v : {"GIF89A", "GIF90a", "GIF88a", "gif89a", "GIF8 a", "JIF89a"}) {
        EXPECT_FALSE(Load(image, GifBuilder(4, 4, 2, v).Image(Img(4, 4)).Trailer())) << v;
        EXPECT_EQ(image.FrameCount(), 0);
        EXPECT_FALSE(image.Bytes().has_value());
    }
}

TEST(GifParseHeader, ShortOrTruncatedScreenFails) {
    GifImage image;
    const Bytes full = GifBuilder(4, 4, 2).Image(Img(4, 4)).Trailer().Data();
    // 6 header + 7 descriptor + 12 table bytes: every cut before the end of
    // the table fails.
    for (std::size_t cut = 0; cut < 6 + 7 + 12; ++cut) {
        EXPECT_FALSE(image.LoadFromData({reinterpret_cast<const std::byte*>(full.data()), cut}))
            << cut;
    }
}

TEST(GifParseHeader, TrailerRightAfterScreenIsAnEmptyGif) {
    GifImage image;
    ASSERT_TRUE(Load(image, GifBuilder(320, 200, 0).Trailer()));
    EXPECT_TRUE(image.Loaded());
    EXPECT_EQ(image.FrameCount(), 0);
    EXPECT_EQ(image.ScreenWidth(), 320);
    EXPECT_EQ(image.ScreenHeight(), 200);
    EXPECT_TRUE(image.Bytes().has_value());
}

TEST(GifParseHeader, NoImageAndNoTrailerFails) {
    GifImage image;
    EXPECT_FALSE(Load(image, GifBuilder(4, 4, 2)));
    EXPECT_FALSE(Load(image, GifBuilder(4, 4, 2).Comment("hi")));
    EXPECT_FALSE(Load(image, GifBuilder(4, 4, 2).Raw(Bytes{0x00})));
}

TEST(GifParseHeader, ScreenFieldsAreKept) {
    GifImage image;
    Bytes b = GifBuilder(7, 9, 3).Image(Img(1, 1)).Trailer().Data();
    b[11] = 5;   // background index
    b[12] = 49;  // aspect
    ASSERT_TRUE(image.LoadFromData({reinterpret_cast<const std::byte*>(b.data()), b.size()}));
    EXPECT_EQ(image.ScreenFlags(), 0x82);
    EXPECT_EQ(image.BackgroundIndex(), 5);
    EXPECT_EQ(image.Aspect(), 49);
}

// ---- loop: extensions, images, truncation -----------------------------------

TEST(GifParseLoop, ExtensionsOtherThanControlAreSkipped) {
    GifImage image;
    const Bytes app = {0x21, 0xFF, 11,  'N', 'E', 'T', 'S', 'C', 'A', 'P',
                       'E',  '2',  '.', '0', 3,   1,   0,   0,   0};
    const Bytes odd = {0x21, 0x42, 2, 9, 9, 0};
    ASSERT_TRUE(
        Load(image, GifBuilder().Raw(app).Comment("x").Raw(odd).Image(Img(2, 2)).Trailer()));
    EXPECT_EQ(image.FrameCount(), 1);
}

TEST(GifParseLoop, TruncatedExtensionEndsTheLoop) {
    GifImage image;
    // Image, then an extension whose sub-block runs past the end.
    EXPECT_TRUE(Load(image, GifBuilder().Image(Img(2, 2)).Raw(Bytes{0x21, 0xFE, 9, 'a'})));
    EXPECT_EQ(image.FrameCount(), 1);
    // Missing terminator.
    EXPECT_TRUE(Load(image, GifBuilder().Image(Img(2, 2)).Raw(Bytes{0x21, 0xFE, 1, 'a'})));
    // Introducer and label only.
    EXPECT_TRUE(Load(image, GifBuilder().Image(Img(2, 2)).Raw(Bytes{0x21, 0xF9})));
    EXPECT_FALSE(Load(image, GifBuilder().Raw(Bytes{0x21})));
}

TEST(GifParseLoop, StrayByteEndsTheLoopKeepingFrames) {
    GifImage image;
    ASSERT_TRUE(Load(image, GifBuilder().Image(Img(2, 2)).Raw(Bytes{0x00}).Image(Img(2, 2))));
    EXPECT_EQ(image.FrameCount(), 1);
}

TEST(GifParseLoop, CutInSecondImageKeepsTheFirst) {
    const Bytes one = GifBuilder().Image(Img(4, 4)).Data();
    const Bytes two = GifBuilder().Image(Img(4, 4)).Image(Img(4, 4)).Data();
    GifImage image;
    for (std::size_t cut = one.size() + 1; cut < two.size(); ++cut) {
        ASSERT_TRUE(image.LoadFromData({reinterpret_cast<const std::byte*>(two.data()), cut}))
            << cut;
        EXPECT_EQ(image.FrameCount(), 1) << cut;
    }
}

TEST(GifParseLoop, FewBytesAfterCommaEndsTheLoop) {
    GifImage image;
    for (int tail = 0; tail < 9; ++tail) {
        Bytes rest{0x2C};
        rest.resize(1 + tail, 0);
        EXPECT_TRUE(Load(image, GifBuilder().Image(Img(2, 2)).Raw(rest))) << tail;
        EXPECT_EQ(image.FrameCount(), 1);
        EXPECT_FALSE(Load(image, GifBuilder().Raw(rest))) << tail;
    }
}

TEST(GifParseLoop, DamagedImageIsDroppedAndParseGoesOn) {
    GifImage image;
    ImageSpec bad = Img(3, 3);
    bad.minCodeSize = 9;
    bad.rawCodes = {0x00, 0x02, 0x00};
    ImageSpec good = Img(2, 2, 1, 1);
    good.minCodeSize = 8;
    ASSERT_TRUE(Load(image, GifBuilder(4, 4, 8).Image(bad).Image(good).Trailer()));
    ASSERT_EQ(image.FrameCount(), 1);
    EXPECT_EQ(image.GetFrameInfo(0)->left, 1);
    EXPECT_EQ(image.GetFrameInfo(0)->width, 2);
}

TEST(GifParseLoop, TruncatedLocalTableFailsTheImageAfterItsDescriptor) {
    GifImage image;
    // Descriptor announcing a local table of 4 entries, then one byte: the
    // step fails after the descriptor and the loop reads that byte, a
    // trailer, as the next block.
    const Bytes desc = {0x2C, 0, 0, 0, 0, 2, 0, 2, 0, 0x81, 0x3B};
    ASSERT_TRUE(Load(image, GifBuilder().Raw(desc)));
    EXPECT_EQ(image.FrameCount(), 0);
    ASSERT_TRUE(Load(image, GifBuilder().Image(Img(1, 1)).Raw(desc)));
    EXPECT_EQ(image.FrameCount(), 1);
}

TEST(GifParseLoop, ControlExtensionOfFiveBytesEndsTheParse) {
    GifImage image;
    const Bytes five = {1, 10, 0, 3, 7};
    ASSERT_TRUE(Load(image, GifBuilder().Image(Img(2, 2)).RawControl(five).Image(Img(2, 2))));
    EXPECT_EQ(image.FrameCount(), 1);
    EXPECT_FALSE(Load(image, GifBuilder().RawControl(five).Image(Img(2, 2)).Trailer()));
    const Bytes three = {1, 10, 0};
    EXPECT_FALSE(Load(image, GifBuilder().RawControl(three).Image(Img(2, 2)).Trailer()));
}

TEST(GifParseLoop, ControlDataSplitOverSubBlocksStillCounts) {
    GifImage image;
    const Bytes ext = {0x21, 0xF9, 2, 0x09, 0x0A, 2, 0x00, 0x03, 0};
    ASSERT_TRUE(Load(image, GifBuilder().Raw(ext).Image(Img(2, 2)).Trailer()));
    EXPECT_EQ(image.GetFrameInfo(0),
              (FrameInfo{.width = 2, .height = 2, .delay = 10, .transparent = 3, .disposal = 8}));
}

TEST(GifParseLoop, LastControlWinsAndIsTakenByOneImageOnly) {
    GifImage image;
    ASSERT_TRUE(Load(image, GifBuilder()
                                .Control(1, 20, 5)
                                .Control(2, 30, 6)
                                .Image(Img(2, 2))
                                .Image(Img(2, 2))
                                .Trailer()));
    ASSERT_EQ(image.FrameCount(), 2);
    EXPECT_EQ(image.GetFrameInfo(0),
              (FrameInfo{.width = 2, .height = 2, .delay = 30, .transparent = 6, .disposal = 8}));
    EXPECT_EQ(image.Frame(0)->controlWord, 0x06001E09u);
    EXPECT_EQ(image.Frame(1)->controlWord, 0u);
    EXPECT_EQ(
        image.GetFrameInfo(1),
        (FrameInfo{
            .width = 2, .height = 2, .delay = 10, .transparent = kNoTransparency, .disposal = 0}));
}

TEST(GifParseLoop, DroppedImageStillConsumesThePendingControl) {
    GifImage image;
    ImageSpec bad = Img(2, 2);
    bad.minCodeSize = 9;
    bad.rawCodes = {0};
    ASSERT_TRUE(Load(image, GifBuilder().Control(2, 50, 1).Image(bad).Image(Img(2, 2)).Trailer()));
    ASSERT_EQ(image.FrameCount(), 1);
    EXPECT_EQ(image.Frame(0)->controlWord, 0u);
}

TEST(GifParseLoop, EveryParseStartsWithoutAPendingControl) {
    GifImage first;
    // Ends with a control extension that no image takes.
    ASSERT_TRUE(Load(first, GifBuilder().Image(Img(2, 2)).Control(2, 40, 3).Trailer()));
    GifImage second;
    ASSERT_TRUE(Load(second, GifBuilder().Image(Img(2, 2)).Trailer()));
    EXPECT_EQ(second.Frame(0)->controlWord, 0u);
}

// ---- frame queries -----------------------------------------------------------

TEST(GifFrameQueries, DelayZeroReadsTenOnlyWithTwoOrMoreFrames) {
    GifImage image;
    ASSERT_TRUE(Load(image, GifBuilder().Control(0, 0).Image(Img(2, 2)).Trailer()));
    EXPECT_EQ(image.FrameDelay(0), 0);
    EXPECT_EQ(image.GetFrameInfo(0)->delay, 0);
    ASSERT_TRUE(
        Load(image,
             GifBuilder().Control(0, 0).Image(Img(2, 2)).Control(0, 7).Image(Img(2, 2)).Trailer()));
    EXPECT_EQ(image.FrameDelay(0), 10);
    EXPECT_EQ(image.FrameDelay(1), 7);
    EXPECT_EQ(image.GetFrameInfo(0)->delay, 10);
}

TEST(GifFrameQueries, OutOfRangeIndicesFailQuietly) {
    GifImage image;
    EXPECT_EQ(image.FrameCount(), 0);
    EXPECT_EQ(image.ScreenWidth(), 0);
    ASSERT_TRUE(Load(image, GifBuilder().Image(Img(2, 2)).Trailer()));
    for (int i : {-1, 1, 32767, -32768}) {
        EXPECT_FALSE(image.GetFrameInfo(i).has_value());
        EXPECT_EQ(image.FrameDelay(i), 0);
        EXPECT_FALSE(image.FrameBitmap(i, Rgb{}).has_value());
        EXPECT_FALSE(image.FrameMask(i).has_value());
        EXPECT_TRUE(image.FrameRect(i).Empty());
        BitPlane bits(4, 4, 8);
        image.AddOpaqueBits(i, bits);
        EXPECT_EQ(bits.Bytes(), std::vector<std::uint8_t>(4, 0));
    }
}

TEST(GifFrameQueries, InfoComesFromTheDescriptor) {
    GifImage image;
    ASSERT_TRUE(Load(
        image, GifBuilder(100, 100).Control(3, 0x1234, 200).Image(Img(5, 6, 70, 80)).Trailer()));
    EXPECT_EQ(image.GetFrameInfo(0), (FrameInfo{.left = 70,
                                                .top = 80,
                                                .width = 5,
                                                .height = 6,
                                                .delay = 0x1234,
                                                .transparent = 200,
                                                .disposal = 12}));
}

// ---- bitmap block ------------------------------------------------------------

TEST(GifBitmapBlock, LayoutIsHeaderBgrTableBottomUpRows) {
    GifImage image;
    ImageSpec s = Img(5, 3);
    s.localTableBits = 3;
    s.minCodeSize = 3;
    s.indices = {0, 1, 2, 3, 4,  //
                 5, 6, 7, 0, 1,  //
                 2, 3, 4, 5, 6};
    ASSERT_TRUE(Load(image, GifBuilder(8, 8, 1).Image(s).Trailer()));
    const ByteBlock& block = image.Frame(0)->bitmap;
    const std::uint8_t* p = block.data();
    EXPECT_EQ(Le32(p), 40u);
    EXPECT_EQ(Le32(p + 4), 5u);
    EXPECT_EQ(Le32(p + 8), 3u);
    EXPECT_EQ(p[12] | p[13] << 8, 1);
    EXPECT_EQ(p[14] | p[15] << 8, 8);
    EXPECT_EQ(Le32(p + 16), 0u);
    EXPECT_EQ(Le32(p + 20), 8u * 3);  // stride 8
    EXPECT_EQ(Le32(p + 24), 0u);
    EXPECT_EQ(Le32(p + 28), 0u);
    EXPECT_EQ(Le32(p + 32), 8u);
    EXPECT_EQ(Le32(p + 36), 0u);
    ASSERT_EQ(block.size(), 40u + 8 * 4 + 8 * 3);
    // Builder table entry i is (7i, 13i, 255 - i) as RGB.
    const std::uint8_t* t = p + 40;
    for (int i = 0; i < 8; ++i) {
        EXPECT_EQ(t[4 * i], 255 - i);
        EXPECT_EQ(t[4 * i + 1], 13 * i);
        EXPECT_EQ(t[4 * i + 2], 7 * i);
        EXPECT_EQ(t[4 * i + 3], 0);
    }
    const std::uint8_t* rows = t + 32;
    const std::uint8_t bottom[8] = {2, 3, 4, 5, 6, 0, 0, 0};
    const std::uint8_t top[8] = {0, 1, 2, 3, 4, 0, 0, 0};
    EXPECT_EQ(std::memcmp(rows, bottom, 8), 0);
    EXPECT_EQ(std::memcmp(rows + 16, top, 8), 0);
}

TEST(GifBitmapBlock, InterlacedTenRowsLandOnPassRows) {
    GifImage image;
    ImageSpec s = Img(1, 10);
    s.interlaced = true;
    s.minCodeSize = 4;
    for (int i = 0; i < 10; ++i) {
        s.indices.push_back(static_cast<std::uint8_t>(i));
    }
    ASSERT_TRUE(Load(image, GifBuilder(1, 10, 4).Image(s).Trailer()));
    // Source row i lands on image row dest[i].
    const int dest[10] = {0, 8, 4, 2, 6, 1, 3, 5, 7, 9};
    const auto rows = image.FrameIndices(0);
    for (int i = 0; i < 10; ++i) {
        EXPECT_EQ(rows[static_cast<std::size_t>(dest[i])], i) << i;
    }
    for (int h = 1; h <= 20; ++h) {
        std::vector<int> seen(static_cast<std::size_t>(h), 0);
        for (int i = 0; i < h; ++i) {
            ++seen[static_cast<std::size_t>(InterlacedRow(i, h))];
        }
        EXPECT_EQ(seen, std::vector<int>(static_cast<std::size_t>(h), 1)) << h;
    }
}

TEST(GifBitmapBlock, RowsArrangedInPlaceMatchTheCopyingBuilder) {
    for (int w : {1, 2, 3, 4, 5, 7, 8, 13}) {
        for (int h : {1, 2, 3, 6, 11}) {
            std::vector<std::uint8_t> indices(static_cast<std::size_t>(w * h));
            for (std::size_t i = 0; i < indices.size(); ++i) {
                indices[i] = static_cast<std::uint8_t>(i * 7 + 1);
            }
            const std::uint8_t rgb[6] = {1, 2, 3, 4, 5, 6};
            const ByteBlock copied = BuildBitmapBlock(w, h, false, indices, rgb, 2);
            ByteBlock inPlace = AllocateBitmapBlock(w, h, rgb, 2);
            std::uint8_t* pixels = inPlace.data() + 40 + 8;
            std::memset(pixels, 0xEE, BitmapStride(w) * h);
            std::memcpy(pixels, indices.data(), indices.size());
            ArrangeRowsInPlace(pixels, w, h);
            ASSERT_EQ(inPlace.size(), copied.size());
            EXPECT_EQ(std::memcmp(inPlace.data(), copied.data(), copied.size()), 0)
                << w << "x" << h;
        }
    }
}

TEST(GifBitmapBlock, InterlacedRowsPutInOrderInPlaceForEveryHeight) {
    for (int height = 1; height <= 33; ++height) {
        const int width = 3;
        Bytes pixels;
        for (int i = 0; i < height; ++i) {
            pixels.insert(pixels.end(), width, static_cast<std::uint8_t>(i));
        }
        DeinterlaceRowsInPlace(pixels.data(), width, height);
        for (int i = 0; i < height; ++i) {
            const int row = InterlacedRow(i, height);
            EXPECT_EQ(pixels[static_cast<std::size_t>(row * width)], i)
                << "height " << height << " delivered row " << i;
        }
    }
}

TEST(GifBitmapBlock, ZeroSizedFramesDecodeToEmptyRows) {
    GifImage image;
    ASSERT_TRUE(Load(image, GifBuilder().Image(Img(0, 3)).Image(Img(3, 0)).Trailer()));
    ASSERT_EQ(image.FrameCount(), 2);
    EXPECT_EQ(image.FrameIndices(0).size(), 0u);
    EXPECT_EQ(image.Frame(0)->bitmap.size(), 40u + 16);
    BitPlane bits(4, 4, 8);
    image.AddOpaqueBits(0, bits);
    image.AddOpaqueBits(1, bits);
    EXPECT_EQ(bits.Bytes(), std::vector<std::uint8_t>(4, 0));
}

TEST(GifBitmapBlock, FrameWithoutAnyTableUsesZeroColours) {
    GifImage image;
    ImageSpec s = Img(2, 1);
    s.indices = {1, 3};
    ASSERT_TRUE(Load(image, GifBuilder(2, 1, 0).Image(s).Trailer()));
    const auto picture = image.FrameBitmap(0, Rgb{1, 2, 3});
    ASSERT_TRUE(picture.has_value());
    EXPECT_EQ(picture->At(0, 0), 0xFF000000u);
    // Two entries (flags & 7 = 0): index 3 is past the table, also black.
    EXPECT_EQ(Le32(image.Frame(0)->bitmap.data() + 32), 2u);
    EXPECT_EQ(picture->At(1, 0), 0xFF000000u);
}

// ---- bitmaps, masks, opaque bits --------------------------------------------

TEST(GifFramePictures, BitmapPaintsTransparentIndexAndKeepsTheOverwrite) {
    GifImage image;
    ImageSpec s = Img(2, 1);
    s.indices = {1, 2};
    ASSERT_TRUE(Load(image, GifBuilder(2, 1, 2).Control(0, 0, 2).Image(s).Trailer()));
    const auto picture = image.FrameBitmap(0, Rgb{0x10, 0x20, 0x30});
    EXPECT_EQ(picture->At(0, 0), PixelOf(Rgb{7, 13, 254}));
    EXPECT_EQ(picture->At(1, 0), PixelOf(Rgb{0x10, 0x20, 0x30}));
    const std::uint8_t* entry = image.Frame(0)->bitmap.data() + 40 + 8;
    EXPECT_EQ(entry[0], 0x30);
    EXPECT_EQ(entry[1], 0x20);
    EXPECT_EQ(entry[2], 0x10);
}

TEST(GifFramePictures, TransparentIndexPastTheTableNeverWritesOutsideIt) {
    GifImage image;
    ImageSpec s = Img(2, 1);
    s.minCodeSize = 8;
    s.indices = {200, 1};
    ASSERT_TRUE(Load(image, GifBuilder(2, 1, 2).Control(0, 0, 200).Image(s).Trailer()));
    const ByteBlock& block = image.Frame(0)->bitmap;
    const std::vector<std::uint8_t> before(block.data(), block.data() + block.size());
    const auto picture = image.FrameBitmap(0, Rgb{9, 8, 7});
    EXPECT_EQ(picture->At(0, 0), PixelOf(Rgb{9, 8, 7}));
    EXPECT_EQ(picture->At(1, 0), PixelOf(Rgb{7, 13, 254}));
    EXPECT_EQ(std::vector<std::uint8_t>(block.data(), block.data() + block.size()), before)
        << "the 4-entry table has no entry 200 to overwrite";
}

TEST(GifFramePictures, MaskRowsArePaddedToSixteenBits) {
    GifImage image;
    ImageSpec s = Img(17, 2);
    s.indices.assign(34, 0);
    s.indices[0] = 3;
    s.indices[16] = 3;
    s.indices[17 + 8] = 3;
    ASSERT_TRUE(Load(image, GifBuilder(17, 2, 2).Control(0, 0, 3).Image(s).Trailer()));
    const auto mask = image.FrameMask(0);
    ASSERT_TRUE(mask.has_value());
    EXPECT_EQ(mask->Stride(), 4u);
    EXPECT_EQ(mask->Bytes(), (std::vector<std::uint8_t>{0x80, 0, 0x80, 0, 0, 0x80, 0, 0}));
}

TEST(GifFramePictures, WithoutTransparencyIndex255IsOpaqueEverywhere) {
    GifImage image;
    ImageSpec s = Img(3, 2, 1, 1);
    s.minCodeSize = 8;
    s.indices.assign(6, 255);
    ASSERT_TRUE(Load(image, GifBuilder(8, 4, 8).Control(0, 0).Image(s).Trailer()));
    BitPlane bits(8, 4, 8);
    image.AddOpaqueBits(0, bits);
    EXPECT_EQ(bits.Bytes(), (std::vector<std::uint8_t>{0, 0x70, 0x70, 0}));
}

TEST(GifFramePictures, OpaqueBitsStayInsideTheScreen) {
    GifImage image;
    ImageSpec s = Img(4, 4, 6, 2);  // reaches two columns and two rows past
    s.indices.assign(16, 1);
    s.indices[0] = 0;  // transparent at the frame's top-left
    ASSERT_TRUE(Load(image, GifBuilder(8, 4, 2).Control(0, 0, 0).Image(s).Trailer()));
    BitPlane bits(8, 4, 8);
    image.AddOpaqueBits(0, bits);
    EXPECT_EQ(bits.Bytes(), (std::vector<std::uint8_t>{0, 0, 0x01, 0x03}));
}

// ---- limits and loaders ------------------------------------------------------

TEST(GifLimits, OversizedFramesCountAsDamaged) {
    GifImage image(DecodeLimits{100, 140});
    ImageSpec big = Img(11, 10);
    big.rawCodes = {0x0C};  // clear then nothing: a tiny stream for a big frame
    ASSERT_TRUE(Load(
        image,
        GifBuilder().Image(big).Image(Img(10, 10)).Image(Img(7, 7)).Image(Img(5, 5)).Trailer()));
    // 110 pixels: over the image bound; 100 fits; 49 more would pass the
    // file bound of 140; 25 more fit.
    ASSERT_EQ(image.FrameCount(), 2);
    EXPECT_EQ(image.GetFrameInfo(0)->width, 10);
    EXPECT_EQ(image.GetFrameInfo(1)->width, 5);
}

TEST(GifLimits, DefaultsAdmitLargeRealFramesButNotTheFormatMaximum) {
    const DecodeLimits limits;
    EXPECT_GE(limits.maxImagePixels, 16384ull * 16384);
    EXPECT_LT(limits.maxImagePixels, 65535ull * 65535);
    GifImage image;
    ImageSpec huge = Img(65535, 65535);
    huge.rawCodes = {0x0C};
    EXPECT_FALSE(Load(image, GifBuilder().Image(huge)));
    ASSERT_TRUE(Load(image, GifBuilder().Image(huge).Image(Img(1, 1)).Trailer()));
    EXPECT_EQ(image.FrameCount(), 1);
}

TEST(GifLimits, LogicalScreenIsBoundedLikeAnImage) {
    GifImage image(DecodeLimits{100, 1000});
    EXPECT_TRUE(Load(image, GifBuilder(10, 10).Image(Img(1, 1)).Trailer()));
    EXPECT_FALSE(Load(image, GifBuilder(10, 11).Image(Img(1, 1)).Trailer()));
    GifImage defaults;
    EXPECT_FALSE(Load(defaults, GifBuilder(65535, 65535).Image(Img(1, 1)).Trailer()));
    EXPECT_TRUE(Load(defaults, GifBuilder(65535, 2).Image(Img(1, 1)).Trailer()));
}

TEST(GifLimits, FramesAndScreensMustBeWithinReachOfTheirCodeData) {
    // A frame of a million pixels coded in one byte: at most 4096 per code.
    ImageSpec claim = Img(1000, 1000);
    claim.rawCodes = {0x0C};
    GifImage image;
    ASSERT_TRUE(Load(image, GifBuilder(1000, 1000).Image(claim).Image(Img(1, 1)).Trailer()));
    EXPECT_EQ(image.FrameCount(), 1);

    // Forty-odd bytes claiming a 16384 x 16384 screen.
    const GifBuilder huge = GifBuilder(16384, 16384).Image(Img(1, 1)).Trailer();
    ASSERT_LT(huge.Data().size(), 64u);
    EXPECT_FALSE(Load(image, huge));
    EXPECT_EQ(image.LastError(), LoadError::kScreen);

    // Past the allowance a screen stands only when its images could fill it.
    GifImage strict(DecodeLimits{.freeScreenPixels = 1000});
    EXPECT_FALSE(Load(strict, GifBuilder(1000, 1000).Image(Img(1, 1)).Trailer()));
    EXPECT_TRUE(Load(strict, GifBuilder(30, 30).Image(Img(1, 1)).Trailer()));
    ImageSpec honest = Img(300, 300);
    for (int i = 0; i < 300 * 300; ++i) {
        honest.indices.push_back(static_cast<std::uint8_t>(i % 7 == 0));
    }
    EXPECT_TRUE(Load(strict, GifBuilder(300, 300).Image(honest).Trailer()));
}

TEST(GifLoaders, BytesRoundTripOneUnitPerByte) {
    GifImage image;
    const GifBuilder b = GifBuilder(4, 4, 8).Image(Img(4, 4)).Trailer();
    std::u16string text;
    for (std::uint8_t c : b.Data()) {
        text.push_back(c);
    }
    ASSERT_TRUE(image.LoadFromBytes(text));
    EXPECT_EQ(image.Bytes(), text);
    EXPECT_FALSE(image.LoadFromBytes(u""));
    EXPECT_FALSE(image.Bytes().has_value());
    EXPECT_FALSE(image.LoadFromBytes(u"GIF89a but not really"));
    EXPECT_EQ(image.FrameCount(), 0);
}

TEST(GifLoaders, FileLoaderReplacesOrEmpties) {
    const auto dir = vantry::test::FreshDir("gif");
    const GifBuilder b = GifBuilder().Image(Img(2, 2)).Image(Img(2, 2)).Trailer();
    vantry::test::WriteFile(dir / "a.gif", std::string(b.Data().begin(), b.Data().end()));
    vantry::test::WriteFile(dir / "bad.gif", "GIF89a");
    GifImage image;
    ASSERT_TRUE(image.LoadFromFile(dir / "a.gif"));
    EXPECT_EQ(image.FrameCount(), 2);
    EXPECT_FALSE(image.LoadFromFile(dir / "missing.gif"));
    EXPECT_EQ(image.FrameCount(), 0);
    ASSERT_TRUE(image.LoadFromFile(dir / "a.gif"));
    EXPECT_FALSE(image.LoadFromFile(dir / "bad.gif"));
    EXPECT_EQ(image.FrameCount(), 0);
    EXPECT_FALSE(image.LoadFromFile(dir));
    EXPECT_FALSE(image.LoadFromFile("http://example.com/a.gif"));
    ASSERT_TRUE(image.LoadFromFile(dir / "a.gif"));
    image.Clear();
    EXPECT_FALSE(image.Loaded());
    EXPECT_EQ(image.FrameCount(), 0);
}

TEST(GifLoaders, FileLoaderRefusesAFifoWithoutWaiting) {
    const auto dir = vantry::test::FreshDir("gif-fifo");
    const auto fifo = dir / "pipe.gif";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    GifImage image;
    EXPECT_FALSE(image.LoadFromFile(fifo));  // no writer: an open would block
    EXPECT_EQ(image.LastError(), LoadError::kCannotRead);
}

}  // namespace
}  // namespace plimova
