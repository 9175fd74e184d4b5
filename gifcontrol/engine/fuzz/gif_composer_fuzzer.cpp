// Any bytes loaded, then frames composed in an order taken from the input,
// so every restore and clipping path meets hostile geometry.

#include <cstddef>
#include <cstdint>

#include "engine/gif_image.h"
#include "engine/screen_composer.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    plimova::GifImage image(plimova::DecodeLimits{1u << 16, 1u << 18});
    if (!image.LoadFromData({reinterpret_cast<const std::byte*>(data), size}) ||
        image.FrameCount() == 0) {
        return 0;
    }
    plimova::ScreenComposer composer;
    if (!composer.Create(image.ScreenWidth(), image.ScreenHeight(), plimova::Rgb{9, 8, 7})) {
        return 0;
    }
    const int n = image.FrameCount();
    for (int k = 0; k < n; ++k) {
        composer.Compose(image, k, plimova::Rgb{9, 8, 7});
    }
    // The last bytes choose a replay order, as the control's sequences do.
    for (std::size_t i = size > 16 ? size - 16 : 0; i < size; ++i) {
        composer.Compose(image, data[i] % (n + 1) - (data[i] & 1), plimova::Rgb{0, 0, 0});
    }
    return 0;
}
