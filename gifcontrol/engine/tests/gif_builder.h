#pragma once
// Test helpers that write GIF byte sequences by hand: blocks, code streams
// packed least significant bit first, and a plain LZW encoder.

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace plimova::test {

using Bytes = std::vector<std::uint8_t>;

// Packs codes of the given widths least significant bit first.
class CodeWriter {
public:
    void Put(unsigned code, int width);
    Bytes Finish();  // pads the last byte with zeros

private:
    Bytes out_;
    std::uint32_t acc_ = 0;
    int bits_ = 0;
};

// A valid GIF LZW code stream for `indices` (clear first, end code last).
Bytes LzwEncode(std::span<const std::uint8_t> indices, int minCodeSize);

// Splits data into sub-blocks of at most 255 bytes plus the terminator.
Bytes SubBlocks(std::span<const std::uint8_t> data);

struct ImageSpec {
    int left = 0, top = 0, width = 1, height = 1;
    bool interlaced = false;
    int localTableBits = 0;  // 0: none; else table of 2^bits entries
    int minCodeSize = 2;
    Bytes indices;   // in stream order; empty: all zero
    Bytes rawCodes;  // used instead of encoding indices when set
};

// A w x h image at (left, top) in the one palette entry `index`.
ImageSpec Solid(int left, int top, int w, int h, std::uint8_t index);

class GifBuilder {
public:
    explicit GifBuilder(int width = 4, int height = 4, int globalTableBits = 2,
                        std::string version = "GIF89a");
    GifBuilder& Control(int disposal, int delay, int transparent = -1);
    GifBuilder& RawControl(std::span<const std::uint8_t> data);  // any sub-block content
    GifBuilder& Comment(const std::string& text);
    GifBuilder& Image(const ImageSpec& image);
    GifBuilder& Raw(std::span<const std::uint8_t> bytes);
    GifBuilder& Trailer();
    const Bytes& Data() const { return data_; }
    std::span<const std::byte> Span() const {
        return {reinterpret_cast<const std::byte*>(data_.data()), data_.size()};
    }

private:
    Bytes data_;
};

}  // namespace plimova::test
