#include "gif_parser.h"

#include <cstring>
#include <new>

namespace plimova {

std::uint32_t g_PendingControlWord = 0;

namespace {

std::uint16_t Le16(const std::uint8_t* p) {
    return static_cast<std::uint16_t>(p[0] | p[1] << 8);
}

}  // namespace

bool GifParser::ReadSubBlocks() {
    subBlocks_.clear();
    return WalkSubBlocks(true);
}

bool GifParser::SkipSubBlocks() {
    return WalkSubBlocks(false);
}

// Steps over one run of data sub-blocks up to its terminator; false when the
// data ends first (the position is then left at the end).
bool GifParser::WalkSubBlocks(bool keep) {
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
        if (keep) {
            const auto* from = reinterpret_cast<const std::byte*>(data_ + pos_);
            subBlocks_.insert(subBlocks_.end(), from, from + len);
        }
        pos_ += len;
    }
}

GifParser::Step GifParser::ReadImage() {
    if (size_ - pos_ < 10) {
        return Step::kEndOfLoop;
    }
    const std::size_t descriptor = pos_;
    const std::uint8_t* d = data_ + pos_;
    const int width = Le16(d + 5);
    const int height = Le16(d + 7);
    const std::uint8_t packed = d[9];
    pos_ += 10;

    const std::uint8_t* table = image_.globalTable_;
    int colours = 1 << ((image_.screenFlags_ & 7) + 1);
    if (packed & 0x80) {
        colours = 1 << ((packed & 7) + 1);
        const std::size_t tableBytes = 3 * static_cast<std::size_t>(colours);
        if (size_ - pos_ < tableBytes) {
            return Step::kDropped;
        }
        table = data_ + pos_;
        pos_ += tableBytes;
    }
    const std::uint32_t controlWord = g_PendingControlWord;

    if (pos_ >= size_) {
        return Step::kDropped;
    }
    const int minCodeSize = data_[pos_++];
    if (!ReadSubBlocks()) {
        return Step::kDropped;
    }

    const std::uint64_t count = static_cast<std::uint64_t>(width) * height;
    // One code yields at most kMaxPixelsPerCode pixels, so a frame claiming
    // more than its data could ever code is not an image but a bid for
    // memory.
    const std::uint64_t codes = std::uint64_t{subBlocks_.size()} * 8 / (minCodeSize + 1);
    if (count > codes * kMaxPixelsPerCode || count > image_.limits_.maxImagePixels ||
        filePixels_ + count > image_.limits_.maxFilePixels ||
        image_.frames_.size() >= static_cast<std::size_t>(GifImage::kMaxFrames)) {
        return Step::kDropped;
    }
    GifFrame frame;
    frame.descriptorOffset = static_cast<std::uint32_t>(descriptor);
    frame.controlWord = controlWord;
    if (!(packed & 0x40)) {
        // Decoded straight into the block, then turned bottom-up in place:
        // no second copy of the pixels.
        frame.bitmap = AllocateBitmapBlock(width, height, table, colours);
        if (frame.bitmap.empty()) {
            return Step::kDropped;
        }
        std::uint8_t* pixels = frame.bitmap.data() + kBitmapHeaderSize + 4 * colours;
        if (!lzw_.Decode(subBlocks_, minCodeSize, {pixels, static_cast<std::size_t>(count)})) {
            return Step::kDropped;
        }
        ArrangeRowsInPlace(pixels, width, height);
    } else {
        try {
            indices_.resize(static_cast<std::size_t>(count));
        } catch (const std::bad_alloc&) {
            indices_ = std::vector<std::uint8_t>();
            return Step::kDropped;
        }
        if (!lzw_.Decode(subBlocks_, minCodeSize, indices_)) {
            return Step::kDropped;
        }
        frame.bitmap = BuildBitmapBlock(width, height, true, indices_, table, colours);
        if (frame.bitmap.empty()) {
            return Step::kDropped;
        }
    }
    try {
        image_.frames_.push_back(std::move(frame));
    } catch (const std::bad_alloc&) {
        return Step::kDropped;
    }
    filePixels_ += count;
    fileCodes_ += codes;
    return Step::kDecoded;
}

bool GifParser::Parse(LoadError& error) {
    data_ = reinterpret_cast<const std::uint8_t*>(image_.raw_.data());
    size_ = image_.raw_.size();
    pos_ = 0;
    filePixels_ = 0;
    fileCodes_ = 0;

    if (size_ < 6 || std::memcmp(data_, "GIF8", 4) != 0 || (data_[4] != '7' && data_[4] != '9') ||
        data_[5] != 'a') {
        error = LoadError::kHeader;
        return false;
    }
    pos_ = 6;
    if (size_ - pos_ < 7) {
        error = LoadError::kScreen;
        return false;
    }
    image_.screenWidth_ = Le16(data_ + pos_);
    image_.screenHeight_ = Le16(data_ + pos_ + 2);
    image_.screenFlags_ = data_[pos_ + 4];
    image_.backgroundIndex_ = data_[pos_ + 5];
    image_.aspect_ = data_[pos_ + 6];
    pos_ += 7;
    // The composer allocates the logical screen, so it is bounded like an image.
    if (std::uint64_t{image_.screenWidth_} * image_.screenHeight_ > image_.limits_.maxImagePixels) {
        error = LoadError::kScreen;
        return false;
    }
    std::memset(image_.globalTable_, 0, sizeof image_.globalTable_);
    if (image_.screenFlags_ & 0x80) {
        const std::size_t tableBytes = 3u << ((image_.screenFlags_ & 7) + 1);
        if (size_ - pos_ < tableBytes) {
            error = LoadError::kGlobalTable;
            return false;
        }
        std::memcpy(image_.globalTable_, data_ + pos_, tableBytes);
        pos_ += tableBytes;
    }

    g_PendingControlWord = 0;
    while (pos_ < size_) {
        const std::uint8_t block = data_[pos_];
        if (block == 0x3B) {
            // Trailer: valid even with no image.
            return ScreenJustified(error);
        }
        if (block == 0x21) {
            pos_ += 1;
            if (pos_ >= size_) {
                break;
            }
            const std::uint8_t label = data_[pos_++];
            if (pos_ >= size_) {
                break;
            }
            if (label == 0xF9) {
                if (!ReadSubBlocks() || subBlocks_.size() != 4) {
                    break;
                }
                const auto* c = reinterpret_cast<const std::uint8_t*>(subBlocks_.data());
                g_PendingControlWord = std::uint32_t{c[0]} | std::uint32_t{c[1]} << 8 |
                                       std::uint32_t{c[2]} << 16 | std::uint32_t{c[3]} << 24;
            } else if (!SkipSubBlocks()) {
                break;
            }
        } else if (block == 0x2C) {
            const Step step = ReadImage();
            g_PendingControlWord = 0;
            if (step == Step::kEndOfLoop) {
                break;
            }
        } else {
            break;
        }
    }
    if (image_.frames_.empty()) {
        error = LoadError::kNoImage;
        return false;
    }
    return ScreenJustified(error);
}

// The composer allocates the whole logical screen. Up to a fixed allowance
// any screen is fine; beyond it the images must be able to code as many
// pixels as the screen holds, so a few bytes cannot claim gigabytes.
bool GifParser::ScreenJustified(LoadError& error) const {
    const std::uint64_t screen = std::uint64_t{image_.screenWidth_} * image_.screenHeight_;
    if (screen > image_.limits_.freeScreenPixels && screen > fileCodes_ * kMaxPixelsPerCode) {
        error = LoadError::kScreen;
        return false;
    }
    return true;
}

}  // namespace plimova
