#include "gif_place.h"

#include <QEvent>
#include <QMouseEvent>

namespace murmel {

GifPlace::GifPlace(QWidget* place) : QObject(place), place_(place) {
    place_->installEventFilter(this);
}

// No animated-picture control is hosted yet: the calls are accepted and do
// nothing, as a late-bound call on an empty place would.
bool GifPlace::ReadGIF(const QString&) {
    return false;
}
void GifPlace::Play() {}
void GifPlace::Stop() {}
void GifPlace::SetFrame(int) {}

void GifPlace::SetToolTipText(const QString& text) {
    place_->setToolTip(text);
}

bool GifPlace::eventFilter(QObject* watched, QEvent* event) {
    if (watched == place_ && event->type() == QEvent::MouseButtonRelease) {
        auto* me = static_cast<QMouseEvent*>(event);
        if (me->button() == Qt::LeftButton && place_->rect().contains(me->position().toPoint())) {
            emit Click();
        }
    }
    return QObject::eventFilter(watched, event);
}

}  // namespace murmel
