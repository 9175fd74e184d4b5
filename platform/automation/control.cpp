#include "automation/control.h"

#include "automation/dispatch.h"

namespace vantry::automation {
namespace {

constexpr int64_t kHimetricPerInch = 2540;
constexpr int64_t kPixelsPerInch = 96;

int32_t Scale(int32_t v, int64_t mul, int64_t div) {
    const int64_t p = int64_t{v} * mul;
    // Round half away from zero.
    return static_cast<int32_t>(p >= 0 ? (p + div / 2) / div : -((-p + div / 2) / div));
}

}  // namespace

int32_t PixelsToHimetric(int32_t pixels) {
    return Scale(pixels, kHimetricPerInch, kPixelsPerInch);
}

int32_t HimetricToPixels(int32_t himetric) {
    return Scale(himetric, kPixelsPerInch, kHimetricPerInch);
}

Size PixelsToHimetric(Size pixels) {
    return Size{PixelsToHimetric(pixels.cx), PixelsToHimetric(pixels.cy)};
}

Size HimetricToPixels(Size himetric) {
    return Size{HimetricToPixels(himetric.cx), HimetricToPixels(himetric.cy)};
}

bool AmbientUserMode(ControlSite* site) {
    if (site == nullptr) {
        return true;
    }
    const Variant v = site->Ambient(dispid::kAmbientUserMode);
    if (v.IsEmpty()) {
        return true;
    }
    try {
        return v.ToBool();
    } catch (const AutomationError&) {
        return true;
    }
}

}  // namespace vantry::automation
