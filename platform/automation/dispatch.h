#pragma once
// Late-bound calls by dispatch identifier, and the table a control uses to
// answer them from typed members.
//
// A control declares its members once:
//
// clang-format off
//   const DispatchTable<MyCtrl>& MyCtrl::Table() {
//       static const auto table = DispatchTable<MyCtrl>()
//           .Property("Frame", 1, &MyCtrl::Frame, &MyCtrl::SetFrame)  // int16_t / void(int16_t)
//           .Property("Frames", 2, &MyCtrl::Frames)                   // read-only
//           .Property("Playing", 3, &MyCtrl::Playing, &MyCtrl::SetPlaying).Flags(kHidden)
//           .Property("FrameWidth", 15, &MyCtrl::FrameWidth)          // int16_t(int16_t): argument
//           .Method("Play", 10, &MyCtrl::Play)                        // void()
//           .Method("ReadGIF", 12, &MyCtrl::ReadGIF);  // bool(const std::u16string&)
//       return table;
//   }
// clang-format on
//
// and answers the dispatch calls from it by deriving from TableDispatch<MyCtrl>.
//
// Typed members may use bool, int16_t, int32_t, OleColor, std::u16string,
// std::string (UTF-8), ObjectPtr, Variant and enums (carried as int32_t),
// by value or const reference. Arguments are converted with ChangeType, so a
// host passing Int32 where Int16 is expected works when the value fits.
// Members may throw AutomationError; nothing else should escape.
//
// Invoke rules and errors:
//   unknown DISPID, or PropertyPut on a method       -> 438
//   PropertyPut on a property without setter         -> 383
//   PropertyGet on a property without getter         -> 394
//   wrong argument count                             -> 450
//   argument not convertible                         -> 13 (6 when out of range)
//   a member throwing anything but AutomationError   -> 7 (bad_alloc) or 51
//   Method on a property reads it, PropertyGet on a method calls it (hosts
//   send both flags for "x = obj.Name").
// Arguments come in natural order (first argument first); for PropertyPut
// the new value is the last element, after any index arguments.

#include <algorithm>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <tuple>
#include <type_traits>
#include <utility>
#include <vector>

#include "automation/error.h"
#include "automation/object.h"
#include "automation/variant.h"

