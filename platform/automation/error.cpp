#include "automation/error.h"

#include <utility>

namespace vantry::automation {

std::string StandardDescription(int32_t number) {
    switch (number) {
        case errors::kInvalidCall:
            return "Invalid procedure call or argument";
        case errors::kOverflow:
            return "Overflow";
        case errors::kOutOfMemory:
            return "Out of memory";
        case errors::kTypeMismatch:
            return "Type mismatch";
        case errors::kInternalError:
            return "Internal error";
        case errors::kBadPropertyValue:
            return "Invalid property value";
        case errors::kSetNotSupported:
            return "Property is read-only";
        case errors::kGetNotSupported:
            return "Property is write-only";
        case errors::kObjectRequired:
            return "Object required";
        case errors::kCannotCreateObject:
            return "Cannot create object";
        case errors::kMemberNotFound:
            return "Object doesn't support this property or method";
        case errors::kArgumentNotOptional:
            return "Argument not optional";
        case errors::kWrongArgumentCount:
            return "Wrong number of arguments or invalid property assignment";
        default:
            return "Automation error";
    }
}

AutomationError::AutomationError(int32_t number)
    : AutomationError(number, StandardDescription(number)) {}

AutomationError::AutomationError(int32_t number, std::string description)
    : std::runtime_error(description), number_(number), description_(std::move(description)) {}

}  // namespace vantry::automation
