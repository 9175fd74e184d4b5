#pragma once
// The control's member table: one row per property or method, from which the
// dispatch face and, for a saved property, the stream and bag layouts follow.

#include <cstdint>
#include <utility>
#include <vector>

#include "automation/dispatch.h"
#include "automation/variant.h"

namespace plimova {

class Plimova;

// A property saved with the control, made from the typed getter and setter
// of its row.
struct SavedProperty {
    const char* name;  // also its key in a property bag
    vantry::automation::DispId id;
    vantry::automation::Variant (*read)(const Plimova&);
    // To the property's own type; throws AutomationError when it cannot be.
    vantry::automation::Variant (*convert)(const vantry::automation::Variant&);
    // Takes a value `convert` returned.
    void (*apply)(Plimova&, const vantry::automation::Variant&);
};

struct PlimovaMembers {
    vantry::automation::DispatchTable<Plimova> dispatch;
    std::vector<SavedProperty> saved;  // in the order they are saved
};

// Builds both from one list of rows.
class MemberTableBuilder {
public:
    template <class... A>
    MemberTableBuilder& Property(A&&... args) {
        members_.dispatch.Property(std::forward<A>(args)...);
        return *this;
    }
    template <class... A>
    MemberTableBuilder& Method(A&&... args) {
        members_.dispatch.Method(std::forward<A>(args)...);
        return *this;
    }
    MemberTableBuilder& Flags(std::uint32_t flags) {
        members_.dispatch.Flags(flags);
        return *this;
    }
    // A read/write property saved with the control, `slot`-th in the saved
    // layouts.
    template <auto Get, auto Set>
    MemberTableBuilder& Saved(const char* name, vantry::automation::DispId id, std::size_t slot) {
        namespace detail = vantry::automation::detail;
        using V = detail::Plain<typename detail::Member<decltype(Get)>::Result>;
        using vantry::automation::Variant;
        members_.dispatch.Property(name, id, Get, Set);
        if (members_.saved.size() <= slot) {
            members_.saved.resize(slot + 1);
        }
        members_.saved[slot] = SavedProperty{
            name, id, [](const Plimova& c) { return detail::ToVariant((c.*Get)()); },
            [](const Variant& v) { return Variant(detail::FromVariant<V>(v)); },
            [](Plimova& c, const Variant& v) { (c.*Set)(detail::FromVariant<V>(v)); }};
        return *this;
    }
    PlimovaMembers Build() { return std::move(members_); }

private:
    PlimovaMembers members_;
};

}  // namespace plimova
