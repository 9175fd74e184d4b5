#pragma once
// Where an animated-picture control sits on a window (the logo, the ads).
// The control is created by its ProgID and called late-bound by name; while
// none is placed (not installed or not registered) the calls do nothing and
// ReadGIF reports that nothing was loaded.

#include <QObject>
#include <QString>
#include <QWidget>

#include <memory>

#include "automation/object.h"

namespace vantry::automation {
class ControlHost;
class IDispatchable;
}  // namespace vantry::automation

namespace murmel {

class GifPlace : public QObject {
    Q_OBJECT
public:
    // `place` is the widget the control fills; clicks on it raise Click.
    explicit GifPlace(QWidget* place);
    ~GifPlace() override;

    // Places a created control over the place; false (placeholder kept)
    // when `control` is null or has no dispatch face.
    bool Host(vantry::automation::ObjectPtr control);
    bool HasControl() const { return dispatch_ != nullptr; }

    bool ReadGIF(const QString& path);
    void Play();
    void Stop();
    void SetFrame(int frame);

    // The container's extender properties the ads use.
    void SetToolTipText(const QString& text);
    QString Tag() const { return tag_; }
    void SetTag(const QString& tag) { tag_ = tag; }

    QWidget* widget() const { return place_; }
    vantry::automation::IDispatchable* dispatch() const { return dispatch_.get(); }

signals:
    void Click();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Call(const char* method);

    QWidget* place_;
    QString tag_;
    vantry::automation::ControlHost* host_ = nullptr;
    std::shared_ptr<vantry::automation::IDispatchable> dispatch_;
};

// Creates the animated-picture control by its ProgID. When the ProgID is not
// registered yet, registers the control library installed beside the program
// (lib/ next to bin/) first. Null when there is no such control.
vantry::automation::ObjectPtr CreateGifControl(const QString& libraryFolder);

}  // namespace murmel
