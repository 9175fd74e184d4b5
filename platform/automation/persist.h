#pragma once
// Persistence: a byte stream with little-endian primitives, a property bag
// (name -> Variant), and the two faces a control offers to be saved and
// loaded through them.
//
//   ByteStream s;
//   s.WriteUInt32(0x200); s.WriteInt32(cx); s.WriteTaggedValue(Variant(true));
//   s.WriteBstr(u"text");
//   s.Seek(0);
//   uint32_t version; if (!s.ReadUInt32(version)) { ... short stream ... }
//
//   PropertyBag bag;
//   bag.Write("BackColor", OleColor{12632256});
//   Variant v; if (bag.Read("backcolor", v)) { ... }   // names ignore case
//
// Every Read* returns false (and leaves the position where it was) when the
// stream is too short or the data cannot be valid, so a reader of outside
// bytes never reads past the end or allocates more than the stream holds.

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "automation/guid.h"
#include "automation/object.h"
#include "automation/variant.h"

namespace vantry::automation {

// Automation type tags as they appear in a tagged value.
namespace vt {
constexpr uint16_t kEmpty = 0;
constexpr uint16_t kI2 = 2;
constexpr uint16_t kI4 = 3;
constexpr uint16_t kBstr = 8;
constexpr uint16_t kDispatch = 9;
constexpr uint16_t kBool = 11;
constexpr uint16_t kUnknown = 13;
constexpr uint16_t kUI4 = 19;
}  // namespace vt

// A growable in-memory stream with a position.
class ByteStream {
public:
    ByteStream() = default;
    explicit ByteStream(std::vector<std::byte> bytes) : data_(std::move(bytes)) {}
    static ByteStream FromString(std::string_view bytes);

    const std::vector<std::byte>& Data() const { return data_; }
    std::string ToString() const;  // the whole content as bytes
    size_t Size() const { return data_.size(); }
    size_t Position() const { return pos_; }
    size_t Remaining() const { return data_.size() - pos_; }
    // False (position unchanged) beyond the end.
    bool Seek(size_t position);

    // Raw bytes: Write overwrites from the position and grows the stream.
    void Write(std::span<const std::byte> bytes);
    void Write(std::string_view bytes);
    // All n bytes or nothing.
    bool Read(std::span<std::byte> out);
    bool ReadBytes(size_t n, std::string& out);

    void WriteInt16(int16_t v);
    void WriteUInt16(uint16_t v);
    void WriteInt32(int32_t v);
    void WriteUInt32(uint32_t v);
    bool ReadInt16(int16_t& v);
    bool ReadUInt16(uint16_t& v);
    bool ReadInt32(int32_t& v);
    bool ReadUInt32(uint32_t& v);

    // Automation string: 32-bit byte count including a 16-bit terminator,
    // then the UTF-16LE text and the terminator. WriteNullBstr writes the
    // count 0 of an absent string, which reads back as empty.
    void WriteBstr(std::u16string_view text);
    void WriteNullBstr();
    // False for an odd count, a count past the end, or a missing terminator.
    bool ReadBstr(std::u16string& out);

    // Tagged value: 16-bit type tag (vt::), then the value: 16 bits for
    // Bool (True = 0xFFFF) and Int16, 32 bits for Int32 and Color (tag
    // kUI4), a Bstr for String; Empty has the tag alone. Objects cannot be
    // written this way (returns false, writes nothing).
    bool WriteTaggedValue(const Variant& value);
    // Also accepts kI4 / kUI4 into Int32 / Color as tagged; false for
    // unknown tags or short data.
    bool ReadTaggedValue(Variant& out);

    // Archive string: byte count as 1 byte (< 0xFF), else 0xFF + 16 bits
    // (< 0xFFFF), else 0xFF 0xFFFF + 32 bits; then the bytes.
    void WriteArchiveString(std::string_view bytes);
    bool ReadArchiveString(std::string& out);

private:
    // An integer of N's width, little-endian, at the position.
    template <class N>
    void WriteNumber(N v);
    template <class N>
    bool ReadNumber(N& v);

    std::vector<std::byte> data_;
    size_t pos_ = 0;
};

// Saved and loaded through a stream (also the objects kept in a bag).
class IPersistStreamInit : public virtual Object {
public:
    virtual Clsid GetClassId() const = 0;
    virtual bool IsDirty() const = 0;
    virtual bool InitNew() = 0;
    virtual bool Load(ByteStream& stream) = 0;
    virtual bool Save(ByteStream& stream, bool clearDirty) = 0;
    // Upper bound of the bytes Save writes.
    virtual uint64_t GetSizeMax() const = 0;
};

// Where a control saves properties by name.
class IPropertyBag {
public:
    virtual ~IPropertyBag() = default;
    // False when name is not there. When `out` holds an object that can be
    // loaded from a stream and the bag keeps a saved object under name, the
    // bag loads that object (false if its Load fails).
    virtual bool Read(std::string_view name, Variant& out) = 0;
    virtual bool Write(std::string_view name, const Variant& value) = 0;
};

// Saved and loaded through a property bag.
class IPersistPropertyBag : public virtual Object {
public:
    virtual Clsid GetClassId() const = 0;
    virtual bool InitNew() = 0;
    virtual bool Load(IPropertyBag& bag) = 0;
    virtual bool Save(IPropertyBag& bag, bool clearDirty, bool saveAll) = 0;
};

// An object saved into a bag: its class and the bytes its Save wrote. A
// bag hands one of these back when the reader passes no object to load.
class SavedObject : public IPersistStreamInit {
public:
    SavedObject(Clsid clsid, std::string bytes) : clsid_(clsid), bytes_(std::move(bytes)) {}
    const std::string& Bytes() const { return bytes_; }

    Clsid GetClassId() const override { return clsid_; }
    bool IsDirty() const override { return false; }
    bool InitNew() override;
    bool Load(ByteStream& stream) override;  // takes the rest of the stream
    bool Save(ByteStream& stream, bool clearDirty) override;
    uint64_t GetSizeMax() const override { return bytes_.size(); }

private:
    Clsid clsid_;
    std::string bytes_;
};

// In-memory property bag. Names keep their first spelling and match
// ignoring case. Objects that can be saved to a stream are saved when
// written (as a SavedObject), so later changes to them do not show.
class PropertyBag : public IPropertyBag {
public:
    bool Read(std::string_view name, Variant& out) override;
    bool Write(std::string_view name, const Variant& value) override;

    bool Contains(std::string_view name) const;
    std::vector<std::string> Names() const;  // in writing order
    void Clear() { entries_.clear(); }

private:
    struct Entry {
        std::string name;
        Variant value;
    };
    Entry* Find(std::string_view name);
    std::vector<Entry> entries_;
};

}  // namespace vantry::automation
