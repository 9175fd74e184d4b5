#include "engine/gif_image.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <new>

#include "base/little_endian.h"
#include "base/regular_file.h"
#include "engine/gif_parser.h"

namespace plimova {

const char* LoadErrorText(LoadError error) {
    switch (error) {
        case LoadError::kNone:
            return "no error";
        case LoadError::kCannotRead:
            return "cannot open or read the file";
        case LoadError::kEmpty:
            return "no data";
        case LoadError::kHeader:
            return "not a GIF (bad signature or version)";
        case LoadError::kScreen:
            return "logical screen descriptor cut short, or screen too large for its images";
        case LoadError::kGlobalTable:
            return "global colour table cut short";
        case LoadError::kNoImage:
            return "no image could be decoded";
    }
    return "unknown error";
}

bool GifImage::LoadFromFile(const std::filesystem::path& path) {
    Clear();
    lastError_ = LoadError::kCannotRead;
    // Only a regular file is read: a FIFO or device under the name must not
    // hang the caller.
    const vantry::FileDescriptor fd = vantry::OpenRegularFile(path.string());
    struct stat st {};
    if (!fd.valid() || ::fstat(fd.get(), &st) != 0) {
        return false;
    }
    std::vector<std::byte> bytes;
    try {
        bytes.resize(static_cast<std::size_t>(st.st_size));
    } catch (const std::exception&) {
        return false;
    }
    std::size_t got = 0;
    while (got < bytes.size()) {
        const ssize_t n = ::read(fd.get(), bytes.data() + got, bytes.size() - got);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0) {
            return false;
        }
        if (n == 0) {
            break;  // shrank while being read
        }
        got += static_cast<std::size_t>(n);
    }
    bytes.resize(got);
    return Parse(std::move(bytes));
}

bool GifImage::Parse(std::vector<std::byte> bytes) {
    raw_ = std::move(bytes);
    if (raw_.empty()) {
        lastError_ = LoadError::kEmpty;
        return false;
    }
    ParsedGif parsed = GifParser(raw_, limits_).Parse();
    if (parsed.error != LoadError::kNone) {
        Clear();
        lastError_ = parsed.error;
        return false;
    }
    screen_ = parsed.screen;
    frames_ = std::move(parsed.frames);
    loaded_ = true;
    lastError_ = LoadError::kNone;
    return true;
}

bool GifImage::LoadFromData(std::span<const std::byte> data) {
    Clear();
    std::vector<std::byte> bytes;
    try {
        bytes.assign(data.begin(), data.end());
    } catch (const std::bad_alloc&) {
        lastError_ = LoadError::kCannotRead;
        return false;
    }
    return Parse(std::move(bytes));
}

bool GifImage::LoadFromBytes(std::u16string_view text) {
    Clear();
    if (text.empty()) {
        lastError_ = LoadError::kEmpty;
        return false;
    }
    std::vector<std::byte> bytes;
    try {
        bytes.resize(text.size());
    } catch (const std::bad_alloc&) {
        lastError_ = LoadError::kCannotRead;
        return false;
    }
    std::transform(text.begin(), text.end(), bytes.begin(),
                   [](char16_t u) { return std::byte(u <= 0xFF ? u : u'?'); });
    return Parse(std::move(bytes));  // kept as they are: no second copy
}

std::optional<std::u16string> GifImage::Bytes() const {
    if (!loaded_) {
        return std::nullopt;
    }
    std::u16string text(raw_.size(), u'\0');
    std::transform(raw_.begin(), raw_.end(), text.begin(),
                   [](std::byte b) { return static_cast<char16_t>(std::to_integer<unsigned>(b)); });
    return text;
}

std::span<const std::byte> GifImage::RawBytes() const {
    return raw_;
}

void GifImage::Clear() {
    loaded_ = false;
    lastError_ = LoadError::kNone;
    raw_ = std::vector<std::byte>();
    frames_ = std::vector<GifFrame>();
    screen_ = GifScreen();
}

const GifFrame* GifImage::Frame(int index) const {
    if (index < 0 || index >= FrameCount()) {
        return nullptr;
    }
    return &frames_[static_cast<std::size_t>(index)];
}

