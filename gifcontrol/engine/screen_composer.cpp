#include "engine/screen_composer.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <new>

namespace plimova {

bool ScreenComposer::Create(int width, int height, Rgb background) {
    Discard();
    try {
        screen_ = Picture(width, height, background);
        mask_ = GreyPicture(width, height, 0xFF);
        bitmask_ = BitPlane(width, height, 8);
    } catch (const std::bad_alloc&) {
        Discard();
        return false;
    }
    created_ = true;
    ++generation_;
    return true;
}

void ScreenComposer::Discard() {
    screen_ = Picture();
    mask_ = GreyPicture();
    bitmask_ = BitPlane();
    region_ = Region{};
    previous_ = -1;
    created_ = false;
    ++generation_;
}

void ScreenComposer::Restore(const Rect& area, Rgb background) {
    screen_.Fill(area, PixelOf(background));
    mask_.Fill(area, 0xFF);
    bitmask_.Clear(area);
}

void ScreenComposer::Draw(GifImage& image, int k) {
    const GifFrame* f = image.Frame(k);
    const bool transparent = f->HasTransparency();
    // The stored table keeps black at the transparent index, as the drawing
    // with AND mask and OR image requires.
    image.SetTransparentColour(k, Rgb{});
    BitmapView view(const_cast<std::uint8_t*>(f->bitmap.data()));
    std::uint32_t table[256];
    view.PixelTable(table);
    const std::uint8_t t = f->TransparentIndex();

    const Rect frame = image.FrameRect(k);
    const Rect r = frame.Intersected(Rect{0, 0, screen_.Width(), screen_.Height()});
    for (int y = r.top; y < r.bottom; ++y) {
        const std::uint8_t* src = view.ImageRow(y - frame.top) + (r.left - frame.left);
        std::uint32_t* dst = screen_.Row(y) + r.left;
        std::uint8_t* mask = mask_.Row(y) + r.left;
        const int n = r.Width();
        if (!transparent) {
            for (int x = 0; x < n; ++x) {
                dst[x] = table[src[x]];
            }
            std::fill_n(mask, n, std::uint8_t{0});
        } else {
            for (int x = 0; x < n; ++x) {
                if (src[x] != t) {
                    dst[x] = table[src[x]];
                    mask[x] = 0;
                }
            }
        }
    }
}

bool ScreenComposer::Compose(GifImage& image, int k, Rgb background) {
    if (!created_ || !image.Frame(k)) {
        return false;
    }
    if (k == 0) {
        Restore(Rect{0, 0, screen_.Width(), screen_.Height()}, background);
    } else if (const GifFrame* prev = image.Frame(previous_);
               prev && prev->Disposal() == GifFrame::kRestoreBackground) {
        Restore(image.FrameRect(previous_), background);
    }
    Draw(image, k);
    image.AddOpaqueBits(k, bitmask_);
    BuildRegion(bitmask_, region_);  // reuses the rectangles' storage
    previous_ = k;
    ++generation_;
    return true;
}

Region ScreenComposer::BuildRegion(const BitPlane& bitmask) {
    Region region;
    BuildRegion(bitmask, region);
    return region;
}

namespace {

// 64 pixels of a bitmask row from pixel x0 on, leftmost in the top bit;
// pixels past the width read as clear.
std::uint64_t Word(const std::uint8_t* row, std::size_t stride, int x0, int width) {
    const std::size_t at = static_cast<std::size_t>(x0) >> 3;
    std::uint8_t bytes[8] = {};
    std::memcpy(bytes, row + at, std::min<std::size_t>(8, stride - at));
    std::uint64_t w = 0;
    for (std::uint8_t b : bytes) {
        w = w << 8 | b;
    }
    const int valid = width - x0;
    if (valid < 64) {
        w &= ~std::uint64_t{0} << (64 - valid);
    }
    return w;
}

}  // namespace

// Runs are found 64 pixels at a time by counting leading zeros and ones, so
// the cost follows the runs, not the pixels.
void ScreenComposer::BuildRegion(const BitPlane& bitmask, Region& region) {
    region.rects.clear();
    const int width = bitmask.Width();
    for (int y = 0; y < bitmask.Height(); ++y) {
        const std::uint8_t* row = bitmask.Row(y);
        bool inRun = false;
        int start = 0;
        for (int x0 = 0; x0 < width; x0 += 64) {
            const std::uint64_t w = Word(row, bitmask.Stride(), x0, width);
            if (w == (inRun ? ~std::uint64_t{0} : 0)) {
                continue;
            }
            int p = 0;
            while (p < 64) {
                const std::uint64_t rest = w << p;
                if (!inRun) {
                    if (rest == 0) {
                        break;
                    }
                    p += std::countl_zero(rest);
                    start = x0 + p;
                    inRun = true;
                } else {
                    const int ones = std::countl_one(rest);
                    if (p + ones >= 64) {
                        break;  // the run goes on into the next word
                    }
                    p += ones;
                    region.rects.push_back(Rect{start, y, x0 + p, y + 1});
                    inRun = false;
                }
            }
        }
        if (inRun) {
            region.rects.push_back(Rect{start, y, width, y + 1});
        }
    }
}

}  // namespace plimova
