#include "shell/window_shape.h"

#include <QEvent>
#include <QGuiApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPalette>
#include <QRubberBand>
#include <QWidget>
#include <QWindow>

#include "shell/session.h"

namespace murmel {

QPolygon OutlinePoints(int widthPx, int heightPx) {
    const int W = widthPx - 2;
    const int H = heightPx - 2;
    QPolygon p;
    p << QPoint(25, 1) << QPoint(W, 1) << QPoint(W, H - 23) << QPoint(W - 1, H - 20)
      << QPoint(W - 2, H - 18) << QPoint(W - 9, H - 9) << QPoint(W - 18, H - 2)
      << QPoint(W - 20, H - 1) << QPoint(W - 23, H) << QPoint(3, H) << QPoint(3, 22)
      << QPoint(3, 20) << QPoint(4, 18) << QPoint(10, 11) << QPoint(20, 3) << QPoint(23, 2)
      << QPoint(25, 1);
    return p;
}

namespace {

// Paints the window colour inside the outline of a translucent window, so
// nothing outside it covers the desktop.
class OutlineBackground : public QObject {
public:
    explicit OutlineBackground(QWidget* form) : QObject(form), form_(form) {
        setObjectName(QStringLiteral("outlineBackground"));
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched == form_ && event->type() == QEvent::Paint) {
            QPainter painter(form_);
            painter.setPen(Qt::NoPen);
            painter.setBrush(form_->palette().brush(QPalette::Window));
            painter.drawPolygon(OutlinePoints(form_->width(), form_->height()), Qt::WindingFill);
        }
        return QObject::eventFilter(watched, event);
    }

private:
    QWidget* form_;
};

}  // namespace

QRegion ShapeWindow(QWidget* form) {
    return ShapeWindow(form, QGuiApplication::platformName());
}

QRegion ShapeWindow(QWidget* form, const QString& platformName) {
    const QRegion region(OutlinePoints(form->width(), form->height()), Qt::WindingFill);
    if (vantry::shell::IsWaylandPlatform(platformName) &&
        !form->findChild<OutlineBackground*>(QString(), Qt::FindDirectChildrenOnly)) {
        form->setAttribute(Qt::WA_TranslucentBackground);
        form->installEventFilter(new OutlineBackground(form));
    }
    // The mask clips painting and, on Wayland, sets the input region too.
    form->setMask(region);
    form->update();
    return region;
}

void ColorToolbar(QLabel* toolbar) {
    QPalette pal = toolbar->palette();
    const QPalette system = QGuiApplication::palette();
    pal.setColor(QPalette::Window, system.color(QPalette::Active, QPalette::Highlight));
    pal.setColor(QPalette::WindowText, system.color(QPalette::Active, QPalette::HighlightedText));
    toolbar->setAutoFillBackground(true);
    toolbar->setPalette(pal);
}

ToolbarDrag::ToolbarDrag() = default;
ToolbarDrag::~ToolbarDrag() = default;

QRect DragOutline(const QRect& windowAtPress, const QPoint& travel, bool mainWindow,
                  int captionHeight) {
    QRect r = windowAtPress.translated(travel);
    if (mainWindow) {
        r.setLeft(r.left() + 5);
        r.setRight(r.right() - 5);
        r.setBottom(r.bottom() - 5);
        r.setTop(r.top() + captionHeight - 4);
    } else {
        r.setLeft(r.left() + 3);
        r.setRight(r.right() - 3);
        r.setBottom(r.bottom() - 3);
    }
    return r;
}

void BeginToolbarDrag(QWidget* form, ToolbarDrag& drag, const QPoint& globalPos,
                      const QString& platformName) {
    drag.systemMove = vantry::shell::IsWaylandPlatform(platformName);
    if (drag.systemMove) {
        // move() is ignored there; the compositor follows the pointer itself.
        drag.active = false;
        if (QWindow* handle = form->window()->windowHandle()) {
            handle->startSystemMove();
        }
        return;
    }
    drag.active = true;
    drag.pressGlobal = globalPos;
    drag.windowAtPress = form->frameGeometry();
    if (!drag.band) {
        // A top-level band: the outline may leave the window's own area.
        drag.band = std::make_unique<QRubberBand>(QRubberBand::Rectangle);
    }
    drag.lastOutline = drag.windowAtPress;
    drag.band->setGeometry(drag.lastOutline);
    drag.band->show();
}

void TrackToolbarDrag(QWidget* form, ToolbarDrag& drag, const QPoint& globalPos, bool mainWindow) {
    if (!drag.active) {
        return;
    }
    const int caption = form->frameGeometry().height() - form->geometry().height();
    drag.lastOutline =
        DragOutline(drag.windowAtPress, globalPos - drag.pressGlobal, mainWindow, caption);
    if (drag.band) {
        drag.band->setGeometry(drag.lastOutline);
    }
}

void EndToolbarDrag(QWidget* form, ToolbarDrag& drag, const QPoint& globalPos) {
    if (!drag.active) {
        return;
    }
    drag.active = false;
    if (drag.band) {
        drag.band->hide();
    }
    form->move(drag.windowAtPress.topLeft() + (globalPos - drag.pressGlobal));
}

namespace {

// Feeds the toolbar label's left-button mouse events into one drag record.
class ToolbarDragFilter : public QObject {
public:
    ToolbarDragFilter(QWidget* form, QLabel* toolbar, bool mainWindow)
        : QObject(toolbar), form_(form), main_(mainWindow) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        switch (event->type()) {
            case QEvent::MouseButtonPress: {
                auto* me = static_cast<QMouseEvent*>(event);
                if (me->button() == Qt::LeftButton) {
                    BeginToolbarDrag(form_, drag_, me->globalPosition().toPoint(),
                                     QGuiApplication::platformName());
                    return true;
                }
                break;
            }
            case QEvent::MouseMove: {
                auto* me = static_cast<QMouseEvent*>(event);
                if (me->buttons() & Qt::LeftButton) {
                    TrackToolbarDrag(form_, drag_, me->globalPosition().toPoint(), main_);
                    return true;
                }
                break;
            }
            case QEvent::MouseButtonRelease: {
                auto* me = static_cast<QMouseEvent*>(event);
                if (me->button() == Qt::LeftButton) {
                    EndToolbarDrag(form_, drag_, me->globalPosition().toPoint());
                    return true;
                }
                break;
            }
            default:
                break;
        }
        return QObject::eventFilter(watched, event);
    }

private:
    QWidget* form_;
    bool main_;
    ToolbarDrag drag_;
};

}  // namespace

void EnableToolbarDragging(QWidget* form, QLabel* toolbar, bool mainWindow) {
    toolbar->installEventFilter(new ToolbarDragFilter(form, toolbar, mainWindow));
}

}  // namespace murmel