namespace vantry::automation {

// Standard dispatch identifiers.
namespace dispid {
constexpr DispId kUnknown = -1;
constexpr DispId kValue = 0;
constexpr DispId kPropertyPut = -3;
constexpr DispId kBackColor = -501;
constexpr DispId kHwnd = -515;
constexpr DispId kAboutBox = -552;
constexpr DispId kClick = -600;
constexpr DispId kDblClick = -601;
constexpr DispId kKeyDown = -602;
constexpr DispId kKeyPress = -603;
constexpr DispId kKeyUp = -604;
constexpr DispId kMouseDown = -605;
constexpr DispId kMouseMove = -606;
constexpr DispId kMouseUp = -607;
constexpr DispId kAmbientBackColor = -701;
constexpr DispId kAmbientUserMode = -709;
}  // namespace dispid

enum class InvokeKind { PropertyGet, PropertyPut, Method };

// Member flags as a type library would show them.
enum MemberFlag : uint32_t {
    kHidden = 1,
    kBindable = 2,
    kRequestEdit = 4,
    kDisplayBind = 8,
    kDefaultBind = 16,
};

// One member as a host browsing the object sees it.
struct MemberInfo {
    std::string name{};
    DispId id = dispid::kUnknown;
    bool isMethod = false;
    bool readable = false;                  // properties: has a getter
    bool writable = false;                  // properties: has a setter
    VariantType type = VariantType::Empty;  // property or result type (Empty: none/any)
    std::vector<VariantType> argTypes{};    // index arguments / method parameters
    uint32_t flags = 0;                     // MemberFlag bits
    std::string description{};              // one line for a host's object browser
};

// The dispatch face of an object.
class IDispatchable : public virtual Object {
public:
    // Name -> DISPID, ignoring case; nullopt when unknown.
    virtual std::optional<DispId> GetIdOfName(std::string_view name) const = 0;
    // Throws AutomationError.
    virtual Variant Invoke(DispId id, InvokeKind kind, std::vector<Variant>& args) = 0;
    virtual std::vector<MemberInfo> Members() const = 0;
};

// Host-side helpers. By-name forms throw 438 for unknown names.
Variant GetProperty(IDispatchable& obj, DispId id, std::vector<Variant> index = {});
void PutProperty(IDispatchable& obj, DispId id, Variant value, std::vector<Variant> index = {});
Variant CallMethod(IDispatchable& obj, DispId id, std::vector<Variant> args = {});
DispId IdOfName(const IDispatchable& obj, std::string_view name);
Variant GetProperty(IDispatchable& obj, std::string_view name, std::vector<Variant> index = {});
void PutProperty(IDispatchable& obj, std::string_view name, Variant value,
                 std::vector<Variant> index = {});
Variant CallMethod(IDispatchable& obj, std::string_view name, std::vector<Variant> args = {});

// ASCII case-insensitive equality, as names are matched.
bool NameEquals(std::string_view a, std::string_view b);

namespace detail {

template <class A>
using Plain = std::remove_cv_t<std::remove_reference_t<A>>;

template <class A>
constexpr VariantType TypeOf() {
    using P = Plain<A>;
    if constexpr (std::is_same_v<P, bool>) {
        return VariantType::Bool;
    } else if constexpr (std::is_same_v<P, int16_t>) {
        return VariantType::Int16;
    } else if constexpr (std::is_same_v<P, int32_t> || std::is_enum_v<P>) {
        return VariantType::Int32;
    } else if constexpr (std::is_same_v<P, OleColor>) {
        return VariantType::Color;
    } else if constexpr (std::is_same_v<P, std::u16string> || std::is_same_v<P, std::string>) {
        return VariantType::String;
    } else if constexpr (std::is_same_v<P, ObjectPtr>) {
        return VariantType::Object;
    } else {
        static_assert(std::is_same_v<P, Variant> || std::is_void_v<P>,
                      "unsupported type in a dispatch table member");
        return VariantType::Empty;
    }
}

template <class A>
Plain<A> FromVariant(const Variant& v) {
    using P = Plain<A>;
    if constexpr (std::is_same_v<P, bool>) {
        return v.ToBool();
    } else if constexpr (std::is_same_v<P, int16_t>) {
        return v.ToInt16();
    } else if constexpr (std::is_same_v<P, int32_t>) {
        return v.ToInt32();
    } else if constexpr (std::is_enum_v<P>) {
        return static_cast<P>(v.ToInt32());
    } else if constexpr (std::is_same_v<P, OleColor>) {
        return v.ToColor();
    } else if constexpr (std::is_same_v<P, std::u16string>) {
        return v.ToString();
    } else if constexpr (std::is_same_v<P, std::string>) {
        return v.ToUtf8();
    } else if constexpr (std::is_same_v<P, ObjectPtr>) {
        return v.ToObject();
    } else {
        static_assert(std::is_same_v<P, Variant>, "unsupported argument type");
        return v;
    }
}

template <class R>
Variant ToVariant(R&& r) {
    using P = Plain<R>;
    if constexpr (std::is_enum_v<P>) {
        return Variant(static_cast<int32_t>(r));
    } else if constexpr (std::is_same_v<P, std::string>) {
        return Variant::FromUtf8(r);
    } else {
        return Variant(std::forward<R>(r));
    }
}

// Member function pointer traits.
template <class F>
struct Member;
template <class C, class R, class... A>
struct Member<R (C::*)(A...)> {
    using Result = R;
    using Args = std::tuple<A...>;
    static constexpr size_t kArity = sizeof...(A);
};
template <class C, class R, class... A>
struct Member<R (C::*)(A...) const> : Member<R (C::*)(A...)> {};
template <class C, class R, class... A>
struct Member<R (C::*)(A...) noexcept> : Member<R (C::*)(A...)> {};
template <class C, class R, class... A>
struct Member<R (C::*)(A...) const noexcept> : Member<R (C::*)(A...)> {};

template <class T, class F, size_t... I>
Variant CallWith(T& self, F f, const std::vector<Variant>& args, std::index_sequence<I...>) {
    using Args = typename Member<F>::Args;
    using R = typename Member<F>::Result;
    if constexpr (std::is_void_v<R>) {
        (self.*f)(FromVariant<std::tuple_element_t<I, Args>>(args[I])...);
        return Variant();
    } else {
        return ToVariant((self.*f)(FromVariant<std::tuple_element_t<I, Args>>(args[I])...));
    }
}

template <class F, size_t... I>
std::vector<VariantType> ArgTypes(std::index_sequence<I...>) {
    using Args = typename Member<F>::Args;
    return {TypeOf<std::tuple_element_t<I, Args>>()...};
}

[[noreturn]] void ThrowWrongArgumentCount();
[[noreturn]] void ThrowMemberNotFound();
[[noreturn]] void ThrowSetNotSupported();
[[noreturn]] void ThrowGetNotSupported();
// Called inside a catch block: the current exception as an AutomationError.
[[noreturn]] void ThrowForeignException();

// A call of `member` that takes exactly as many arguments as it has parameters.
template <class T, class F>
auto ExactCall(F member) {
    return [member](T& self, std::vector<Variant>& args) {
        constexpr size_t n = Member<F>::kArity;
        if (args.size() != n) {
            ThrowWrongArgumentCount();
        }
        return CallWith(self, member, args, std::make_index_sequence<n>());
    };
}

}  // namespace detail

template <class T>
class DispatchTable {
public:
    // Raw forms for anything the typed forms cannot express. A raw getter
    // gets the index arguments; a raw setter gets them plus the value last.
    using RawCall = std::function<Variant(T&, std::vector<Variant>&)>;

