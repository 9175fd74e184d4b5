#pragma once
// Block-level parse of a GIF file into a GifImage: header, screen descriptor,
// global table, then extensions and images until the trailer.

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "gif_image.h"
#include "lzw_decoder.h"

namespace plimova {

class GifParser {
public:
    explicit GifParser(GifImage& image) : image_(image) {}

    // Parses image_.raw_ into image_; false when nothing usable was found,
    // with the reason in `error`.
    bool Parse(LoadError& error);

private:
    enum class Step { kDecoded, kDropped, kEndOfLoop };

    bool ReadSubBlocks();
    bool SkipSubBlocks();
    bool WalkSubBlocks(bool keep);
    Step ReadImage();
    bool ScreenJustified(LoadError& error) const;

    // The longest string a 12-bit code table can hold.
    static constexpr std::uint64_t kMaxPixelsPerCode = 4096;

    GifImage& image_;
    const std::uint8_t* data_ = nullptr;
    std::size_t size_ = 0;
    std::size_t pos_ = 0;
    std::uint64_t filePixels_ = 0;
    std::uint64_t fileCodes_ = 0;  // codes the decoded images' data can hold
    std::vector<std::byte> subBlocks_;
    std::vector<std::uint8_t> indices_;
    LzwDecoder lzw_;
};

}  // namespace plimova
