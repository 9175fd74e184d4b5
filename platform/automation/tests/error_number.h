#pragma once
// The automation error number a call raises, for tests that check which one.

#include <cstdint>
#include <functional>

#include "automation/error.h"

namespace vantry::automation {

// The number of the AutomationError `f` throws; 0 when it throws none.
inline int32_t ErrorNumberOf(const std::function<void()>& f) {
    try {
        f();
    } catch (const AutomationError& e) {
        return e.Number();
    }
    return 0;
}

}  // namespace vantry::automation
