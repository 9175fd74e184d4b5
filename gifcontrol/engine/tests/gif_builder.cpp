#include "engine/tests/gif_builder.h"

#include <map>
#include <utility>

namespace plimova::test {

void CodeWriter::Put(unsigned code, int width) {
    acc_ |= code << bits_;
    bits_ += width;
    while (bits_ >= 8) {
        out_.push_back(static_cast<std::uint8_t>(acc_));
        acc_ >>= 8;
        bits_ -= 8;
    }
}

Bytes CodeWriter::Finish() {
    if (bits_ > 0) {
        out_.push_back(static_cast<std::uint8_t>(acc_));
    }
    acc_ = 0;
    bits_ = 0;
    return std::move(out_);
}

ImageSpec Solid(int left, int top, int w, int h, std::uint8_t index) {
    ImageSpec s;
    s.left = left;
    s.top = top;
    s.width = w;
    s.height = h;
    s.indices.assign(static_cast<std::size_t>(w) * h, index);
    return s;
}

Bytes LzwEncode(std::span<const std::uint8_t> indices, int minCodeSize) {
    const unsigned clear = 1u << minCodeSize;
    CodeWriter w;
    int width = minCodeSize + 1;
    unsigned next = clear + 2;
    std::map<std::pair<unsigned, std::uint8_t>, unsigned> table;
    w.Put(clear, width);
    if (indices.empty()) {
        w.Put(clear + 1, width);
        return w.Finish();
    }
    unsigned prefix = indices[0];
    for (std::size_t i = 1; i < indices.size(); ++i) {
        const std::uint8_t c = indices[i];
        auto it = table.find({prefix, c});
        if (it != table.end()) {
            prefix = it->second;
            continue;
        }
        w.Put(prefix, width);
        if (next < 4096) {
            table[{prefix, c}] = next++;
            if (next > (1u << width) && width < 12) {
                ++width;
            }
        } else {
            w.Put(clear, width);
            table.clear();
            width = minCodeSize + 1;
            next = clear + 2;
        }
        prefix = c;
    }
    w.Put(prefix, width);
    w.Put(clear + 1, width);
    return w.Finish();
}

Bytes SubBlocks(std::span<const std::uint8_t> data) {
    Bytes out;
    std::size_t i = 0;
    while (i < data.size()) {
        const std::size_t n = std::min<std::size_t>(255, data.size() - i);
        out.push_back(static_cast<std::uint8_t>(n));
        out.insert(out.end(), data.begin() + i, data.begin() + i + n);
        i += n;
    }
    out.push_back(0);
    return out;
}

namespace {
void Le16(Bytes& b, int v) {
    b.push_back(static_cast<std::uint8_t>(v));
    b.push_back(static_cast<std::uint8_t>(v >> 8));
}
void Table(Bytes& b, int bits) {
    for (int i = 0; i < (1 << bits); ++i) {
        b.push_back(static_cast<std::uint8_t>(i * 7));
        b.push_back(static_cast<std::uint8_t>(i * 13));
        b.push_back(static_cast<std::uint8_t>(255 - i));
    }
}
}  // namespace

GifBuilder::GifBuilder(int width, int height, int globalTableBits, std::string version) {
    data_.assign(version.begin(), version.end());
    Le16(data_, width);
    Le16(data_, height);
    data_.push_back(globalTableBits > 0 ? static_cast<std::uint8_t>(0x80 | (globalTableBits - 1))
                                        : 0);
    data_.push_back(0);
    data_.push_back(0);
    if (globalTableBits > 0) {
        Table(data_, globalTableBits);
    }
}

GifBuilder& GifBuilder::Control(int disposal, int delay, int transparent) {
    const std::uint8_t packed =
        static_cast<std::uint8_t>((disposal << 2) | (transparent >= 0 ? 1 : 0));
    const std::uint8_t d[4] = {packed, static_cast<std::uint8_t>(delay),
                               static_cast<std::uint8_t>(delay >> 8),
                               static_cast<std::uint8_t>(transparent >= 0 ? transparent : 0)};
    return RawControl(d);
}

GifBuilder& GifBuilder::RawControl(std::span<const std::uint8_t> data) {
    data_.push_back(0x21);
    data_.push_back(0xF9);
    const Bytes blocks = SubBlocks(data);
    data_.insert(data_.end(), blocks.begin(), blocks.end());
    return *this;
}

GifBuilder& GifBuilder::Comment(const std::string& text) {
    data_.push_back(0x21);
    data_.push_back(0xFE);
    const Bytes blocks = SubBlocks(Bytes(text.begin(), text.end()));
    data_.insert(data_.end(), blocks.begin(), blocks.end());
    return *this;
}

GifBuilder& GifBuilder::Image(const ImageSpec& s) {
    data_.push_back(0x2C);
    Le16(data_, s.left);
    Le16(data_, s.top);
    Le16(data_, s.width);
    Le16(data_, s.height);
    std::uint8_t packed = s.interlaced ? 0x40 : 0;
    if (s.localTableBits > 0) {
        packed |= static_cast<std::uint8_t>(0x80 | (s.localTableBits - 1));
    }
    data_.push_back(packed);
    if (s.localTableBits > 0) {
        Table(data_, s.localTableBits);
    }
    data_.push_back(static_cast<std::uint8_t>(s.minCodeSize));
    Bytes codes = s.rawCodes;
    if (codes.empty()) {
        Bytes indices = s.indices;
        if (indices.empty()) {
            indices.assign(static_cast<std::size_t>(s.width) * s.height, 0);
        }
        codes = LzwEncode(indices, s.minCodeSize);
    }
    const Bytes blocks = SubBlocks(codes);
    data_.insert(data_.end(), blocks.begin(), blocks.end());
    return *this;
}

GifBuilder& GifBuilder::Raw(std::span<const std::uint8_t> bytes) {
    data_.insert(data_.end(), bytes.begin(), bytes.end());
    return *this;
}

GifBuilder& GifBuilder::Trailer() {
    data_.push_back(0x3B);
    return *this;
}

}  // namespace plimova::test
