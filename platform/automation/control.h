#pragma once
// The control face of an object placed on a host's window, and the site
// through which the control talks back to its container.
//
// Host side: implement ControlSite (the Qt ControlHost widget does) and
// hand it to the control:
//   auto ctl = QueryInterface<IControl>(obj);
//   ctl->SetClientSite(&site);
// Control side: ask the site, never assume one is there:
//   if (AmbientUserMode(site_)) { ...arm the timer... }
//   if (site_ && !site_->OnRequestEdit(6)) throw AutomationError(...);
//   if (site_) site_->OnChanged(6);
//
// Sizes the container knows (the extent) are in HIMETRIC (0.01 mm);
// position rectangles are in container pixels.

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "automation/guid.h"
#include "automation/object.h"
#include "automation/variant.h"

namespace vantry::automation {

struct Size {
    int32_t cx = 0;
    int32_t cy = 0;
    bool operator==(const Size&) const = default;
};

struct Rect {
    int32_t left = 0;
    int32_t top = 0;
    int32_t right = 0;
    int32_t bottom = 0;
    int32_t Width() const { return right - left; }
    int32_t Height() const { return bottom - top; }
    bool operator==(const Rect&) const = default;
};

// Pixels at 96 per inch <-> HIMETRIC, rounded to nearest.
int32_t PixelsToHimetric(int32_t pixels);
int32_t HimetricToPixels(int32_t himetric);
Size PixelsToHimetric(Size pixels);
Size HimetricToPixels(Size himetric);

// What a control may ask of its container. Every call happens on the
// container's thread; a site outlives the control's attachment to it.
class ControlSite {
public:
    virtual ~ControlSite() = default;

    // An ambient property (dispid::kAmbientUserMode, kAmbientBackColor ...);
    // Empty when the container does not offer it.
    virtual Variant Ambient(DispId id) = 0;
    // Property-changed notice for a bindable property.
    virtual void OnChanged(DispId id) = 0;
    // May the property change? False: the container refuses.
    virtual bool OnRequestEdit(DispId id) = 0;
    // The control wants to be redrawn.
    virtual void Invalidate() = 0;
    // The control asks for a new position rectangle (container pixels).
    virtual void OnPosRectChange(const Rect& rect) = 0;
    // The control's current position rectangle (container pixels).
    virtual Rect PositionRect() const = 0;
    // The control's window gained (true) or lost (false) the focus.
    virtual void OnFocus(bool gotFocus) = 0;
};

// Run mode unless the container says otherwise: a control without a site,
// or in a container that offers no user-mode ambient, behaves as at run time.
bool AmbientUserMode(ControlSite* site);

// The embedding face of a control.
class IControl : public virtual Object {
public:
    // Attaches the site (null detaches). The control keeps the pointer until
    // it is attached to another or to null.
    virtual void SetClientSite(ControlSite* site) = 0;
    virtual ControlSite* ClientSite() const = 0;
    // The container changed an ambient property (dispid::kUnknown: several).
    virtual void AmbientPropertyChanged(DispId /*id*/) {}
    // The control's size as the container knows it, in HIMETRIC.
    virtual Size Extent() const = 0;
    virtual void SetExtent(Size himetric) = 0;
    // Miscellaneous status bits the control registers (0 when none).
    virtual uint32_t MiscStatus() const { return 0; }
    // The modal about box, if the control has one.
    virtual void AboutBox() {}
};

// How a host shows and offers the values of some properties in its
// property list.
class IPropertyBrowsing : public virtual Object {
public:
    // The text shown for the property's current value; nullopt: the host
    // shows the value itself.
    virtual std::optional<std::u16string> DisplayString(DispId id) = 0;
    // The values a drop-down offers, with their texts; empty: none.
    virtual std::vector<std::pair<std::u16string, Variant>> PredefinedValues(DispId /*id*/) {
        return {};
    }
    // The page class the property is edited in; nullopt: edited in place.
    virtual std::optional<Clsid> PropertyPage(DispId /*id*/) { return std::nullopt; }
};

// The property pages a control offers, as page classes.
class ISpecifyPropertyPages : public virtual Object {
public:
    virtual std::vector<Clsid> Pages() const = 0;
};

// Miscellaneous status bits.
namespace misc_status {
constexpr uint32_t kRecomposeOnResize = 0x1;
constexpr uint32_t kInvisibleAtRuntime = 0x400;
constexpr uint32_t kCantLinkInside = 0x10;
constexpr uint32_t kInsideOut = 0x80;
constexpr uint32_t kActivateWhenVisible = 0x100;
constexpr uint32_t kSetClientSiteFirst = 0x20000;
}  // namespace misc_status

}  // namespace vantry::automation
