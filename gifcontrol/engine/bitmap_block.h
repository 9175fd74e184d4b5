#pragma once
// The packed device-independent bitmap each frame is decoded into: a 40-byte
// BITMAPINFOHEADER, a blue-green-red-0 colour table, then 8-bit rows stored
// bottom-up with a 4-byte stride.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>

namespace plimova {

constexpr std::size_t kBitmapHeaderSize = 40;

// Row stride of an 8-bit bitmap of `width` pixels.
constexpr std::size_t BitmapStride(std::size_t width) {
    return (width + 3) & ~std::size_t{3};
}

// An owned byte block, left uninitialised on creation (every byte of a bitmap
// block is written by its builder).
class ByteBlock {
public:
    ByteBlock() = default;
    // Empty on allocation failure.
    static ByteBlock Allocate(std::size_t size);

    std::uint8_t* data() { return data_.get(); }
    const std::uint8_t* data() const { return data_.get(); }
    std::size_t size() const { return size_; }
    bool empty() const { return size_ == 0; }

private:
    std::unique_ptr<std::uint8_t[]> data_;
    std::size_t size_ = 0;
};

// Reads the fields of a bitmap block back; every accessor stays inside it.
class BitmapView {
public:
    explicit BitmapView(std::uint8_t* block);

    int Width() const { return width_; }
    int Height() const { return height_; }
    int Colours() const { return colours_; }
    std::size_t Stride() const { return stride_; }
    // Colour-table entry i (blue, green, red, 0).
    std::uint8_t* ColourEntry(int i) { return block_ + kBitmapHeaderSize + 4 * i; }
    const std::uint8_t* ColourEntry(int i) const { return block_ + kBitmapHeaderSize + 4 * i; }
    // Row r of the image counted from the top.
    std::uint8_t* ImageRow(int r) { return pixels_ + (height_ - 1 - r) * stride_; }
    const std::uint8_t* ImageRow(int r) const { return pixels_ + (height_ - 1 - r) * stride_; }
    // 256 pixel values (0xFFRRGGBB) for palette indices; entries past the
    // table are black.
    void PixelTable(std::uint32_t (&table)[256]) const;

private:
    std::uint8_t* block_;
    std::uint8_t* pixels_;
    int width_;
    int height_;
    int colours_;
    std::size_t stride_;
};

// Builds the block of a frame from its palette indices (`indices`, width x
// height in the order the code stream delivered rows) and its RGB colour
// table of `colours` entries. Empty on allocation failure.
ByteBlock BuildBitmapBlock(int width, int height, bool interlaced,
                           std::span<const std::uint8_t> indices, const std::uint8_t* rgbTable,
                           int colours);

// A block with header and colour table filled and its pixel area left for
// the caller; empty on allocation failure.
ByteBlock AllocateBitmapBlock(int width, int height, const std::uint8_t* rgbTable, int colours);

// Turns the first width x height bytes of a block's pixel area, written as
// top-down rows without padding, into the block's bottom-up padded rows, in
// place. Lets a non-interlaced image decode straight into its block.
void ArrangeRowsInPlace(std::uint8_t* pixels, int width, int height);

// Puts the first width x height bytes of a pixel area, unpadded rows in the
// order an interlaced image delivers them, into top-down image order, in
// place. Throws std::bad_alloc when a row of scratch cannot be had.
void DeinterlaceRowsInPlace(std::uint8_t* pixels, int width, int height);

// Image row that the i-th delivered row of an interlaced image of `height`
// rows lands on (passes: 0 step 8, 4 step 8, 2 step 4, 1 step 2).
int InterlacedRow(int i, int height);

}  // namespace plimova
