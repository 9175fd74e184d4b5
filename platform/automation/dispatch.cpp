#include "automation/dispatch.h"

#include <new>
#include <stdexcept>

#include "base/ascii.h"

namespace vantry::automation {

bool NameEquals(std::string_view a, std::string_view b) {
    return vantry::EqualsIgnoreAsciiCase(a, b);
}

namespace detail {

void ThrowWrongArgumentCount() {
    throw AutomationError(errors::kWrongArgumentCount);
}
void ThrowMemberNotFound() {
    throw AutomationError(errors::kMemberNotFound);
}
void ThrowSetNotSupported() {
    throw AutomationError(errors::kSetNotSupported);
}
void ThrowGetNotSupported() {
    throw AutomationError(errors::kGetNotSupported);
}

void ThrowForeignException() {
    try {
        throw;
    } catch (const std::bad_alloc&) {
        throw AutomationError(errors::kOutOfMemory);
    } catch (const std::exception& e) {
        throw AutomationError(
            errors::kInternalError,
            std::string(StandardDescription(errors::kInternalError)) + ": " + e.what());
    } catch (...) {
        throw AutomationError(errors::kInternalError);
    }
}

}  // namespace detail

Variant GetProperty(IDispatchable& obj, DispId id, std::vector<Variant> index) {
    return obj.Invoke(id, InvokeKind::PropertyGet, index);
}

void PutProperty(IDispatchable& obj, DispId id, Variant value, std::vector<Variant> index) {
    index.push_back(std::move(value));
    obj.Invoke(id, InvokeKind::PropertyPut, index);
}

Variant CallMethod(IDispatchable& obj, DispId id, std::vector<Variant> args) {
    return obj.Invoke(id, InvokeKind::Method, args);
}

DispId IdOfName(const IDispatchable& obj, std::string_view name) {
    if (auto id = obj.GetIdOfName(name)) {
        return *id;
    }
    detail::ThrowMemberNotFound();
}

Variant GetProperty(IDispatchable& obj, std::string_view name, std::vector<Variant> index) {
    return GetProperty(obj, IdOfName(obj, name), std::move(index));
}

void PutProperty(IDispatchable& obj, std::string_view name, Variant value,
                 std::vector<Variant> index) {
    PutProperty(obj, IdOfName(obj, name), std::move(value), std::move(index));
}

Variant CallMethod(IDispatchable& obj, std::string_view name, std::vector<Variant> args) {
    return CallMethod(obj, IdOfName(obj, name), std::move(args));
}

}  // namespace vantry::automation
