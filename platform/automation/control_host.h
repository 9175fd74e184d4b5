#pragma once
// The Qt side of embedding: a widget that hosts one control, answers as its
// site, and holds the control's own window as a child filling it.
//
//   ControlHost host(&form);
//   host.SetUserMode(true);
//   host.SetControl(CreateObject("Some.ProgID"));
//   QObject::connect(&host, &ControlHost::propertyChanged, ...);
//
// The host's geometry is the control's position rectangle in its parent;
// resizing the host tells the control its new extent.

#include <QRect>
#include <QWidget>
#include <functional>
#include <utility>
#include <vector>

#include "automation/control.h"

namespace vantry::automation {

// A control that draws in a Qt window of its own.
class IWindowedControl : public virtual Object {
public:
    // Creates the control's window as a child of parent (once; later calls
    // return the same window) and returns it. The host places and sizes it.
    virtual QWidget* InPlaceActivate(QWidget* parent) = 0;
    // Destroys the window; the control keeps its state.
    virtual void InPlaceDeactivate() = 0;
    // The window while active, else null.
    virtual QWidget* Window() const = 0;
};

class ControlHost : public QWidget, public ControlSite {
    Q_OBJECT

public:
    explicit ControlHost(QWidget* parent = nullptr);
    ~ControlHost() override;

    // Places obj: attaches this site, sizes the host to the control's extent
    // and, when the control has a window, activates it in place. The control
    // placed before is deactivated and detached first. Null only removes.
    void SetControl(ObjectPtr obj);
    const ObjectPtr& Control() const { return control_; }
    QWidget* ControlWindow() const;

    // Ambient properties; a change is announced to the control.
    void SetUserMode(bool userMode);
    bool UserMode() const;
    void SetAmbient(DispId id, Variant value);
    // Decides request-edit notices; every edit is allowed while unset.
    void SetRequestEditHandler(std::function<bool(DispId)> handler);

    // ControlSite
    Variant Ambient(DispId id) override;
    void OnChanged(DispId id) override;
    bool OnRequestEdit(DispId id) override;
    void Invalidate() override;
    void OnPosRectChange(const automation::Rect& rect) override;
    automation::Rect PositionRect() const override;
    void OnFocus(bool gotFocus) override;

signals:
    void propertyChanged(int dispId);
    void editRequested(int dispId, bool allowed);
    void invalidated();
    void positionRectChanged(const QRect& rect);
    void focusChanged(bool gotFocus);

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void Detach();

    ObjectPtr control_;
    std::vector<std::pair<DispId, Variant>> ambients_;
    std::function<bool(DispId)> requestEdit_;
};

}  // namespace vantry::automation
