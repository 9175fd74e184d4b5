#pragma once
// GifImage: the bytes of one GIF file, its logical screen and every image of
// it decoded once into a bitmap block, with per-frame geometry, delay,
// transparency and disposal.

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "engine/bitmap_block.h"
#include "engine/picture.h"

namespace plimova {

// What a frame query returns.
struct FrameInfo {
    std::uint16_t left = 0;
    std::uint16_t top = 0;
    std::uint16_t width = 0;
    std::uint16_t height = 0;
    std::uint16_t delay = 0;        // hundredths; 0 reads as 10 with two or more frames
    std::uint16_t transparent = 0;  // 0xFFFF when the frame has no transparent colour
    std::uint16_t disposal = 0;     // method x 4, as stored
    friend bool operator==(const FrameInfo&, const FrameInfo&) = default;
};

constexpr std::uint16_t kNoTransparency = 0xFFFF;

// One decoded image.
struct GifFrame {
    // The control word is the graphic control extension's four data bytes,
    // little-endian: packed flags | delay << 8 | transparent index << 24.
    // Its bits are read through the accessors below only.
    static constexpr std::uint32_t kTransparentFlag = 0x01;
    static constexpr std::uint32_t kDisposalBits = 0x1C;
    // Disposal method 2, restore to background, as stored (method x 4).
    static constexpr std::uint16_t kRestoreBackground = 8;

    bool HasTransparency() const { return (controlWord & kTransparentFlag) != 0; }
    std::uint8_t TransparentIndex() const { return static_cast<std::uint8_t>(controlWord >> 24); }
    std::uint16_t StoredDelay() const { return static_cast<std::uint16_t>(controlWord >> 8); }
    std::uint16_t Disposal() const {
        return static_cast<std::uint16_t>(controlWord & kDisposalBits);
    }

    std::uint32_t descriptorOffset = 0;  // the "," of its image descriptor
    std::uint32_t controlWord = 0;
    ByteBlock bitmap;  // see bitmap_block.h
};

// The logical screen descriptor and the global colour table.
struct GifScreen {
    std::uint16_t width = 0;
    std::uint16_t height = 0;
    std::uint8_t flags = 0;  // bit 7 global table present, bits 0-2 its size
    std::uint8_t backgroundIndex = 0;
    std::uint8_t aspect = 0;
    std::uint8_t globalTable[768] = {};
};

// Bounds on decoded pixels, so a small file cannot claim unbounded memory by
// declaring huge frames. An image beyond either bound counts as damaged. A
// logical screen above freeScreenPixels must be one its images' code data
// could fill (at most 4096 pixels per code), else the load fails.
struct DecodeLimits {
    std::uint64_t maxImagePixels = std::uint64_t{16384} * 16384;
    std::uint64_t maxFilePixels = std::uint64_t{1} << 30;
    std::uint64_t freeScreenPixels = std::uint64_t{2048} * 2048;
};

// Why the last load failed.
enum class LoadError {
    kNone,
    kCannotRead,   // the file could not be opened or read
    kEmpty,        // no bytes
    kHeader,       // not "GIF87a" or "GIF89a"
    kScreen,       // logical screen descriptor cut short, or too large for its images
    kGlobalTable,  // global colour table cut short
    kNoImage,      // the data ended before any image decoded
};

// A one-line English text for a load error.
const char* LoadErrorText(LoadError error);

class GifImage {
public:
    static constexpr int kMaxFrames = 32767;  // frame indices are 16-bit signed

    GifImage() = default;
    explicit GifImage(DecodeLimits limits) : limits_(limits) {}

    // Replace the content; on failure the image is left empty.
    bool LoadFromFile(const std::filesystem::path& path);
    bool LoadFromData(std::span<const std::byte> data);
    // The control's 16-bit form: one unit per byte of the file (units above
    // 0xFF narrow to '?', as a single-byte code page would).
    bool LoadFromBytes(std::u16string_view text);
    // The raw bytes widened one unit per byte; absent when nothing is loaded.
    std::optional<std::u16string> Bytes() const;
    std::span<const std::byte> RawBytes() const;
    void Clear();

    bool Loaded() const { return loaded_; }
    LoadError LastError() const { return lastError_; }
    std::uint16_t ScreenWidth() const { return screen_.width; }
    std::uint16_t ScreenHeight() const { return screen_.height; }
    std::uint8_t ScreenFlags() const { return screen_.flags; }
    std::uint8_t BackgroundIndex() const { return screen_.backgroundIndex; }
    std::uint8_t Aspect() const { return screen_.aspect; }

    int FrameCount() const { return static_cast<int>(frames_.size()); }
    const GifFrame* Frame(int index) const;
    std::optional<FrameInfo> GetFrameInfo(int index) const;
    int FrameDelay(int index) const;
    Rect FrameRect(int index) const;  // on the logical screen; empty for a bad index

    // Overwrites the transparent colour's table entry with `colour` (kept in
    // the stored table) and returns the frame as a picture of its own size.
    std::optional<Picture> FrameBitmap(int index, Rgb colour);
    // 1 where the pixel is the transparent index; rows padded to 16 bits.
    std::optional<BitPlane> FrameMask(int index) const;
    // Sets the bits of the frame's opaque pixels in a screen bitmask.
    void AddOpaqueBits(int index, BitPlane& bitmask) const;
    // Sets the stored colour of the transparent index (no-op without one).
    void SetTransparentColour(int index, Rgb colour);
    // Palette indices of a frame, top row first, width x height.
    std::vector<std::uint8_t> FrameIndices(int index) const;

private:
    bool Parse(std::vector<std::byte> bytes);

    DecodeLimits limits_;
    bool loaded_ = false;
    LoadError lastError_ = LoadError::kNone;
    std::vector<std::byte> raw_;
    GifScreen screen_;
    std::vector<GifFrame> frames_;
};

}  // namespace plimova