    // Read-only property: R (T::*)(Index...) const.
    template <class G>
    DispatchTable& Property(std::string name, DispId id, G getter) {
        return AddProperty(std::move(name), id, getter, nullptr);
    }
    // Read/write property: getter as above, setter void (T::*)(Index..., V).
    template <class G, class S>
    DispatchTable& Property(std::string name, DispId id, G getter, S setter) {
        return AddProperty(std::move(name), id, getter, setter);
    }
    // Write-only property.
    template <class S>
    DispatchTable& WriteOnly(std::string name, DispId id, S setter) {
        return AddProperty(std::move(name), id, nullptr, setter);
    }
    // Method: R (T::*)(Args...), R may be void.
    template <class M>
    DispatchTable& Method(std::string name, DispId id, M method) {
        Row row;
        row.info.name = std::move(name);
        row.info.id = id;
        row.info.isMethod = true;
        row.info.type = detail::TypeOf<typename detail::Member<M>::Result>();
        constexpr size_t n = detail::Member<M>::kArity;
        row.info.argTypes = detail::ArgTypes<M>(std::make_index_sequence<n>());
        row.call = detail::ExactCall<T>(method);
        rows_.push_back(std::move(row));
        return *this;
    }
    DispatchTable& RawProperty(MemberInfo info, RawCall get, RawCall put) {
        Row row;
        info.isMethod = false;
        info.readable = static_cast<bool>(get);
        info.writable = static_cast<bool>(put);
        row.info = std::move(info);
        row.get = std::move(get);
        row.put = std::move(put);
        rows_.push_back(std::move(row));
        return *this;
    }
    DispatchTable& RawMethod(MemberInfo info, RawCall call) {
        Row row;
        info.isMethod = true;
        row.info = std::move(info);
        row.call = std::move(call);
        rows_.push_back(std::move(row));
        return *this;
    }
    // Sets MemberFlag bits on the row added last.
    DispatchTable& Flags(uint32_t flags) {
        if (!rows_.empty()) {
            rows_.back().info.flags |= flags;
        }
        return *this;
    }
    // Sets the description of the row added last.
    DispatchTable& Describe(std::string text) {
        if (!rows_.empty()) {
            rows_.back().info.description = std::move(text);
        }
        return *this;
    }

