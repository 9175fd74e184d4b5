#include "engine/bitmap_block.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <span>
#include <string_view>
#include <vector>

#include "base/little_endian.h"

namespace plimova {

namespace {

// A 32-bit field of the header every block starts with.
std::uint32_t HeaderField32(const std::uint8_t* block, std::size_t offset) {
    const std::string_view header(reinterpret_cast<const char*>(block), kBitmapHeaderSize);
    return static_cast<std::uint32_t>(vantry::ReadLittleEndian(header, offset, 4).value_or(0));
}

}  // namespace

ByteBlock ByteBlock::Allocate(std::size_t size) {
    ByteBlock b;
    b.data_.reset(new (std::nothrow) std::uint8_t[size == 0 ? 1 : size]);
    if (b.data_) {
        b.size_ = size;
    }
    return b;
}

BitmapView::BitmapView(std::uint8_t* block)
    : block_(block),
      width_(static_cast<int>(HeaderField32(block, 4))),
      height_(static_cast<int>(HeaderField32(block, 8))),
      colours_(static_cast<int>(HeaderField32(block, 32))),
      stride_(BitmapStride(static_cast<std::size_t>(width_))) {
    pixels_ = block_ + kBitmapHeaderSize + 4 * static_cast<std::size_t>(colours_);
}

void BitmapView::PixelTable(std::uint32_t (&table)[256]) const {
    for (int i = 0; i < 256; ++i) {
        if (i < colours_) {
            const std::uint8_t* e = ColourEntry(i);
            table[i] = 0xFF000000u | std::uint32_t{e[2]} << 16 | std::uint32_t{e[1]} << 8 | e[0];
        } else {
            table[i] = 0xFF000000u;
        }
    }
}

int InterlacedRow(int i, int height) {
    // Rows in pass p: ceil((height - start) / step).
    static constexpr int kStart[4] = {0, 4, 2, 1};
    static constexpr int kStep[4] = {8, 8, 4, 2};
    for (int pass = 0; pass < 4; ++pass) {
        const int rows =
            height > kStart[pass] ? (height - kStart[pass] + kStep[pass] - 1) / kStep[pass] : 0;
        if (i < rows) {
            return kStart[pass] + i * kStep[pass];
        }
        i -= rows;
    }
    return -1;
}

ByteBlock AllocateBitmapBlock(int width, int height, const std::uint8_t* rgbTable, int colours) {
    const std::size_t stride = BitmapStride(static_cast<std::size_t>(width));
    const std::size_t imageSize = stride * static_cast<std::size_t>(height);
    ByteBlock block = ByteBlock::Allocate(kBitmapHeaderSize + 4 * colours + imageSize);
    if (block.empty()) {
        return block;
    }
    std::uint8_t* p = block.data();
    std::memset(p, 0, kBitmapHeaderSize);
    const std::span<std::uint8_t> header(p, kBitmapHeaderSize);
    vantry::WriteLittleEndian(header, 0, 4, kBitmapHeaderSize);
    vantry::WriteLittleEndian(header, 4, 4, static_cast<std::uint32_t>(width));
    // Positive height: bottom-up rows.
    vantry::WriteLittleEndian(header, 8, 4, static_cast<std::uint32_t>(height));
    vantry::WriteLittleEndian(header, 12, 2, 1);  // planes
    vantry::WriteLittleEndian(header, 14, 2, 8);  // bits per pixel
    vantry::WriteLittleEndian(header, 20, 4, static_cast<std::uint32_t>(imageSize));
    vantry::WriteLittleEndian(header, 32, 4, static_cast<std::uint32_t>(colours));
    std::uint8_t* table = p + kBitmapHeaderSize;
    for (int i = 0; i < colours; ++i) {
        table[4 * i] = rgbTable[3 * i + 2];
        table[4 * i + 1] = rgbTable[3 * i + 1];
        table[4 * i + 2] = rgbTable[3 * i];
        table[4 * i + 3] = 0;
    }
    return block;
}

void ArrangeRowsInPlace(std::uint8_t* pixels, int width, int height) {
    const std::size_t w = static_cast<std::size_t>(width);
    const std::size_t stride = BitmapStride(w);
    if (w == 0 || height == 0) {
        return;
    }
    // Bottom-up first, still unpadded...
    for (int r = 0, q = height - 1; r < q; ++r, --q) {
        std::uint8_t* a = pixels + r * w;
        std::uint8_t* b = pixels + q * w;
        std::size_t i = 0;
        for (; i + 8 <= w; i += 8) {  // a word at a time: a byte loop is not vectorised
            std::uint64_t x;
            std::uint64_t y;
            std::memcpy(&x, a + i, 8);
            std::memcpy(&y, b + i, 8);
            std::memcpy(a + i, &y, 8);
            std::memcpy(b + i, &x, 8);
        }
        std::swap_ranges(a + i, a + w, b + i);
    }
    if (stride == w) {
        return;
    }
    // ...then spread to the stride from the last row back, so no row is
    // overwritten before it has moved.
    for (std::size_t r = static_cast<std::size_t>(height); r-- > 0;) {
        std::memmove(pixels + r * stride, pixels + r * w, w);
        std::memset(pixels + r * stride + w, 0, stride - w);
    }
}

void DeinterlaceRowsInPlace(std::uint8_t* pixels, int width, int height) {
    const std::size_t w = static_cast<std::size_t>(width);
    if (w == 0 || height < 2) {
        return;
    }
    // Each delivered row moves to its image row; the moves form cycles,
    // followed here with one row carried in hand. Whole-row copies, as a
    // byte-wise swap is not vectorised.
    std::vector<bool> placed(static_cast<std::size_t>(height), false);
    std::vector<std::uint8_t> scratch(2 * w);
    std::uint8_t* carried = scratch.data();
    std::uint8_t* displaced = scratch.data() + w;
    for (int start = 0; start < height; ++start) {
        if (placed[static_cast<std::size_t>(start)]) {
            continue;
        }
        std::memcpy(carried, pixels + static_cast<std::size_t>(start) * w, w);
        int at = start;
        do {
            at = InterlacedRow(at, height);
            std::uint8_t* row = pixels + static_cast<std::size_t>(at) * w;
            std::memcpy(displaced, row, w);
            std::memcpy(row, carried, w);
            std::swap(carried, displaced);
            placed[static_cast<std::size_t>(at)] = true;
        } while (at != start);
    }
}

ByteBlock BuildBitmapBlock(int width, int height, bool interlaced,
                           std::span<const std::uint8_t> indices, const std::uint8_t* rgbTable,
                           int colours) {
    ByteBlock block = AllocateBitmapBlock(width, height, rgbTable, colours);
    if (block.empty()) {
        return block;
    }
    const std::size_t stride = BitmapStride(static_cast<std::size_t>(width));
    std::uint8_t* pixels = block.data() + kBitmapHeaderSize + 4 * static_cast<std::size_t>(colours);
    const std::size_t w = static_cast<std::size_t>(width);
    const std::size_t pad = stride - w;
    int passRow = 0;
    int pass = 0;
    static constexpr int kStart[4] = {0, 4, 2, 1};
    static constexpr int kStep[4] = {8, 8, 4, 2};
    for (int i = 0; i < height; ++i) {
        int row = i;
        if (interlaced) {
            while (pass < 4 && kStart[pass] + passRow * kStep[pass] >= height) {
                ++pass;
                passRow = 0;
            }
            row = kStart[pass] + passRow * kStep[pass];
            ++passRow;
        }
        std::uint8_t* dst = pixels + static_cast<std::size_t>(height - 1 - row) * stride;
        if (w != 0) {  // a zero-width frame has no indices at all
            std::memcpy(dst, indices.data() + static_cast<std::size_t>(i) * w, w);
        }
        if (pad != 0) {
            std::memset(dst + w, 0, pad);
        }
    }
    return block;
}

}  // namespace plimova
