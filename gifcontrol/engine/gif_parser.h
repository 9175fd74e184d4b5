#pragma once
// Block-level parse of a GIF file: header, screen descriptor, global table,
// then extensions and images until the trailer. Bytes in, a ParsedGif out.

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "engine/gif_image.h"
#include "engine/lzw_decoder.h"

namespace plimova {

// What a parse found: the screen and every image that decoded, or the reason
// nothing usable was found.
struct ParsedGif {
    LoadError error = LoadError::kNone;
    GifScreen screen;
    std::vector<GifFrame> frames;
};

class GifParser {
public:
    // `data` must outlive the parser; the frames keep offsets into it.
    GifParser(std::span<const std::byte> data, const DecodeLimits& limits);

    ParsedGif Parse();

private:
    enum class Step { kDecoded, kDropped, kEndOfLoop };

    bool ReadHeader(ParsedGif& result);
    bool SkipSubBlocks(std::size_t& dataBytes);
    bool ReadControlExtension();
    Step ReadImage(ParsedGif& result);
    bool ScreenJustified(const GifScreen& screen) const;

    // The longest string a 12-bit code table can hold.
    static constexpr std::uint64_t kMaxPixelsPerCode = 4096;

    const std::uint8_t* data_;
    std::size_t size_;
    DecodeLimits limits_;
    std::size_t pos_ = 0;
    // The graphic control extension seen last, waiting for the next image.
    std::uint32_t pendingControlWord_ = 0;
    std::uint64_t filePixels_ = 0;
    std::uint64_t fileCodes_ = 0;  // codes the decoded images' data can hold
    LzwDecoder lzw_;
};

}  // namespace plimova
