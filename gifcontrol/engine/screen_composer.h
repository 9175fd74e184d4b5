#pragma once
// ScreenComposer: paints frames one after another onto a picture of the
// logical screen, keeping beside it a mask picture, a bitmask of opaque
// pixels and the region of run rectangles built from that bitmask.

#include "engine/gif_image.h"
#include "engine/picture.h"

namespace plimova {

class ScreenComposer {
public:
    // Screen filled with `background`, mask white, bitmask clear, no previous.
    // False (and nothing created) when the pictures cannot be allocated.
    bool Create(int width, int height, Rgb background);
    // Draws frame `k` over what the previous step left (see Restore below);
    // false for an index out of range or before Create.
    bool Compose(GifImage& image, int k, Rgb background);
    void Discard();

    bool Exists() const { return created_; }
    const Picture& Screen() const { return screen_; }
    const GreyPicture& Mask() const { return mask_; }
    const BitPlane& Bitmask() const { return bitmask_; }
    const Region& OpaqueRegion() const { return region_; }
    int Previous() const { return previous_; }
    // Grows with every Create, Compose and Discard: what was derived from
    // the pictures is stale once it moves.
    unsigned Generation() const { return generation_; }

    // Run rectangles of every row of a bitmask, top to bottom, left to right.
    static Region BuildRegion(const BitPlane& bitmask);
    static void BuildRegion(const BitPlane& bitmask, Region& region);

private:
    void Restore(const Rect& area, Rgb background);
    void Draw(GifImage& image, int k);

    bool created_ = false;
    Picture screen_;
    GreyPicture mask_;
    BitPlane bitmask_;
    Region region_;
    int previous_ = -1;
    unsigned generation_ = 0;
};

}  // namespace plimova
