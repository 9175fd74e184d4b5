#include "engine/gif_parser.h"

#include <cstring>
#include <new>
#include <string_view>

#include "base/little_endian.h"

namespace plimova {

namespace {

// The 16-bit field at OFFSET of a header the caller has bounds-checked.
std::uint16_t Field16(const std::uint8_t* data, std::size_t size, std::size_t offset) {
    const auto value = vantry::ReadLittleEndian(
        std::string_view(reinterpret_cast<const char*>(data), size), offset, 2);
    return static_cast<std::uint16_t>(value.value_or(0));
}

// Flags of an image descriptor's packed byte.
constexpr std::uint8_t kLocalTable = 0x80;
constexpr std::uint8_t kInterlaced = 0x40;
// Flag of the screen descriptor's packed byte.
constexpr std::uint8_t kGlobalTable = 0x80;

// Entries of a colour table whose size field (the packed byte's low bits) is
// `packed`.
int TableColours(std::uint8_t packed) {
    return 1 << ((packed & 7) + 1);
}

}  // namespace

GifParser::GifParser(std::span<const std::byte> data, const DecodeLimits& limits)
    : data_(reinterpret_cast<const std::uint8_t*>(data.data())),
      size_(data.size()),
      limits_(limits) {}

// Steps over one run of data sub-blocks up to its terminator, counting their
// data bytes; false when the data ends first (the position is then left at
// the end).
bool GifParser::SkipSubBlocks(std::size_t& dataBytes) {
    dataBytes = 0;
    for (;;) {
        if (pos_ >= size_) {
            return false;
        }
        const std::size_t len = data_[pos_++];
        if (len == 0) {
            return true;
        }
        if (size_ - pos_ < len) {
            pos_ = size_;
            return false;
        }
        dataBytes += len;
        pos_ += len;
    }
}

// A graphic control extension must hold exactly four data bytes, in any
// split over sub-blocks; they become the pending control word.
bool GifParser::ReadControlExtension() {
    const std::size_t start = pos_;
    std::size_t dataBytes = 0;
    if (!SkipSubBlocks(dataBytes) || dataBytes != 4) {
        return false;
    }
    std::uint32_t word = 0;
    int shift = 0;
    for (std::size_t at = start; data_[at] != 0; at += 1 + data_[at]) {
        for (std::size_t i = 1; i <= data_[at]; ++i, shift += 8) {
            word |= std::uint32_t{data_[at + i]} << shift;
        }
    }
    pendingControlWord_ = word;
    return true;
}

GifParser::Step GifParser::ReadImage(ParsedGif& result) {
    if (size_ - pos_ < 10) {
        return Step::kEndOfLoop;
    }
    const std::size_t descriptor = pos_;
    const int width = Field16(data_, size_, pos_ + 5);
    const int height = Field16(data_, size_, pos_ + 7);
    const std::uint8_t packed = data_[pos_ + 9];
    pos_ += 10;

    const std::uint8_t* table = result.screen.globalTable;
    int colours = TableColours(result.screen.flags);
    if (packed & kLocalTable) {
        colours = TableColours(packed);
        const std::size_t tableBytes = 3 * static_cast<std::size_t>(colours);
        if (size_ - pos_ < tableBytes) {
            return Step::kDropped;
        }
        table = data_ + pos_;
        pos_ += tableBytes;
    }

    if (pos_ >= size_) {
        return Step::kDropped;
    }
    const int minCodeSize = data_[pos_++];
    // The decoder reads the sub-blocks where they lie; no joined copy.
    const std::size_t chainStart = pos_;
    std::size_t dataBytes = 0;
    if (!SkipSubBlocks(dataBytes)) {
        return Step::kDropped;
    }
    const std::span<const std::uint8_t> chain(data_ + chainStart, pos_ - chainStart);

    const std::uint64_t count = static_cast<std::uint64_t>(width) * height;
    // One code yields at most kMaxPixelsPerCode pixels, so a frame claiming
    // more than its data could ever code is not an image but a bid for
    // memory.
    const std::uint64_t codes = std::uint64_t{dataBytes} * 8 / (minCodeSize + 1);
    if (count > codes * kMaxPixelsPerCode || count > limits_.maxImagePixels ||
        filePixels_ + count > limits_.maxFilePixels ||
        result.frames.size() >= static_cast<std::size_t>(GifImage::kMaxFrames)) {
        return Step::kDropped;
    }
    GifFrame frame;
    frame.descriptorOffset = static_cast<std::uint32_t>(descriptor);
    frame.controlWord = pendingControlWord_;
    // Decoded straight into the block, then put in order in place: no second
    // copy of the pixels.
    frame.bitmap = AllocateBitmapBlock(width, height, table, colours);
    if (frame.bitmap.empty()) {
        return Step::kDropped;
    }
    std::uint8_t* pixels = frame.bitmap.data() + kBitmapHeaderSize + 4 * colours;
    if (!lzw_.DecodeSubBlocks(chain, minCodeSize, {pixels, static_cast<std::size_t>(count)})) {
        return Step::kDropped;
    }
    try {
        if (packed & kInterlaced) {
            DeinterlaceRowsInPlace(pixels, width, height);
        }
        ArrangeRowsInPlace(pixels, width, height);
        result.frames.push_back(std::move(frame));
    } catch (const std::bad_alloc&) {
        return Step::kDropped;
    }
    filePixels_ += count;
    fileCodes_ += codes;
    return Step::kDecoded;
}

bool GifParser::ReadHeader(ParsedGif& result) {
    if (size_ < 6 || std::memcmp(data_, "GIF8", 4) != 0 || (data_[4] != '7' && data_[4] != '9') ||
        data_[5] != 'a') {
        result.error = LoadError::kHeader;
        return false;
    }
    pos_ = 6;
    if (size_ - pos_ < 7) {
        result.error = LoadError::kScreen;
        return false;
    }
    GifScreen& screen = result.screen;
    screen.width = Field16(data_, size_, pos_);
    screen.height = Field16(data_, size_, pos_ + 2);
    screen.flags = data_[pos_ + 4];
    screen.backgroundIndex = data_[pos_ + 5];
    screen.aspect = data_[pos_ + 6];
    pos_ += 7;
    // The composer allocates the logical screen, so it is bounded like an image.
    if (std::uint64_t{screen.width} * screen.height > limits_.maxImagePixels) {
        result.error = LoadError::kScreen;
        return false;
    }
    if (screen.flags & kGlobalTable) {
        const std::size_t tableBytes = 3 * static_cast<std::size_t>(TableColours(screen.flags));
        if (size_ - pos_ < tableBytes) {
            result.error = LoadError::kGlobalTable;
            return false;
        }
        std::memcpy(screen.globalTable, data_ + pos_, tableBytes);
        pos_ += tableBytes;
    }
    return true;
}

ParsedGif GifParser::Parse() {
    ParsedGif result;
    pos_ = 0;
    pendingControlWord_ = 0;
    filePixels_ = 0;
    fileCodes_ = 0;
    if (!ReadHeader(result)) {
        return result;
    }
    bool trailer = false;
    while (pos_ < size_ && !trailer) {
        const std::uint8_t block = data_[pos_];
        if (block == 0x3B) {
            // Trailer: valid even with no image.
            trailer = true;
        } else if (block == 0x21) {
            pos_ += 1;
            if (pos_ >= size_) {
                break;
            }
            const std::uint8_t label = data_[pos_++];
            if (pos_ >= size_) {
                break;
            }
            std::size_t ignored = 0;
            if (label == 0xF9 ? !ReadControlExtension() : !SkipSubBlocks(ignored)) {
                break;
            }
        } else if (block == 0x2C) {
            const Step step = ReadImage(result);
            pendingControlWord_ = 0;
            if (step == Step::kEndOfLoop) {
                break;
            }
        } else {
            break;
        }
    }
    if (!trailer && result.frames.empty()) {
        result.error = LoadError::kNoImage;
    } else if (!ScreenJustified(result.screen)) {
        result.error = LoadError::kScreen;
    }
    if (result.error != LoadError::kNone) {
        result.frames.clear();
    }
    return result;
}

// The composer allocates the whole logical screen. Up to a fixed allowance
// any screen is fine; beyond it the images must be able to code as many
// pixels as the screen holds, so a few bytes cannot claim gigabytes.
bool GifParser::ScreenJustified(const GifScreen& screen) const {
    const std::uint64_t pixels = std::uint64_t{screen.width} * screen.height;
    return pixels <= limits_.freeScreenPixels || pixels <= fileCodes_ * kMaxPixelsPerCode;
}

}  // namespace plimova
