#pragma once
// Base of every object that crosses a component boundary, and the cast a
// caller uses in place of QueryInterface.
//
//   ObjectPtr obj = CreateObject("Some.ProgID");
//   if (auto disp = QueryInterface<IDispatchable>(obj)) disp->Invoke(...);
//
// Interfaces derive virtually from Object, so one object can offer several
// (dispatch, events, persistence, control) and be cast between them.

#include <memory>

namespace vantry::automation {

class Object {
public:
    virtual ~Object() = default;
};

using ObjectPtr = std::shared_ptr<Object>;

// The interface I of obj, or null when obj does not offer it.
template <class I>
std::shared_ptr<I> QueryInterface(const std::shared_ptr<Object>& obj) {
    return std::dynamic_pointer_cast<I>(obj);
}

}  // namespace vantry::automation
