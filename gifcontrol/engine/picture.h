#pragma once
// Plain picture types of the GIF engine: what a graphics layer would hold as
// device bitmaps, monochrome masks and regions, kept free of any toolkit.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace plimova {

// A colour as red, green and blue.
struct Rgb {
    std::uint8_t r = 0;
    std::uint8_t g = 0;
    std::uint8_t b = 0;
    friend bool operator==(const Rgb&, const Rgb&) = default;
};

// Pixel value of a colour in a Picture: 0xFFRRGGBB, which a toolkit can wrap
// as an opaque 32-bit image without conversion.
constexpr std::uint32_t PixelOf(Rgb c) {
    return 0xFF000000u | (std::uint32_t{c.r} << 16) | (std::uint32_t{c.g} << 8) | c.b;
}

// An axis-aligned rectangle; right and bottom are one past the last pixel.
struct Rect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
    bool Empty() const { return right <= left || bottom <= top; }
    Rect Intersected(const Rect& o) const;
    friend bool operator==(const Rect&, const Rect&) = default;
};

// Rows top-down, one value per pixel: the shape the colour picture and the
// black-and-white picture share.
template <typename Pixel>
class PixelRows {
public:
    PixelRows() = default;
    PixelRows(int width, int height, Pixel fill)
        : width_(std::max(width, 0)),
          height_(std::max(height, 0)),
          pixels_(static_cast<std::size_t>(width_) * height_, fill) {}

    int Width() const { return width_; }
    int Height() const { return height_; }
    bool Empty() const { return pixels_.empty(); }
    Pixel* Row(int y) { return pixels_.data() + static_cast<std::size_t>(y) * width_; }
    const Pixel* Row(int y) const { return pixels_.data() + static_cast<std::size_t>(y) * width_; }
    Pixel At(int x, int y) const { return Row(y)[x]; }
    // Clipped to the picture.
    void Fill(const Rect& area, Pixel value) {
        const Rect r = area.Intersected(Rect{0, 0, width_, height_});
        for (int y = r.top; y < r.bottom; ++y) {
            std::fill(Row(y) + r.left, Row(y) + r.right, value);
        }
    }

private:
    int width_ = 0;
    int height_ = 0;
    std::vector<Pixel> pixels_;
};

// A colour picture, one PixelOf value per pixel.
class Picture : public PixelRows<std::uint32_t> {
public:
    Picture() = default;
    Picture(int width, int height, Rgb fill) : PixelRows(width, height, PixelOf(fill)) {}
};

// A black-and-white picture, one byte per pixel: 0 black, 0xFF white.
using GreyPicture = PixelRows<std::uint8_t>;

// A 1-bit bitmap, rows top-down, each row padded to `rowAlignBits`, most
// significant bit = leftmost pixel. Serves as the frame mask (16-bit rows)
// and as the composer's opaque bitmask (8-bit rows).
class BitPlane {
public:
    BitPlane() = default;
    BitPlane(int width, int height, int rowAlignBits);

    int Width() const { return width_; }
    int Height() const { return height_; }
    std::size_t Stride() const { return stride_; }
    bool Empty() const { return bits_.empty(); }
    bool Get(int x, int y) const { return (bits_[y * stride_ + (x >> 3)] >> (7 - (x & 7))) & 1; }
    void Set(int x, int y) { bits_[y * stride_ + (x >> 3)] |= std::uint8_t(0x80u >> (x & 7)); }
    void Clear(const Rect& area);  // clipped to the plane
    std::uint8_t* Row(int y) { return bits_.data() + y * stride_; }
    const std::uint8_t* Row(int y) const { return bits_.data() + y * stride_; }
    const std::vector<std::uint8_t>& Bytes() const { return bits_; }

private:
    int width_ = 0;
    int height_ = 0;
    std::size_t stride_ = 0;
    std::vector<std::uint8_t> bits_;
};

// A region as the ordered list of rectangles it was built from.
struct Region {
    std::vector<Rect> rects;
    bool Empty() const { return rects.empty(); }
};

}  // namespace plimova