    std::optional<DispId> IdOfName(std::string_view name) const {
        for (const Row& row : rows_) {
            if (NameEquals(row.info.name, name)) {
                return row.info.id;
            }
        }
        return std::nullopt;
    }

    // Only AutomationError leaves: anything else a member throws becomes
    // 7 (out of memory) or 51 (internal error) so a host never unwinds
    // through an exception it cannot know.
    Variant Invoke(T& self, DispId id, InvokeKind kind, std::vector<Variant>& args) const {
        const Row* row = Find(id);
        if (row == nullptr) {
            detail::ThrowMemberNotFound();
        }
        const RawCall* call = nullptr;
        if (row->info.isMethod) {
            if (kind == InvokeKind::PropertyPut) {
                detail::ThrowMemberNotFound();
            }
            call = &row->call;
        } else if (kind == InvokeKind::PropertyPut) {
            if (!row->put) {
                detail::ThrowSetNotSupported();
            }
            call = &row->put;
        } else {
            if (!row->get) {
                detail::ThrowGetNotSupported();
            }
            call = &row->get;
        }
        try {
            return (*call)(self, args);
        } catch (const AutomationError&) {
            throw;
        } catch (...) {
            detail::ThrowForeignException();
        }
    }

    std::vector<MemberInfo> Members() const {
        std::vector<MemberInfo> out;
        out.reserve(rows_.size());
        for (const Row& row : rows_) {
            out.push_back(row.info);
        }
        return out;
    }

private:
    struct Row {
        MemberInfo info;
        RawCall get, put, call;
    };

    template <class G, class S>
    DispatchTable& AddProperty(std::string name, DispId id, G getter, S setter) {
        Row row;
        row.info.name = std::move(name);
        row.info.id = id;
        if constexpr (!std::is_null_pointer_v<G>) {
            constexpr size_t n = detail::Member<G>::kArity;
            row.info.readable = true;
            row.info.type = detail::TypeOf<typename detail::Member<G>::Result>();
            row.info.argTypes = detail::ArgTypes<G>(std::make_index_sequence<n>());
            row.get = detail::ExactCall<T>(getter);
        }
        if constexpr (!std::is_null_pointer_v<S>) {
            constexpr size_t n = detail::Member<S>::kArity;
            static_assert(n >= 1, "a setter takes the new value");
            row.info.writable = true;
            if constexpr (std::is_null_pointer_v<G>) {
                using V = std::tuple_element_t<n - 1, typename detail::Member<S>::Args>;
                row.info.type = detail::TypeOf<V>();
                row.info.argTypes = detail::ArgTypes<S>(std::make_index_sequence<n - 1>());
            }
            row.put = detail::ExactCall<T>(setter);
        }
        rows_.push_back(std::move(row));
        return *this;
    }

    const Row* Find(DispId id) const {
        auto it = std::find_if(rows_.begin(), rows_.end(),
                               [id](const Row& r) { return r.info.id == id; });
        return it == rows_.end() ? nullptr : &*it;
    }

    std::vector<Row> rows_;
};

// The dispatch face answered from T's own table: T derives from this in
// place of IDispatchable and has `static const DispatchTable<T>& Table()`
// (a private one with this class as a friend).
template <class T>
class TableDispatch : public IDispatchable {
public:
    std::optional<DispId> GetIdOfName(std::string_view name) const override {
        return T::Table().IdOfName(name);
    }
    Variant Invoke(DispId id, InvokeKind kind, std::vector<Variant>& args) override {
        return T::Table().Invoke(static_cast<T&>(*this), id, kind, args);
    }
    std::vector<MemberInfo> Members() const override { return T::Table().Members(); }
};

}  // namespace vantry::automation
