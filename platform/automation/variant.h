#pragma once
// Variant: the value that crosses a dispatch boundary (arguments, results,
// event arguments, property-bag values).
//
//   Variant v = int16_t{3};           // Int16
//   Variant s = u"text";              // String (UTF-16, like an automation string)
//   Variant c = OleColor{0x00C0C0C0}; // Color
//   int16_t n = v.ToInt16();          // coerces; throws AutomationError 13 / 6
//   Variant w = ChangeType(s, VariantType::Int32);
//
// Strings are UTF-16 (std::u16string) so that any 16-bit unit survives,
// including zeros and the one-unit-per-byte strings that carry binary data
// (WidenBytes / NarrowBytes). Utf8 / FromUtf8 convert for text.
//
// Coercions follow what an automation host does:
//   Empty       -> false, 0, "", colour 0; never an object
//   Bool        -> numbers as -1 (True) / 0; strings "True" / "False"
//   numbers     -> each other with range check (AutomationError 6 Overflow);
//                  Int32 <-> Color keeps the 32 bits (system colours are
//                  negative as Int32); nonzero -> True
//   String      -> numbers: optional blanks and sign, decimal digits with an
//                  optional fraction (rounded half to even), or &H / &O forms;
//                  anything else is AutomationError 13 Type mismatch.
//                  To Bool: "True"/"False" ignoring case, or a number.
//   Object      -> only Object (a null object is "Nothing")
//   anything    -> Empty gives Empty

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <type_traits>
#include <variant>

#include "automation/error.h"
#include "automation/object.h"

namespace vantry::automation {

// A dispatch identifier.
using DispId = int32_t;

// OLE colour: 0x00BBGGRR, or 0x800000nn for system colour nn.
struct OleColor {
    uint32_t value = 0;
    bool operator==(const OleColor&) const = default;
};

// Order matches the alternatives held inside Variant.
enum class VariantType { Empty, Bool, Int16, Int32, Color, String, Object };

// "Empty", "Boolean", "Integer", "Long", "OLE_COLOR", "String", "Object".
std::string_view TypeName(VariantType type);

class Variant {
public:
    Variant() = default;
    Variant(bool value) : value_(value) {}
    Variant(int16_t value) : value_(value) {}
    Variant(int32_t value) : value_(value) {}
    Variant(OleColor value) : value_(value) {}
    Variant(std::u16string value) : value_(std::move(value)) {}
    Variant(std::u16string_view value) : value_(std::u16string(value)) {}
    Variant(const char16_t* value) : value_(std::u16string(value)) {}
    // UTF-8 text; a plain string literal would otherwise become a bool.
    Variant(const char* utf8);
    Variant(ObjectPtr value) : value_(std::move(value)) {}
    template <class T, class = std::enable_if_t<std::is_base_of_v<Object, T>>>
    Variant(std::shared_ptr<T> value) : value_(ObjectPtr(std::move(value))) {}

    static Variant FromUtf8(std::string_view utf8);
    // An object value holding no object ("Nothing").
    static Variant Nothing() { return Variant(ObjectPtr()); }

    VariantType Type() const { return static_cast<VariantType>(value_.index()); }
    bool IsEmpty() const { return Type() == VariantType::Empty; }

    // Coercing reads; throw AutomationError (13 Type mismatch, 6 Overflow).
    bool ToBool() const;
    int16_t ToInt16() const;
    int32_t ToInt32() const;
    OleColor ToColor() const;
    std::u16string ToString() const;
    std::string ToUtf8() const;  // ToString() as UTF-8
    ObjectPtr ToObject() const;  // only from Object; anything else is 13

    // Exact reads without coercion: null when the type differs.
    const bool* IfBool() const { return std::get_if<bool>(&value_); }
    const int16_t* IfInt16() const { return std::get_if<int16_t>(&value_); }
    const int32_t* IfInt32() const { return std::get_if<int32_t>(&value_); }
    const OleColor* IfColor() const { return std::get_if<OleColor>(&value_); }
    const std::u16string* IfString() const { return std::get_if<std::u16string>(&value_); }
    const ObjectPtr* IfObject() const { return std::get_if<ObjectPtr>(&value_); }

    // Same type and value (objects: same pointer).
    bool operator==(const Variant& other) const { return value_ == other.value_; }

private:
    std::variant<std::monostate, bool, int16_t, int32_t, OleColor, std::u16string, ObjectPtr>
        value_;
};

// The value coerced to type; AutomationError 13 or 6 when it cannot be.
Variant ChangeType(const Variant& value, VariantType type);

// Text conversions. Invalid sequences become U+FFFD.
std::u16string FromUtf8(std::string_view utf8);
std::string Utf8(std::u16string_view utf16);

// One 16-bit unit per byte and back (units above 0xFF narrow to '?'):
// binary data carried in a string.
std::u16string WidenBytes(std::string_view bytes);
std::string NarrowBytes(std::u16string_view units);

}  // namespace vantry::automation
