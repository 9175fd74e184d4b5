#include "screen_composer.h"

#include <algorithm>
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
    const bool transparent = (f->controlWord & 1) != 0;
    // The stored table keeps black at the transparent index, as the drawing
    // with AND mask and OR image requires.
    image.SetTransparentColour(k, Rgb{});
    BitmapView view(const_cast<std::uint8_t*>(f->bitmap.data()));
    std::uint32_t table[256];
    view.PixelTable(table);
    const std::uint8_t t = static_cast<std::uint8_t>(f->controlWord >> 24);

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
               prev && (prev->controlWord & 0x1C) == 8) {
        Restore(image.FrameRect(previous_), background);
    }
    Draw(image, k);
    image.AddOpaqueBits(k, bitmask_);
    region_ = BuildRegion(bitmask_);
    previous_ = k;
    ++generation_;
    return true;
}

Region ScreenComposer::BuildRegion(const BitPlane& bitmask) {
    Region region;
    const int width = bitmask.Width();
    for (int y = 0; y < bitmask.Height(); ++y) {
        const std::uint8_t* row = bitmask.Row(y);
        int x = 0;
        while (x < width) {
            // Skip clear bits a byte at a time where possible.
            if ((x & 7) == 0 && row[x >> 3] == 0) {
                x += 8;
                continue;
            }
            if (!((row[x >> 3] >> (7 - (x & 7))) & 1)) {
                ++x;
                continue;
            }
            const int start = x;
            while (x < width) {
                if ((x & 7) == 0 && row[x >> 3] == 0xFF && x + 8 <= width) {
                    x += 8;
                } else if ((row[x >> 3] >> (7 - (x & 7))) & 1) {
                    ++x;
                } else {
                    break;
                }
            }
            region.rects.push_back(Rect{start, y, x, y + 1});
        }
    }
    return region;
}

}  // namespace plimova
