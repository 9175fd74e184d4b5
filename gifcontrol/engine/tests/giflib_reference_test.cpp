// Every frame of GIFs written by ImageMagick decodes to the same palette
// indices, geometry and control values as giflib reads from the same file.

#include <gif_lib.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "engine/gif_image.h"
#include "test_env.h"

namespace plimova {
namespace {

namespace fs = std::filesystem;

struct Sample {
    const char* name;
    std::string args;  // convert arguments before the output file
};

std::vector<Sample> Samples() {
    std::vector<Sample> s = {
        {"rose256", "rose: -colors 256"},
        {"rose_interlaced", "rose: -colors 200 -interlace GIF"},
        {"logo16", "logo: -resize 40% -colors 16"},
        {"logo_interlaced_odd", "logo: -resize 131x97! -colors 64 -interlace GIF"},
        {"gradient_nodither", "-size 300x200 gradient:red-blue +dither -colors 256"},
        {"rose_transparent", "rose: -fuzz 15% -transparent white -colors 128"},
        {"tiny", "-size 1x1 xc:red"},
        {"tall_interlaced", "-size 3x41 gradient:black-white -colors 8 -interlace GIF"},
        {"animation_disposals",
         "-delay 7 -dispose None -size 60x40 xc:white "
         "-dispose Background -page +10+5 -size 20x20 xc:red "
         "-dispose Previous -page +45+30 -size 30x30 xc:blue "
         "-dispose None -page +5+5 \\( -size 16x16 xc:none -fill green -draw \"circle 8,8 8,2\" "
         "\\) "
         "-set page 60x40 -loop 0"},
        {"animation_local_tables", "-delay 0 rose: \\( logo: -resize 70x46! \\) +map"},
    };
    // Palettes of 2 .. 256 entries give minimum code sizes 2 .. 8.
    for (int bits = 1; bits <= 8; ++bits) {
        s.push_back({nullptr, "-seed " + std::to_string(bits) +
                                  " -size 37x23 plasma: +dither -colors " +
                                  std::to_string(1 << bits)});
    }
    std::string many = "-delay 3 -dispose Background";
    for (int i = 0; i < 40; ++i) {
        many += " \\( -size 32x32 xc:white -fill 'rgb(" + std::to_string(i * 6) +
                ",90,200)' -draw \"rectangle " + std::to_string(i % 28) + ",0 " +
                std::to_string(i % 28 + 4) + ",31\" \\)";
    }
    s.push_back({"many_frames", many + " -layers Optimize"});
    return s;
}

struct GiflibFile {
    explicit GiflibFile(const fs::path& path) {
        int error = 0;
        gif = DGifOpenFileName(path.c_str(), &error);
        if (gif && DGifSlurp(gif) != GIF_OK) {
            ok = false;
        }
    }
    ~GiflibFile() {
        if (gif) {
            int error = 0;
            DGifCloseFile(gif, &error);
        }
    }
    GifFileType* gif = nullptr;
    bool ok = true;
};

class GiflibReference : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        dir_ = new fs::path(vantry::test::FreshDir("giflib"));
        int n = 0;
        for (const Sample& s : Samples()) {
            const std::string name = s.name ? s.name : "palette" + std::to_string(++n);
            const fs::path out = *dir_ / (name + ".gif");
            const std::string cmd = "convert " + s.args + " " + out.string() + " 2>/dev/null";
            ASSERT_EQ(std::system(cmd.c_str()), 0) << cmd;
        }
    }
    static void TearDownTestSuite() { delete dir_; }
    static fs::path* dir_;
};

fs::path* GiflibReference::dir_ = nullptr;

