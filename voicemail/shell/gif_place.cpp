#include "shell/gif_place.h"

#include <QEvent>
#include <QFileInfo>
#include <QMouseEvent>
#include <QVBoxLayout>

#include <dlfcn.h>

#include "automation/control_host.h"
#include "automation/create_object.h"
#include "automation/dispatch.h"
#include "automation/error.h"
#include "automation/exports.h"

namespace murmel {

namespace va = vantry::automation;

GifPlace::GifPlace(QWidget* place) : QObject(place), place_(place) {
    place_->installEventFilter(this);
}

GifPlace::~GifPlace() = default;

bool GifPlace::Host(va::ObjectPtr control) {
    auto dispatch = va::QueryInterface<va::IDispatchable>(control);
    if (!dispatch) {
        return false;
    }
    if (!host_) {
        host_ = new va::ControlHost(place_);
        auto* layout = new QVBoxLayout(place_);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->addWidget(host_);
    }
    host_->SetUserMode(true);
    host_->SetControl(control);
    host_->resize(place_->size());
    host_->show();
    if (QWidget* window = host_->ControlWindow()) {
        window->installEventFilter(this);  // its clicks are the place's clicks
    }
    dispatch_ = std::move(dispatch);
    return true;
}

void GifPlace::Call(const char* method) {
    if (!dispatch_) {
        return;
    }
    try {
        va::CallMethod(*dispatch_, method);
    } catch (const va::AutomationError&) {
        // A failing control call leaves the window as it is.
    }
}

bool GifPlace::ReadGIF(const QString& path) {
    if (!dispatch_) {
        return false;
    }
    try {
        return va::CallMethod(*dispatch_, "ReadGIF", {va::Variant::FromUtf8(path.toStdString())})
            .ToBool();
    } catch (const va::AutomationError&) {
        return false;
    }
}

void GifPlace::Play() {
    Call("Play");
}
void GifPlace::Stop() {
    Call("Stop");
}

void GifPlace::SetFrame(int frame) {
    if (!dispatch_) {
        return;
    }
    try {
        va::PutProperty(*dispatch_, "Frame", va::Variant(static_cast<int16_t>(frame)));
    } catch (const va::AutomationError&) {
    }
}

void GifPlace::SetToolTipText(const QString& text) {
    place_->setToolTip(text);
    if (host_) {
        host_->setToolTip(text);
        if (QWidget* window = host_->ControlWindow()) {
            window->setToolTip(text);
        }
    }
}

bool GifPlace::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseButtonRelease) {
        auto* widget = qobject_cast<QWidget*>(watched);
        auto* me = static_cast<QMouseEvent*>(event);
        if (widget && me->button() == Qt::LeftButton &&
            widget->rect().contains(me->position().toPoint())) {
            emit Click();
        }
    }
    return QObject::eventFilter(watched, event);
}

namespace {

constexpr char kGifProgId[] = "PlimovaCtrl.Plimova";

va::ObjectPtr TryCreate() {
    try {
        return va::CreateObject(kGifProgId);
    } catch (const va::AutomationError&) {
        return nullptr;
    }
}

}  // namespace

va::ObjectPtr CreateGifControl(const QString& libraryFolder) {
    if (va::ObjectPtr control = TryCreate()) {
        return control;
    }
    // First start after installing: register the library shipped with us,
    // as its registration tool would.
    const QString library = libraryFolder + QStringLiteral("/libplimova.so");
    if (!QFileInfo::exists(library)) {
        return nullptr;
    }
    void* handle = ::dlopen(QFile::encodeName(library).constData(), RTLD_NOW | RTLD_LOCAL);
    if (!handle) {
        return nullptr;
    }
    auto registerServer =
        reinterpret_cast<va::DllRegisterServerFn>(::dlsym(handle, "DllRegisterServer"));
    // The library stays loaded: objects created from it must not outlive its code.
    if (!registerServer || registerServer() != 0) {
        return nullptr;
    }
    return TryCreate();
}

}  // namespace murmel
