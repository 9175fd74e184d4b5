#include "control/plimova_window.h"

#include <QMouseEvent>
#include <QPainter>

#include "control/plimova.h"

namespace plimova {

namespace {

// Client coordinates travel as sign-extended 16-bit values.
int Coordinate(qreal v) {
    return static_cast<int16_t>(static_cast<int>(v));
}

}  // namespace

int ButtonBits(Qt::MouseButtons buttons) {
    int bits = 0;
    if (buttons & Qt::LeftButton) {
        bits |= 1;
    }
    if (buttons & Qt::RightButton) {
        bits |= 2;
    }
    if (buttons & Qt::MiddleButton) {
        bits |= 4;
    }
    return bits;
}

int ShiftBits(Qt::KeyboardModifiers modifiers) {
    int bits = 0;
    if (modifiers & Qt::ShiftModifier) {
        bits |= 1;
    }
    if (modifiers & Qt::ControlModifier) {
        bits |= 2;
    }
    if (modifiers & Qt::AltModifier) {
        bits |= 4;
    }
    return bits;
}

PlimovaWindow::PlimovaWindow(Plimova& control, QWidget* parent)
    : QWidget(parent), control_(&control) {
    setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);
    // Every pixel is painted by the control.
    setAttribute(Qt::WA_OpaquePaintEvent);
}

PlimovaWindow::~PlimovaWindow() {
    if (control_ != nullptr) {
        control_->OnWindowDestroyed();
    }
}

void PlimovaWindow::paintEvent(QPaintEvent*) {
    if (control_ == nullptr) {
        return;
    }
    QPainter painter(this);
    control_->Draw(painter, rect());
}

void PlimovaWindow::mousePressEvent(QMouseEvent* e) {
    if (control_ != nullptr) {
        control_->OnMousePress(ButtonBits(e->button()), ButtonBits(e->buttons()),
                               ShiftBits(e->modifiers()), Coordinate(e->position().x()),
                               Coordinate(e->position().y()));
    }
}

void PlimovaWindow::mouseDoubleClickEvent(QMouseEvent* e) {
    if (control_ != nullptr) {
        control_->OnMouseDoubleClick(ButtonBits(e->button()));
    }
}

void PlimovaWindow::mouseMoveEvent(QMouseEvent* e) {
    if (control_ != nullptr) {
        control_->OnMouseMove(ButtonBits(e->buttons()), ShiftBits(e->modifiers()),
                              Coordinate(e->position().x()), Coordinate(e->position().y()));
    }
}

void PlimovaWindow::mouseReleaseEvent(QMouseEvent* e) {
    if (control_ != nullptr) {
        control_->OnMouseRelease(ButtonBits(e->buttons()), ShiftBits(e->modifiers()),
                                 Coordinate(e->position().x()), Coordinate(e->position().y()));
    }
}

void PlimovaWindow::focusInEvent(QFocusEvent*) {
    if (control_ != nullptr) {
        control_->OnFocus(true);
    }
}

void PlimovaWindow::focusOutEvent(QFocusEvent*) {
    if (control_ != nullptr) {
        control_->OnFocus(false);
    }
}

}  // namespace plimova
