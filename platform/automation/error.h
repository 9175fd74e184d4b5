#pragma once
// AutomationError: the only thing a control lets cross its boundary as a
// failure. Number and description as a host shows them; HResult() is the
// facility-control code a COM host would see (0x800A0000 | number).
//
//   throw AutomationError(errors::kBadPropertyValue, "Bad property value.");
//   catch (const AutomationError& e) { e.Number(); e.Description(); e.HResult(); }
//
// AutomationError(number) alone takes the standard text of that number when
// there is one (StandardDescription).

#include <cstdint>
#include <stdexcept>
#include <string>

namespace vantry::automation {

// Result codes are plain int32_t values laid out as HRESULTs.
constexpr int32_t kS_OK = 0;
constexpr int32_t kS_FALSE = 1;
constexpr int32_t kE_FAIL = static_cast<int32_t>(0x80004005u);
constexpr int32_t kE_POINTER = static_cast<int32_t>(0x80004003u);
constexpr int32_t kE_OUTOFMEMORY = static_cast<int32_t>(0x8007000Eu);
constexpr int32_t kE_NOINTERFACE = static_cast<int32_t>(0x80004002u);
constexpr int32_t kCLASS_E_CLASSNOTAVAILABLE = static_cast<int32_t>(0x80040111u);
constexpr int32_t kSELFREG_E_TYPELIB = static_cast<int32_t>(0x80040200u);
constexpr int32_t kSELFREG_E_CLASS = static_cast<int32_t>(0x80040201u);

constexpr uint32_t kFacilityControl = 10;

// Severity error, facility 10, code = number.
constexpr int32_t ControlErrorHResult(int32_t number) {
    return static_cast<int32_t>(0x80000000u | (kFacilityControl << 16) |
                                (static_cast<uint32_t>(number) & 0xFFFFu));
}

// Error numbers a host knows by heart.
namespace errors {
constexpr int32_t kInvalidCall = 5;  // invalid procedure call or argument
constexpr int32_t kOverflow = 6;
constexpr int32_t kOutOfMemory = 7;
constexpr int32_t kTypeMismatch = 13;
constexpr int32_t kInternalError = 51;
constexpr int32_t kBadPropertyValue = 380;
constexpr int32_t kSetNotSupported = 383;  // write of a read-only property
constexpr int32_t kGetNotSupported = 394;  // read refused (write-only, or run time only)
constexpr int32_t kObjectRequired = 424;
constexpr int32_t kCannotCreateObject = 429;
constexpr int32_t kMemberNotFound = 438;  // no such property or method
constexpr int32_t kArgumentNotOptional = 449;
constexpr int32_t kWrongArgumentCount = 450;
}  // namespace errors

// The usual text of a standard number; "Automation error" for others.
std::string StandardDescription(int32_t number);

class AutomationError : public std::runtime_error {
public:
    explicit AutomationError(int32_t number);
    AutomationError(int32_t number, std::string description);

    int32_t Number() const { return number_; }
    // UTF-8 text.
    const std::string& Description() const { return description_; }
    int32_t HResult() const { return ControlErrorHResult(number_); }

private:
    int32_t number_;
    std::string description_;
};

}  // namespace vantry::automation
