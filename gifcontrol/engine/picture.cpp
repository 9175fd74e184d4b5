#include "engine/picture.h"

#include <algorithm>
#include <cstring>

namespace plimova {

Rect Rect::Intersected(const Rect& o) const {
    Rect r{std::max(left, o.left), std::max(top, o.top), std::min(right, o.right),
           std::min(bottom, o.bottom)};
    if (r.Empty()) {
        return Rect{};
    }
    return r;
}

BitPlane::BitPlane(int width, int height, int rowAlignBits)
    : width_(std::max(width, 0)), height_(std::max(height, 0)) {
    const std::size_t align = static_cast<std::size_t>(std::max(rowAlignBits, 8));
    stride_ = (static_cast<std::size_t>(width_) + align - 1) / align * (align / 8);
    bits_.assign(stride_ * height_, 0);
}

void BitPlane::Clear(const Rect& area) {
    const Rect r = area.Intersected(Rect{0, 0, width_, height_});
    for (int y = r.top; y < r.bottom; ++y) {
        std::uint8_t* row = Row(y);
        int x = r.left;
        for (; x < r.right && (x & 7) != 0; ++x) {
            row[x >> 3] &= std::uint8_t(~(0x80u >> (x & 7)));
        }
        const int whole = (r.right - x) >> 3;  // bytes cleared at once
        std::memset(row + (x >> 3), 0, static_cast<std::size_t>(whole));
        for (x += whole * 8; x < r.right; ++x) {
            row[x >> 3] &= std::uint8_t(~(0x80u >> (x & 7)));
        }
    }
}

}  // namespace plimova