std::optional<FrameInfo> GifImage::GetFrameInfo(int index) const {
    const GifFrame* f = Frame(index);
    if (!f) {
        return std::nullopt;
    }
    // The parser kept only frames whose whole descriptor lies inside the data.
    const std::string_view raw(reinterpret_cast<const char*>(raw_.data()), raw_.size());
    const auto field = [&](std::size_t at) {
        return static_cast<std::uint16_t>(
            vantry::ReadLittleEndian(raw, f->descriptorOffset + at, 2).value_or(0));
    };
    FrameInfo info;
    info.left = field(1);
    info.top = field(3);
    info.width = field(5);
    info.height = field(7);
    info.delay = static_cast<std::uint16_t>(FrameDelay(index));
    info.transparent = f->HasTransparency() ? f->TransparentIndex() : kNoTransparency;
    info.disposal = f->Disposal();
    return info;
}

int GifImage::FrameDelay(int index) const {
    const GifFrame* f = Frame(index);
    if (!f) {
        return 0;
    }
    const int delay = f->StoredDelay();
    if (delay == 0 && FrameCount() >= 2) {
        return 10;
    }
    return delay;
}

Rect GifImage::FrameRect(int index) const {
    const auto info = GetFrameInfo(index);
    if (!info) {
        return Rect{};
    }
    return Rect{info->left, info->top, info->left + info->width, info->top + info->height};
}

void GifImage::SetTransparentColour(int index, Rgb colour) {
    const GifFrame* f = Frame(index);
    if (!f || !f->HasTransparency()) {
        return;
    }
    BitmapView view(frames_[static_cast<std::size_t>(index)].bitmap.data());
    const int t = f->TransparentIndex();
    if (t < view.Colours()) {
        std::uint8_t* e = view.ColourEntry(t);
        e[0] = colour.b;
        e[1] = colour.g;
        e[2] = colour.r;
        e[3] = 0;
    }
}

std::optional<Picture> GifImage::FrameBitmap(int index, Rgb colour) {
    const GifFrame* f = Frame(index);
    if (!f) {
        return std::nullopt;
    }
    SetTransparentColour(index, colour);
    BitmapView view(frames_[static_cast<std::size_t>(index)].bitmap.data());
    std::uint32_t table[256];
    view.PixelTable(table);
    if (f->HasTransparency()) {
        // Also covers a transparent index past the table.
        table[f->TransparentIndex()] = PixelOf(colour);
    }
    Picture picture(view.Width(), view.Height(), Rgb{});
    for (int y = 0; y < view.Height(); ++y) {
        const std::uint8_t* src = view.ImageRow(y);
        std::uint32_t* dst = picture.Row(y);
        for (int x = 0; x < view.Width(); ++x) {
            dst[x] = table[src[x]];
        }
    }
    return picture;
}

std::optional<BitPlane> GifImage::FrameMask(int index) const {
    const GifFrame* f = Frame(index);
    if (!f) {
        return std::nullopt;
    }
    BitmapView view(const_cast<std::uint8_t*>(f->bitmap.data()));
    BitPlane mask(view.Width(), view.Height(), 16);
    if (!f->HasTransparency()) {
        return mask;
    }
    const std::uint8_t t = f->TransparentIndex();
    for (int y = 0; y < view.Height(); ++y) {
        const std::uint8_t* src = view.ImageRow(y);
        for (int x = 0; x < view.Width(); ++x) {
            if (src[x] == t) {
                mask.Set(x, y);
            }
        }
    }
    return mask;
}

void GifImage::AddOpaqueBits(int index, BitPlane& bitmask) const {
    const GifFrame* f = Frame(index);
    if (!f) {
        return;
    }
    BitmapView view(const_cast<std::uint8_t*>(f->bitmap.data()));
    const Rect frame = FrameRect(index);
    const Rect r = frame.Intersected(Rect{0, 0, bitmask.Width(), bitmask.Height()});
    const bool transparent = f->HasTransparency();
    const std::uint8_t t = f->TransparentIndex();
    for (int y = r.top; y < r.bottom; ++y) {
        const std::uint8_t* src = view.ImageRow(y - frame.top);
        std::uint8_t* bits = bitmask.Row(y);
        for (int x = r.left; x < r.right; ++x) {
            if (!transparent || src[x - frame.left] != t) {
                bits[x >> 3] |= static_cast<std::uint8_t>(0x80u >> (x & 7));
            }
        }
    }
}

std::vector<std::uint8_t> GifImage::FrameIndices(int index) const {
    const GifFrame* f = Frame(index);
    if (!f) {
        return {};
    }
    BitmapView view(const_cast<std::uint8_t*>(f->bitmap.data()));
    std::vector<std::uint8_t> out(static_cast<std::size_t>(view.Width()) * view.Height());
    for (int y = 0; y < view.Height(); ++y) {
        std::copy_n(view.ImageRow(y), view.Width(),
                    out.begin() + static_cast<std::ptrdiff_t>(y) * view.Width());
    }
    return out;
}

}  // namespace plimova
