#include "automation/control_host.h"

#include <QResizeEvent>
#include <algorithm>

#include "automation/dispatch.h"

namespace vantry::automation {

ControlHost::ControlHost(QWidget* parent) : QWidget(parent) {
    const QColor back = palette().color(QPalette::Window);
    // Built in place: GCC 12 misreads the moves of an initializer list of
    // variants as reads of uninitialised strings.
    ambients_.reserve(2);
    ambients_.emplace_back(dispid::kAmbientUserMode, true);
    ambients_.emplace_back(
        dispid::kAmbientBackColor,
        OleColor{static_cast<uint32_t>(back.red()) | (static_cast<uint32_t>(back.green()) << 8) |
                 (static_cast<uint32_t>(back.blue()) << 16)});
}

ControlHost::~ControlHost() {
    Detach();
}

void ControlHost::Detach() {
    if (!control_) {
        return;
    }
    // Cleared first: anything the control says while leaving goes nowhere.
    ObjectPtr old = std::move(control_);
    control_.reset();
    if (auto windowed = QueryInterface<IWindowedControl>(old)) {
        windowed->InPlaceDeactivate();
    }
    if (auto control = QueryInterface<IControl>(old)) {
        control->SetClientSite(nullptr);
    }
}

void ControlHost::SetControl(ObjectPtr obj) {
    Detach();
    if (!obj) {
        return;
    }
    control_ = std::move(obj);
    auto control = QueryInterface<IControl>(control_);
    if (control) {
        control->SetClientSite(this);
        const Size px = HimetricToPixels(control->Extent());
        if (px.cx > 0 && px.cy > 0) {
            resize(px.cx, px.cy);
        }
    }
    if (auto windowed = QueryInterface<IWindowedControl>(control_)) {
        if (QWidget* window = windowed->InPlaceActivate(this)) {
            window->setGeometry(0, 0, width(), height());
            window->show();
        }
    }
}

QWidget* ControlHost::ControlWindow() const {
    auto windowed = QueryInterface<IWindowedControl>(control_);
    return windowed ? windowed->Window() : nullptr;
}

void ControlHost::SetUserMode(bool userMode) {
    SetAmbient(dispid::kAmbientUserMode, Variant(userMode));
}

bool ControlHost::UserMode() const {
    auto it = std::find_if(ambients_.begin(), ambients_.end(),
                           [](const auto& a) { return a.first == dispid::kAmbientUserMode; });
    return it == ambients_.end() || !it->second.IfBool() || *it->second.IfBool();
}

void ControlHost::SetAmbient(DispId id, Variant value) {
    auto it = std::find_if(ambients_.begin(), ambients_.end(),
                           [id](const auto& a) { return a.first == id; });
    if (it != ambients_.end()) {
        if (it->second == value) {
            return;
        }
        it->second = std::move(value);
    } else {
        ambients_.emplace_back(id, std::move(value));
    }
    if (auto control = QueryInterface<IControl>(control_)) {
        control->AmbientPropertyChanged(id);
    }
}

void ControlHost::SetRequestEditHandler(std::function<bool(DispId)> handler) {
    requestEdit_ = std::move(handler);
}

Variant ControlHost::Ambient(DispId id) {
    for (const auto& [key, value] : ambients_) {
        if (key == id) {
            return value;
        }
    }
    return Variant();
}

void ControlHost::OnChanged(DispId id) {
    emit propertyChanged(id);
}

bool ControlHost::OnRequestEdit(DispId id) {
    const bool allowed = !requestEdit_ || requestEdit_(id);
    emit editRequested(id, allowed);
    return allowed;
}

void ControlHost::Invalidate() {
    if (QWidget* window = ControlWindow()) {
        window->update();
    }
    update();
    emit invalidated();
}

void ControlHost::OnPosRectChange(const automation::Rect& rect) {
    const QRect r(rect.left, rect.top, std::max(0, rect.Width()), std::max(0, rect.Height()));
    setGeometry(r);
    emit positionRectChanged(r);
}

automation::Rect ControlHost::PositionRect() const {
    const QRect g = geometry();
    return automation::Rect{g.left(), g.top(), g.left() + g.width(), g.top() + g.height()};
}

void ControlHost::OnFocus(bool gotFocus) {
    emit focusChanged(gotFocus);
}

void ControlHost::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    if (QWidget* window = ControlWindow()) {
        window->setGeometry(0, 0, width(), height());
    }
    if (auto control = QueryInterface<IControl>(control_)) {
        control->SetExtent(PixelsToHimetric(Size{width(), height()}));
    }
}

}  // namespace vantry::automation
