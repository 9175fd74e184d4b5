#include "automation/picture.h"

namespace vantry::automation {

Size Picture::Extent() const {
    return PixelsToHimetric(Size{image_.width(), image_.height()});
}

int32_t Picture::Handle() const {
    // There is no window-system handle behind an image; a nonzero value
    // still tells "a picture" from "none" as hosts expect.
    return image_.isNull() ? 0 : static_cast<int32_t>(image_.cacheKey() & 0x7FFFFFFF) | 1;
}

const DispatchTable<Picture>& Picture::Table() {
    static const auto table = DispatchTable<Picture>()
                                  .Property("Handle", 0, &Picture::Handle)
                                  .Property("Type", 3, &Picture::TypeValue)
                                  .Property("Width", 4, &Picture::Width)
                                  .Property("Height", 5, &Picture::Height);
    return table;
}

}  // namespace vantry::automation