TEST_F(GiflibReference, EveryFrameMatchesGiflib) {
    int files = 0;
    int frames = 0;
    bool sawInterlaced = false, sawLocal = false, sawTransparent = false, sawOffScreen = false;
    std::vector<int> codeSizes;
    for (const auto& entry : fs::directory_iterator(*dir_)) {
        const fs::path path = entry.path();
        SCOPED_TRACE(path.filename().string());
        GiflibFile ref(path);
        ASSERT_NE(ref.gif, nullptr);
        ASSERT_TRUE(ref.ok);
        GifImage image;
        ASSERT_TRUE(image.LoadFromFile(path));
        ++files;
        EXPECT_EQ(image.ScreenWidth(), ref.gif->SWidth);
        EXPECT_EQ(image.ScreenHeight(), ref.gif->SHeight);
        ASSERT_EQ(image.FrameCount(), ref.gif->ImageCount);
        for (int i = 0; i < ref.gif->ImageCount; ++i) {
            SCOPED_TRACE("frame " + std::to_string(i));
            const SavedImage& saved = ref.gif->SavedImages[i];
            const GifImageDesc& d = saved.ImageDesc;
            const auto info = image.GetFrameInfo(i);
            ASSERT_TRUE(info.has_value());
            EXPECT_EQ(info->left, d.Left);
            EXPECT_EQ(info->top, d.Top);
            ASSERT_EQ(info->width, d.Width);
            ASSERT_EQ(info->height, d.Height);
            const std::vector<std::uint8_t> ours = image.FrameIndices(i);
            const std::size_t pixels = static_cast<std::size_t>(d.Width) * d.Height;
            ASSERT_EQ(ours.size(), pixels);
            EXPECT_TRUE(std::equal(ours.begin(), ours.end(), saved.RasterBits));

            GraphicsControlBlock gcb{};
            if (DGifSavedExtensionToGCB(ref.gif, i, &gcb) == GIF_OK) {
                const int delay =
                    (gcb.DelayTime == 0 && ref.gif->ImageCount >= 2) ? 10 : gcb.DelayTime;
                EXPECT_EQ(info->delay, delay);
                EXPECT_EQ(info->disposal, gcb.DisposalMode * 4);
                EXPECT_EQ(info->transparent, gcb.TransparentColor == NO_TRANSPARENT_COLOR
                                                 ? kNoTransparency
                                                 : gcb.TransparentColor);
                sawTransparent |= gcb.TransparentColor != NO_TRANSPARENT_COLOR;
            }
            // The colour table the bitmap block carries is the one giflib sees.
            const ColorMapObject* map = d.ColorMap ? d.ColorMap : ref.gif->SColorMap;
            ASSERT_NE(map, nullptr);
            const auto picture = image.FrameBitmap(i, Rgb{1, 2, 3});
            for (std::size_t p = 0; p < pixels; p += 7) {
                const int index = saved.RasterBits[p];
                if (index == info->transparent || index >= map->ColorCount) {
                    continue;
                }
                const GifColorType c = map->Colors[index];
                EXPECT_EQ(picture->At(static_cast<int>(p % d.Width), static_cast<int>(p / d.Width)),
                          PixelOf(Rgb{c.Red, c.Green, c.Blue}));
            }
            sawInterlaced |= d.Interlace;
            sawLocal |= d.ColorMap != nullptr;
            sawOffScreen |=
                d.Left + d.Width > ref.gif->SWidth || d.Top + d.Height > ref.gif->SHeight;
            const std::size_t at = image.Frame(i)->descriptorOffset;
            codeSizes.push_back(static_cast<int>(std::to_integer<int>(
                image.RawBytes()[at + 10 + (d.ColorMap ? 3 * map->ColorCount : 0)])));
            ++frames;
        }
    }
    EXPECT_GE(files, 19);
    EXPECT_GE(frames, 60);
    // The corpus must really cover what it is meant to.
    EXPECT_TRUE(sawInterlaced);
    EXPECT_TRUE(sawLocal);
    EXPECT_TRUE(sawTransparent);
    for (int b = 2; b <= 8; ++b) {
        EXPECT_NE(std::find(codeSizes.begin(), codeSizes.end(), b), codeSizes.end()) << b;
    }
    (void)sawOffScreen;
}

}  // namespace
}  // namespace plimova
