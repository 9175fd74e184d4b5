// Any bytes through the loader and every frame query.

#include <cstddef>
#include <cstdint>

#include "engine/gif_image.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // Smaller bounds than the defaults keep each run fast; the code paths are
    // the same.
    plimova::GifImage image(plimova::DecodeLimits{1u << 16, 1u << 18});
    if (!image.LoadFromData({reinterpret_cast<const std::byte*>(data), size})) {
        return 0;
    }
    plimova::BitPlane bits(image.ScreenWidth(), image.ScreenHeight(), 8);
    for (int i = -1; i <= image.FrameCount(); ++i) {
        (void)image.GetFrameInfo(i);
        (void)image.FrameDelay(i);
        (void)image.FrameMask(i);
        (void)image.FrameBitmap(i, plimova::Rgb{1, 2, 3});
        image.AddOpaqueBits(i, bits);
    }
    (void)image.Bytes();
    return 0;
}
