#include "automation/persist.h"

#include <algorithm>
#include <cstring>
#include <optional>
#include <type_traits>

#include "automation/dispatch.h"
#include "base/little_endian.h"

namespace vantry::automation {

ByteStream ByteStream::FromString(std::string_view bytes) {
    ByteStream s;
    s.Write(bytes);
    s.pos_ = 0;
    return s;
}

std::string ByteStream::ToString() const {
    return std::string(reinterpret_cast<const char*>(data_.data()), data_.size());
}

bool ByteStream::Seek(size_t position) {
    if (position > data_.size()) {
        return false;
    }
    pos_ = position;
    return true;
}

void ByteStream::Write(std::span<const std::byte> bytes) {
    if (bytes.empty()) {
        return;
    }
    const size_t end = pos_ + bytes.size();
    if (end > data_.size()) {
        data_.resize(end);
    }
    std::memcpy(data_.data() + pos_, bytes.data(), bytes.size());
    pos_ = end;
}

void ByteStream::Write(std::string_view bytes) {
    Write(std::as_bytes(std::span<const char>(bytes.data(), bytes.size())));
}

bool ByteStream::Read(std::span<std::byte> out) {
    if (out.size() > Remaining()) {
        return false;
    }
    if (!out.empty()) {
        std::memcpy(out.data(), data_.data() + pos_, out.size());
    }
    pos_ += out.size();
    return true;
}

bool ByteStream::ReadBytes(size_t n, std::string& out) {
    if (n > Remaining()) {
        return false;
    }
    out.assign(reinterpret_cast<const char*>(data_.data() + pos_), n);
    pos_ += n;
    return true;
}

template <class N>
void ByteStream::WriteNumber(N v) {
    std::uint8_t bytes[sizeof(N)];
    WriteLittleEndian(bytes, 0, sizeof(N), static_cast<std::make_unsigned_t<N>>(v));
    Write(std::as_bytes(std::span<const std::uint8_t>(bytes)));
}

template <class N>
bool ByteStream::ReadNumber(N& v) {
    const std::string_view all(reinterpret_cast<const char*>(data_.data()), data_.size());
    const std::optional<std::uint64_t> value = ReadLittleEndian(all, pos_, sizeof(N));
    if (!value) {
        return false;
    }
    v = static_cast<N>(*value);
    pos_ += sizeof(N);
    return true;
}

void ByteStream::WriteUInt16(uint16_t v) {
    WriteNumber(v);
}

void ByteStream::WriteInt16(int16_t v) {
    WriteNumber(v);
}

void ByteStream::WriteUInt32(uint32_t v) {
    WriteNumber(v);
}

void ByteStream::WriteInt32(int32_t v) {
    WriteNumber(v);
}

bool ByteStream::ReadUInt16(uint16_t& v) {
    return ReadNumber(v);
}

bool ByteStream::ReadInt16(int16_t& v) {
    return ReadNumber(v);
}

bool ByteStream::ReadUInt32(uint32_t& v) {
    return ReadNumber(v);
}

bool ByteStream::ReadInt32(int32_t& v) {
    return ReadNumber(v);
}

void ByteStream::WriteBstr(std::u16string_view text) {
    WriteUInt32(static_cast<uint32_t>((text.size() + 1) * 2));
    std::string bytes;
    bytes.reserve((text.size() + 1) * 2);
    for (char16_t u : text) {
        bytes.push_back(static_cast<char>(u & 0xFF));
        bytes.push_back(static_cast<char>(u >> 8));
    }
    bytes.append(2, '\0');
    Write(bytes);
}

void ByteStream::WriteNullBstr() {
    WriteUInt32(0);
}

bool ByteStream::ReadBstr(std::u16string& out) {
    const size_t start = pos_;
    uint32_t count;
    if (!ReadUInt32(count)) {
        return false;
    }
    if (count == 0) {
        out.clear();
        return true;
    }
    // The count is checked against what is there before anything is allocated.
    if (count % 2 != 0 || count > Remaining()) {
        pos_ = start;
        return false;
    }
    const std::byte* p = data_.data() + pos_;
    const size_t units = count / 2 - 1;
    if (p[count - 2] != std::byte{0} || p[count - 1] != std::byte{0}) {
        pos_ = start;
        return false;
    }
    std::u16string text(units, u'\0');
    for (size_t i = 0; i < units; ++i) {
        text[i] = static_cast<char16_t>(std::to_integer<unsigned>(p[2 * i]) |
                                        (std::to_integer<unsigned>(p[2 * i + 1]) << 8));
    }
    pos_ += count;
    out = std::move(text);
    return true;
}

bool ByteStream::WriteTaggedValue(const Variant& value) {
    switch (value.Type()) {
        case VariantType::Empty:
            WriteUInt16(vt::kEmpty);
            return true;
        case VariantType::Bool:
            WriteUInt16(vt::kBool);
            WriteUInt16(*value.IfBool() ? 0xFFFF : 0);
            return true;
        case VariantType::Int16:
            WriteUInt16(vt::kI2);
            WriteInt16(*value.IfInt16());
            return true;
        case VariantType::Int32:
            WriteUInt16(vt::kI4);
            WriteInt32(*value.IfInt32());
            return true;
        case VariantType::Color:
            WriteUInt16(vt::kUI4);
            WriteUInt32(value.IfColor()->value);
            return true;
        case VariantType::String:
            WriteUInt16(vt::kBstr);
            WriteBstr(*value.IfString());
            return true;
        case VariantType::Object:
            return false;
    }
    return false;
}

bool ByteStream::ReadTaggedValue(Variant& out) {
    const size_t start = pos_;
    uint16_t tag;
    if (!ReadUInt16(tag)) {
        return false;
    }
    bool ok = false;
    Variant v;
    switch (tag) {
        case vt::kEmpty:
            ok = true;
            break;
        case vt::kBool: {
            uint16_t b;
            ok = ReadUInt16(b);
            v = Variant(b != 0);
            break;
        }
        case vt::kI2: {
            int16_t n;
            ok = ReadInt16(n);
            v = Variant(n);
            break;
        }
        case vt::kI4: {
            int32_t n;
            ok = ReadInt32(n);
            v = Variant(n);
            break;
        }
        case vt::kUI4: {
            uint32_t n;
            ok = ReadUInt32(n);
            v = Variant(OleColor{n});
            break;
        }
        case vt::kBstr: {
            std::u16string s;
            ok = ReadBstr(s);
            v = Variant(std::move(s));
            break;
        }
        default:
            break;
    }
    if (!ok) {
        pos_ = start;
        return false;
    }
    out = std::move(v);
    return true;
}

void ByteStream::WriteArchiveString(std::string_view bytes) {
    const size_t n = bytes.size();
    if (n < 0xFF) {
        Write(std::string(1, static_cast<char>(n)));
    } else if (n < 0xFFFF) {
        Write(std::string(1, '\xFF'));
        WriteUInt16(static_cast<uint16_t>(n));
    } else {
        Write(std::string(1, '\xFF'));
        WriteUInt16(0xFFFF);
        WriteUInt32(static_cast<uint32_t>(n));
    }
    Write(bytes);
}

bool ByteStream::ReadArchiveString(std::string& out) {
    const size_t start = pos_;
    // The length: one byte, or 0xFF and 16 bits, or 0xFFFF there and 32 bits.
    uint8_t n8 = 0;
    uint16_t n16 = 0;
    uint32_t n32 = 0;
    const bool counted =
        ReadNumber(n8) && (n8 != 0xFF || (ReadNumber(n16) && (n16 != 0xFFFF || ReadNumber(n32))));
    const size_t n = n8 != 0xFF ? n8 : n16 != 0xFFFF ? n16 : n32;
    if (!counted || !ReadBytes(n, out)) {
        pos_ = start;
        return false;
    }
    return true;
}

bool SavedObject::InitNew() {
    bytes_.clear();
    return true;
}

bool SavedObject::Load(ByteStream& stream) {
    return stream.ReadBytes(stream.Remaining(), bytes_);
}

bool SavedObject::Save(ByteStream& stream, bool /*clearDirty*/) {
    stream.Write(bytes_);
    return true;
}

PropertyBag::Entry* PropertyBag::Find(std::string_view name) {
    auto it = std::find_if(entries_.begin(), entries_.end(),
                           [name](const Entry& e) { return NameEquals(e.name, name); });
    return it == entries_.end() ? nullptr : &*it;
}

bool PropertyBag::Contains(std::string_view name) const {
    return std::any_of(entries_.begin(), entries_.end(),
                       [name](const Entry& e) { return NameEquals(e.name, name); });
}

std::vector<std::string> PropertyBag::Names() const {
    std::vector<std::string> names;
    names.reserve(entries_.size());
    for (const Entry& e : entries_) {
        names.push_back(e.name);
    }
    return names;
}

bool PropertyBag::Write(std::string_view name, const Variant& value) {
    Variant stored = value;
    if (const ObjectPtr* obj = value.IfObject(); obj != nullptr && *obj) {
        // Keep what the object is now, not a live reference to it.
        auto persist = QueryInterface<IPersistStreamInit>(*obj);
        if (!persist) {
            return false;
        }
        ByteStream s;
        if (!persist->Save(s, false)) {
            return false;
        }
        stored = Variant(std::make_shared<SavedObject>(persist->GetClassId(), s.ToString()));
    }
    if (Entry* e = Find(name)) {
        e->value = std::move(stored);
    } else {
        entries_.push_back(Entry{std::string(name), std::move(stored)});
    }
    return true;
}

bool PropertyBag::Read(std::string_view name, Variant& out) {
    Entry* e = Find(name);
    if (e == nullptr) {
        return false;
    }
    const ObjectPtr* saved = e->value.IfObject();
    const ObjectPtr* target = out.IfObject();
    if (saved != nullptr && *saved && target != nullptr && *target) {
        auto from = std::dynamic_pointer_cast<SavedObject>(*saved);
        auto into = QueryInterface<IPersistStreamInit>(*target);
        if (!from || !into) {
            return false;
        }
        ByteStream s = ByteStream::FromString(from->Bytes());
        return into->Load(s);
    }
    out = e->value;
    return true;
}

}  // namespace vantry::automation
